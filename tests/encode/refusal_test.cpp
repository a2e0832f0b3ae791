// Every refusal of the console encoders, with its exact text.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "snes/encoders/console_encoding.h"
#include "test_pictures.h"
#include "convert/encode_for_console.h"

namespace tilora {

void PrintTo(const TilePosition& p, std::ostream* os) { *os << p.x << "," << p.y; }

namespace {

using testing::BlankPicture;
using testing::SetPixel;

struct RefusalCase {
  const char* name;
  std::function<Picture()> picture;
  std::function<void(TileOptions&)> options;
  RefusalKind kind;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

Picture WithPixels(std::int32_t width, std::int32_t height,
                   std::initializer_list<std::tuple<int, int, std::uint8_t>> pixels) {
  Picture picture = BlankPicture(width, height);
  for (const auto& [x, y, index] : pixels) SetPixel(picture, x, y, index);
  return picture;
}

const RefusalCase kRefusals[] = {
    // The first cell in reading order, though a later cell's pixel comes
    // first in reading order.
    {"IndexPastFourBpp",
     [] {
       return WithPixels(24, 16, {{20, 0, 200}, {3, 7, 128}});
     },
     [](TileOptions&) {}, RefusalKind::Picture,
     "The tile at 0,0 uses colour 128; at 4 bpp only colours 0-127 fit (8 sub-palettes of 16)."},
    {"IndexPastTwoBpp",
     [] {
       return WithPixels(24, 16, {{10, 12, 32}});
     },
     [](TileOptions& o) { o.bpp = 2; }, RefusalKind::Picture,
     "The tile at 8,8 uses colour 32; at 2 bpp only colours 0-31 fit (8 sub-palettes of 4)."},
    {"MixedSubPalettes",
     [] {
       return WithPixels(16, 8, {{9, 0, 3}, {10, 5, 17}, {11, 5, 32}});
     },
     [](TileOptions& o) { o.map = true; }, RefusalKind::Picture,
     "The tile at 8,0 mixes sub-palettes 0 and 1; a tile's colours must come from one sub-palette (colour 0 of any "
     "fits)."},
    {"SeveralSubPalettesWithoutMap",
     [] {
       return WithPixels(24, 8, {{0, 0, 1}, {8, 0, 16}, {16, 0, 33}});
     },
     [](TileOptions&) {}, RefusalKind::Picture,
     "The picture uses sub-palettes 0 and 2 (tiles at 0,0 and 16,0); without a map the sub-palette of each tile "
     "would be lost."},
    {"TooManyTiles", [] { return testing::DistinctTiles(1025, 41, 4); }, [](TileOptions& o) { o.map = true; },
     RefusalKind::Picture, "The picture needs 1025 distinct tiles; at most 1024 fit the map (tile base 0)."},
    {"TooManyTilesFromBase", [] { return testing::DistinctTiles(1000, 40, 4); },
     [](TileOptions& o) {
       o.map = true;
       o.tileBase = 25;
     },
     RefusalKind::Picture, "The picture needs 1000 distinct tiles; at most 999 fit the map (tile base 25)."},
    {"PaddingTileBeyondLimit", [] { return testing::DistinctTiles(1024, 32, 4); },
     [](TileOptions& o) {
       o.map = true;
       o.blankTile = true;
     },
     RefusalKind::Picture, "The picture needs 1025 distinct tiles; at most 1024 fit the map (tile base 0)."},
    {"PalettePastLast",
     [] {
       return WithPixels(16, 8, {{0, 0, 0x31}, {9, 0, 0x51}});
     },
     [](TileOptions& o) {
       o.map = true;
       o.paletteBase = 3;
     },
     RefusalKind::Picture,
     "The tile at 8,0 uses sub-palette 5; with palette base 3 it would need palette 8, past the last (7)."},
    {"ScreensTooWide", [] { return BlankPicture(520, 8); },
     [](TileOptions& o) {
       o.map = true;
       o.screens = true;
     },
     RefusalKind::Picture, "The picture is 65 x 1 tiles; screens hold at most 64 x 64 tiles (512 x 512 pixels)."},
    {"ModeSevenTooLarge", [] { return BlankPicture(8, 1025); }, [](TileOptions& o) { o.mode7 = true; },
     RefusalKind::Picture, "The picture is 8 x 1025 pixels; mode 7 holds at most 1024 x 1024."},
    {"ModeSevenTooManyTiles", [] { return testing::DistinctTiles(256, 16, 8); }, [](TileOptions& o) { o.mode7 = true; },
     RefusalKind::Picture, "The picture needs 257 distinct tiles; mode 7 holds at most 256."},
    {"NotIndexed",
     [] {
       Picture picture = BlankPicture(8, 8);
       picture.indexed = false;
       return picture;
     },
     [](TileOptions&) {}, RefusalKind::Picture,
     "The picture has no colour table; tiles need a picture of colour indices."},
    {"DepthThree", [] { return BlankPicture(8, 8); }, [](TileOptions& o) { o.bpp = 3; }, RefusalKind::Usage,
     "The output depth must be 2, 4 or 8 bpp, not 3."},
    {"TileBaseRange", [] { return BlankPicture(8, 8); },
     [](TileOptions& o) {
       o.map = true;
       o.tileBase = 1024;
     },
     RefusalKind::Usage, "The tile base must lie in 0-1023, not 1024."},
    {"PaletteBaseAtEightBpp", [] { return BlankPicture(8, 8); },
     [](TileOptions& o) {
       o.map = true;
       o.bpp = 8;
       o.paletteBase = 1;
     },
     RefusalKind::Usage, "A palette base does not apply at 8 bpp: its map entries have no palette field."},
    {"ScreensWithoutMap", [] { return BlankPicture(8, 8); }, [](TileOptions& o) { o.screens = true; },
     RefusalKind::Usage, "The screen layout applies only to map output."},
    {"NoFlipsWithoutMap", [] { return BlankPicture(8, 8); }, [](TileOptions& o) { o.flips = false; },
     RefusalKind::Usage, "Turning flips off applies only to map output."},
    {"PriorityInModeSeven", [] { return BlankPicture(8, 8); },
     [](TileOptions& o) {
       o.mode7 = true;
       o.priority = true;
     },
     RefusalKind::Usage, "Priority does not apply in mode 7."},
    {"InterleaveWithoutModeSeven", [] { return BlankPicture(8, 8); }, [](TileOptions& o) { o.interleave = true; },
     RefusalKind::Usage, "Interleaving applies only to mode 7."},
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheProblem) {
  const RefusalCase& c = GetParam();
  TileOptions options;
  c.options(options);
  const EncodeResult result = EncodeForConsole(c.picture(), options);
  ASSERT_TRUE(std::holds_alternative<Refusal>(result));
  EXPECT_EQ(std::get<Refusal>(result).message, c.message);
  EXPECT_EQ(std::get<Refusal>(result).kind, c.kind);
}

// The tile a window marks: the one the text names, or the first cell past a
// tile limit; none where no cell is to blame.
TEST_P(RefusalTest, PointsAtTheTileItNames) {
  const std::map<std::string, TilePosition> kMarked = {
      {"IndexPastFourBpp", {0, 0}},           {"IndexPastTwoBpp", {8, 8}},
      {"MixedSubPalettes", {8, 0}},           {"SeveralSubPalettesWithoutMap", {16, 0}},
      {"TooManyTiles", {8 * 40, 8 * 24}},      // cell 1024 of 41 across
      {"TooManyTilesFromBase", {8 * 39, 8 * 24}},  // cell 999 of 40 across: tile 1024 after the base
      {"PaddingTileBeyondLimit", {8 * 31, 8 * 31}},  // the blank tile comes first
      {"PalettePastLast", {8, 0}},
  };
  const RefusalCase& c = GetParam();
  TileOptions options;
  c.options(options);
  const EncodeResult result = EncodeForConsole(c.picture(), options);
  ASSERT_TRUE(std::holds_alternative<Refusal>(result));
  const auto marked = kMarked.find(c.name);
  // Mode 7's 257th tile is the padding's blank one, which no cell shows.
  EXPECT_EQ(std::get<Refusal>(result).tile,
            marked == kMarked.end() ? std::nullopt : std::optional<TilePosition>(marked->second));
}

INSTANTIATE_TEST_SUITE_P(Encoders, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace tilora
