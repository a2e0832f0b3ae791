// The fast paths of plain tiles: the planar decoder, the row-at-a-time
// self-check and the one-pass choice of the sub-palette, each against the
// slow way.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "snes/encoders/console_encoding.h"
#include "snes/readback/planar_decode.h"
#include "snes/cells/tile_kernels.h"
#include "reference_encoder.h"
#include "test_pictures.h"
#include "convert/encode_for_console.h"

namespace tilora {
namespace {

using testing::BlankPicture;
using testing::SetPixel;

// The naive encoder's tile: at 2 bpp the first planes of the 4-bit one.
std::vector<std::uint8_t> ReferenceTileAt(const std::uint8_t (&colours)[64], int bpp) {
  std::vector<std::uint8_t> tile = testing::ReferenceTile(colours, bpp == 8 ? 8 : 4);
  tile.resize(static_cast<std::size_t>(8 * bpp));
  return tile;
}

TEST(PlanarDecodeTest, UndoesTheNaiveEncoderAtEveryDepth) {
  std::mt19937 gen(77);
  for (const int bpp : {2, 4, 8}) {
    for (int t = 0; t < 3000; ++t) {
      std::uint8_t colours[64];
      cells::CellRows expected;
      for (int p = 0; p < 64; ++p) {
        colours[p] = static_cast<std::uint8_t>(gen() & ((1U << bpp) - 1));
        expected.row[p / 8] |= std::uint64_t{colours[p]} << (8 * (p % 8));
      }
      const std::vector<std::uint8_t> tile = ReferenceTileAt(colours, bpp);
      ASSERT_EQ(DecodePlanarTile(tile.data(), bpp), expected) << bpp << " bpp, tile " << t;
      ASSERT_EQ(DecodePlanarTilePortable(tile.data(), bpp), expected) << bpp << " bpp, tile " << t;
    }
  }
}

// Four cells of 8 x 8 (32 x 8) in sub-palette 1 at 4 bpp, or of plain
// colours at 8 bpp; the tiles are made from the picture and then the picture
// is changed where the case says.
struct PlainCells {
  const char* name;
  int bpp;
  int block;
  std::int32_t x;  // the pixel changed after encoding, if any (x < 0: none)
  std::uint8_t index;
  std::int32_t shown;  // cells found to match from the left
};

void PrintTo(const PlainCells& c, std::ostream* os) { *os << c.name; }

// Colour k of pixel (x, y) is (x + 2 y) mod the colours: on the changed row
// 6 at 4 bpp colour (x + 12) mod 16, 0 at x = 4 and 20.
const PlainCells kPlainCells[] = {
    {"AllMatch", 4, 1, -1, 0, 4},
    {"ColourDiffers", 4, 1, 21, 16 + 9, 2},
    {"ColourOfAnotherSubPalette", 4, 1, 11, 32 + 7, 1},
    {"ColourZeroOfAnotherSubPalette", 4, 1, 20, 48, 4},
    {"ColourZeroBecomesColour", 4, 1, 4, 16 + 1, 0},
    {"TwoBitsAllMatch", 2, 5, -1, 0, 4},
    {"TwoBitsSubPaletteDiffers", 2, 5, 9, 4 * 6 + 1, 1},
    {"EightBitsAllMatch", 8, 0, -1, 0, 4},
    {"EightBitsTopBitDiffers", 8, 0, 18, 0x80 | 30, 2},
    {"EightBitsHaveNoSubPaletteButZero", 8, 1, -1, 0, 0},
};

class PlainCellsShownTest : public ::testing::TestWithParam<PlainCells> {};

TEST_P(PlainCellsShownTest, CountsTheMatchingCells) {
  const PlainCells& c = GetParam();
  Picture picture = BlankPicture(32, 8);
  const unsigned colours = 1U << c.bpp;
  for (std::int32_t y = 0; y < 8; ++y)
    for (std::int32_t x = 0; x < 32; ++x) {
      const unsigned k = static_cast<unsigned>(x + 2 * y) % colours;
      SetPixel(picture, x, y, static_cast<std::uint8_t>(c.bpp == 8 ? k : (k == 0 ? 0 : static_cast<unsigned>(c.block) << c.bpp | k)));
    }
  std::vector<std::uint8_t> tiles;
  for (std::int32_t cx = 0; cx < 4; ++cx) {
    std::uint8_t cell[64];
    for (int p = 0; p < 64; ++p)
      cell[p] = static_cast<std::uint8_t>(picture.IndexAt(8 * cx + p % 8, p / 8) & (colours - 1));
    const std::vector<std::uint8_t> tile = ReferenceTileAt(cell, c.bpp);
    tiles.insert(tiles.end(), tile.begin(), tile.end());
  }
  if (c.x >= 0) SetPixel(picture, c.x, 6, c.index);
  const std::int32_t expected = TILORA_TILE_SSE2 ? c.shown : 0;
  EXPECT_EQ(PlainCellsShown(tiles.data(), c.bpp, c.block, picture.indices.data(), 32, 4), expected);
}

INSTANTIATE_TEST_SUITE_P(Depths, PlainCellsShownTest, ::testing::ValuesIn(kPlainCells),
                         [](const ::testing::TestParamInfo<PlainCells>& param) { return std::string(param.param.name); });

// Plain tiles name the one sub-palette their colours come from, whatever
// sub-palette the colour-0 pixels carry.
struct OneSubPalette {
  const char* name;
  int bpp;
  std::vector<std::uint8_t> indices;  // set along the first row
  std::uint8_t subPalettes;
  std::size_t paletteBytes;
};

void PrintTo(const OneSubPalette& c, std::ostream* os) { *os << c.name; }

const OneSubPalette kOneSubPalettes[] = {
    {"ColourZeroOnly", 4, {0, 16, 112}, 0, 32},
    {"First", 4, {3, 15, 0}, 0b1, 32},
    {"ThirdWithZeroOfOthers", 4, {16, 35, 47, 112, 0}, 0b100, 96},
    {"TwoBitsSeventh", 2, {4 * 6 + 1, 4 * 2, 4 * 6 + 3}, 0b1000000, 56},
};

class OneSubPaletteTest : public ::testing::TestWithParam<OneSubPalette> {};

TEST_P(OneSubPaletteTest, IsTheOneTheColoursUse) {
  const OneSubPalette& c = GetParam();
  // Wider than a row of vectors, with pixels set in the last cells too.
  Picture picture = BlankPicture(200, 9);
  for (std::size_t i = 0; i < c.indices.size(); ++i) {
    SetPixel(picture, static_cast<std::int32_t>(i), 0, c.indices[i]);
    SetPixel(picture, 199 - static_cast<std::int32_t>(i), 8, c.indices[i]);
  }
  testing::EncodingOptions options;
  options.bpp = c.bpp;
  const EncodeResult result = testing::Encode(picture, options);
  const auto* refusal = std::get_if<Failure>(&result);
  ASSERT_EQ(refusal, nullptr) << refusal->message;
  EXPECT_EQ(std::get<EncodedOutputs>(result).subPalettes, c.subPalettes);
  EXPECT_EQ(std::get<EncodedOutputs>(result).palette.size(), c.paletteBytes);
}

INSTANTIATE_TEST_SUITE_P(Depths, OneSubPaletteTest, ::testing::ValuesIn(kOneSubPalettes),
                         [](const ::testing::TestParamInfo<OneSubPalette>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace tilora
