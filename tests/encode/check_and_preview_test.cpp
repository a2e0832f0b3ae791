// The self-check against damaged outputs, the console preview's colours and
// the figures.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "snes/encoders/console_encoding.h"
#include "test_pictures.h"
#include "snes/readback/readback.h"
#include "convert/encode_for_console.h"

namespace tilora {
namespace {

using testing::BlankPicture;
using testing::SetPixel;

// 16 x 8: cell 0 colour 3 of sub-palette 1 at (2,1), cell 1 blank.
Picture TwoCells() {
  Picture picture = BlankPicture(16, 8);
  SetPixel(picture, 2, 1, 16 + 3);
  return picture;
}

EncodedOutputs Encoded(const Picture& picture, const testing::EncodingOptions& options) {
  EncodeResult result = testing::Encode(picture, options);
  if (const auto* refusal = std::get_if<Failure>(&result)) ADD_FAILURE() << refusal->message;
  return std::holds_alternative<EncodedOutputs>(result) ? std::get<EncodedOutputs>(result) : EncodedOutputs{};
}

struct Damage {
  const char* name;
  testing::EncodingOptions options;
  std::function<void(EncodedOutputs&)> damage;
  const char* message;
};

void PrintTo(const Damage& c, std::ostream* os) { *os << c.name; }

testing::EncodingOptions MapOptions(bool screens = false) {
  testing::EncodingOptions options;
  options.map = true;
  options.screens = screens;
  return options;
}

testing::EncodingOptions Mode7Options(bool interleave) {
  testing::EncodingOptions options;
  options.mode7 = true;
  options.interleave = interleave;
  return options;
}

const Damage kDamages[] = {
    // Row 1 of tile 0, plane 1: colour 3 becomes 1.
    {"TileBit", MapOptions(), [](EncodedOutputs& out) { out.tiles[3] = 0; },
     "the outputs show colour 1 of sub-palette 1 at pixel 2,1 where the picture has colour 3 of "
     "sub-palette 1."},
    {"PaletteField", MapOptions(), [](EncodedOutputs& out) { out.map[1] = 0x08; },
     "the outputs show colour 3 of sub-palette 2 at pixel 2,1 where the picture has colour 3 of "
     "sub-palette 1."},
    {"FlipBit", MapOptions(), [](EncodedOutputs& out) { out.map[1] |= 0x40; },
     "the outputs show colour 0 at pixel 2,1 where the picture has colour 3 of sub-palette 1."},
    {"TileBeyondData", MapOptions(), [](EncodedOutputs& out) { out.map[2] = 9; },
     "the map entry at 8,0 names a tile or palette the outputs do not hold."},
    {"PaddingEntry", MapOptions(true), [](EncodedOutputs& out) { out.map[2 * 32] = 0; },
     "the outputs show colour 3 of sub-palette 0 at pixel 2,9 where the picture has colour 0."},
    {"MapCutShort", MapOptions(), [](EncodedOutputs& out) { out.map.pop_back(); },
     "the map holds 3 bytes where 4 belong."},
    // Plain tiles: the same damage, and a palette that names sub-palette 0.
    {"PlainTileBit", testing::EncodingOptions{}, [](EncodedOutputs& out) { out.tiles[3] = 0; },
     "the outputs show colour 1 of sub-palette 1 at pixel 2,1 where the picture has colour 3 of "
     "sub-palette 1."},
    {"PlainPalette", testing::EncodingOptions{}, [](EncodedOutputs& out) { out.palette.resize(32); },
     "the outputs show colour 3 of sub-palette 0 at pixel 2,1 where the picture has colour 3 of "
     "sub-palette 1."},
    {"PlainTilesCutShort", testing::EncodingOptions{}, [](EncodedOutputs& out) { out.tiles.resize(32); },
     "the tile data holds 32 bytes where 64 belong."},
    {"Mode7Map", Mode7Options(false), [](EncodedOutputs& out) { out.map[1] = 0; },
     "the outputs show colour 19 at pixel 10,1 where the picture has colour 0."},
    {"Mode7Vram", Mode7Options(true), [](EncodedOutputs& out) { out.vram[2 * 17 + 1] = 4; },
     "the outputs show colour 4 at pixel 1,2 where the picture has colour 0."},
};

class SelfCheckTest : public ::testing::TestWithParam<Damage> {};

TEST_P(SelfCheckTest, FindsTheDamage) {
  const Damage& c = GetParam();
  const Picture picture = TwoCells();
  EncodedOutputs out = Encoded(picture, c.options);
  ASSERT_EQ(SelfCheck(picture, c.options, out), std::nullopt);
  c.damage(out);
  EXPECT_EQ(SelfCheck(picture, c.options, out), std::optional<std::string>(c.message));
}

INSTANTIATE_TEST_SUITE_P(Encoders, SelfCheckTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& param) { return std::string(param.param.name); });

// Entry 0 (16, 32, 64) is the backdrop; 19 is (255, 128, 7). Colour 0 of
// sub-palette 1 (index 16) shows the backdrop too.
TEST(ConsolePreviewTest, ShowsTheConsoleColours) {
  Picture picture = TwoCells();
  picture.palette[0] = {16, 32, 64};
  picture.palette[16] = {200, 200, 200};
  picture.palette[19] = {255, 128, 7};
  SetPixel(picture, 3, 1, 16);
  const Rgb backdrop{16, 33, 66};
  const Rgb colour{255, 132, 0};
  for (const testing::EncodingOptions& options : {MapOptions(), testing::EncodingOptions{}}) {
    const std::vector<Rgb> image = ConsolePreview(Encoded(picture, options), options, 16, 8);
    ASSERT_EQ(image.size(), 128U);
    for (int p = 0; p < 128; ++p) EXPECT_EQ(image[static_cast<std::size_t>(p)], p == 18 ? colour : backdrop) << p;
  }
}

TEST(TileFiguresTest, CountsColoursTilesAndSubPalettes) {
  Picture picture = BlankPicture(24, 8);
  SetPixel(picture, 0, 0, 16 + 2);  // cell 0: a shape in sub-palette 1
  SetPixel(picture, 15, 0, 2);      // cell 1: the same shape flipped, sub-palette 0
  SetPixel(picture, 16, 0, 16);     // cell 2: colour 0 only
  const auto figures = FiguresOf(picture, 4);
  ASSERT_TRUE(std::holds_alternative<TileFigures>(figures));
  const TileFigures& f = std::get<TileFigures>(figures);
  EXPECT_EQ(f.paletteEntries, 256);
  EXPECT_EQ(f.coloursUsed, 4);  // 0, 2, 16, 18
  EXPECT_EQ(f.cells, 3);
  EXPECT_EQ(f.distinctTiles, 3);
  EXPECT_EQ(f.distinctWithFlips, 2);
  EXPECT_EQ(f.subPalettes, 0b11);
  // At 2 bpp index 16 is colour 0 and 18 colour 2 of sub-palette 4.
  const auto twoBpp = FiguresOf(picture, 2);
  ASSERT_TRUE(std::holds_alternative<TileFigures>(twoBpp));
  EXPECT_EQ(std::get<TileFigures>(twoBpp).subPalettes, 0b10001);
  EXPECT_EQ(std::get<TileFigures>(twoBpp).distinctWithFlips, 2);
}

}  // namespace
}  // namespace tilora
