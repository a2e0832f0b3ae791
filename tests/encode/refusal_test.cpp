// Every refusal of the console encoders, with its exact text.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "snes/encoders/console_encoding.h"
#include "convert/convert.h"
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
  std::function<void(testing::EncodingOptions&)> options;
  FailureKind kind;
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
     [](testing::EncodingOptions&) {}, FailureKind::Picture,
     "The tile at 0,0 uses colour 128; at 4 bpp only colours 0-127 fit (8 sub-palettes of 16)."},
    {"IndexPastTwoBpp",
     [] {
       return WithPixels(24, 16, {{10, 12, 32}});
     },
     [](testing::EncodingOptions& o) { o.bpp = 2; }, FailureKind::Picture,
     "The tile at 8,8 uses colour 32; at 2 bpp only colours 0-31 fit (8 sub-palettes of 4)."},
    {"MixedSubPalettes",
     [] {
       return WithPixels(16, 8, {{9, 0, 3}, {10, 5, 17}, {11, 5, 32}});
     },
     [](testing::EncodingOptions& o) { o.map = true; }, FailureKind::Picture,
     "The tile at 8,0 mixes sub-palettes 0 and 1; a tile's colours must come from one sub-palette (colour 0 of any "
     "fits)."},
    {"SeveralSubPalettesWithoutMap",
     [] {
       return WithPixels(24, 8, {{0, 0, 1}, {8, 0, 16}, {16, 0, 33}});
     },
     [](testing::EncodingOptions&) {}, FailureKind::Picture,
     "The picture uses sub-palettes 0 and 2 (tiles at 0,0 and 16,0); without a map the sub-palette of each tile "
     "would be lost."},
    {"TooManyTiles", [] { return testing::DistinctTiles(1025, 41, 4); }, [](testing::EncodingOptions& o) { o.map = true; },
     FailureKind::Picture, "The picture needs 1025 distinct tiles; at most 1024 fit the map (tile base 0)."},
    {"TooManyTilesFromBase", [] { return testing::DistinctTiles(1000, 40, 4); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.tileBase = 25;
     },
     FailureKind::Picture, "The picture needs 1000 distinct tiles; at most 999 fit the map (tile base 25)."},
    {"PaddingTileBeyondLimit", [] { return testing::DistinctTiles(1024, 32, 4); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.blankTile = true;
     },
     FailureKind::Picture, "The picture needs 1025 distinct tiles; at most 1024 fit the map (tile base 0)."},
    {"PalettePastLast",
     [] {
       return WithPixels(16, 8, {{0, 0, 0x31}, {9, 0, 0x51}});
     },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.paletteBase = 3;
     },
     FailureKind::Picture,
     "The tile at 8,0 uses sub-palette 5; with palette base 3 it would need palette 8, past the last (7)."},
    {"ScreensTooWide", [] { return BlankPicture(520, 8); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.screens = true;
     },
     FailureKind::Picture, "The picture is 65 x 1 tiles; screens hold at most 64 x 64 tiles (512 x 512 pixels)."},
    // The block's second cell turns to sub-palette 1; each 8x8 tile is whole.
    {"BlockMixesSubPalettes",
     [] {
       return WithPixels(32, 16, {{1, 1, 2}, {17, 1, 3}, {26, 12, 18}});
     },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.tileSize = 16;
     },
     FailureKind::Picture,
     "The 16x16 tile at 16,0 mixes sub-palettes 0 and 1; its four 8x8 tiles share one map entry, so their colours "
     "must come from one sub-palette (colour 0 of any fits)."},
    {"BlockCellMixesSubPalettes",
     [] {
       return WithPixels(20, 20, {{3, 17, 35}, {4, 17, 20}});
     },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.tileSize = 16;
     },
     FailureKind::Picture,
     "The 16x16 tile at 0,16 mixes sub-palettes 2 and 1; its four 8x8 tiles share one map entry, so their colours "
     "must come from one sub-palette (colour 0 of any fits)."},
    // 272 blocks take 1088 tile numbers; block 256 is the first past them.
    {"TooManyBlockTiles", [] { return testing::DistinctTiles(32 * 34, 32, 4); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.tileSize = 16;
     },
     FailureKind::Picture,
     "The picture needs 272 distinct 16x16 tiles, laid out in 1088 tiles; at most 1024 fit the map (tile base 0)."},
    // One block: 18 tile numbers from 1007 reach 1024.
    {"BlockPastTheLastTileNumber", [] { return WithPixels(16, 16, {{0, 0, 1}}); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.tileSize = 16;
       o.tileBase = 1007;
     },
     FailureKind::Picture,
     "The picture needs 1 distinct 16x16 tiles, laid out in 18 tiles; at most 17 fit the map (tile base 1007)."},
    {"BlockPalettePastLast", [] { return WithPixels(32, 16, {{20, 9, 0x61}}); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.tileSize = 16;
       o.paletteBase = 2;
     },
     FailureKind::Picture,
     "The 16x16 tile at 16,0 uses sub-palette 6; with palette base 2 it would need palette 8, past the last (7)."},
    {"BlockScreensTooWide", [] { return BlankPicture(1040, 16); },
     [](testing::EncodingOptions& o) {
       o.map = true;
       o.screens = true;
       o.tileSize = 16;
     },
     FailureKind::Picture,
     "The picture is 65 x 1 16x16 tiles; screens hold at most 64 x 64 16x16 tiles (1024 x 1024 pixels)."},
    {"ModeSevenTooLarge", [] { return BlankPicture(8, 1025); }, [](testing::EncodingOptions& o) { o.mode7 = true; },
     FailureKind::Picture, "The picture is 8 x 1025 pixels; mode 7 holds at most 1024 x 1024."},
    {"ModeSevenTooManyTiles", [] { return testing::DistinctTiles(256, 16, 8); }, [](testing::EncodingOptions& o) { o.mode7 = true; },
     FailureKind::Picture, "The picture needs 257 distinct tiles; mode 7 holds at most 256."},
    {"NotIndexed",
     [] {
       Picture picture = BlankPicture(8, 8);
       picture.indexed = false;
       return picture;
     },
     [](testing::EncodingOptions&) {}, FailureKind::Picture,
     "The picture has no colour table; tiles need a picture of colour indices."},
    {"DepthThree", [] { return BlankPicture(8, 8); }, [](testing::EncodingOptions& o) { o.bpp = 3; }, FailureKind::Usage,
     "The output depth must be 2, 4 or 8 bpp, not 3."},
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheProblem) {
  const RefusalCase& c = GetParam();
  testing::EncodingOptions options;
  c.options(options);
  const EncodeResult result = testing::Encode(c.picture(), options);
  ASSERT_TRUE(std::holds_alternative<Failure>(result));
  EXPECT_EQ(std::get<Failure>(result).message, c.message);
  EXPECT_EQ(std::get<Failure>(result).kind, c.kind);
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
      {"BlockMixesSubPalettes", {16, 0}},
      {"BlockCellMixesSubPalettes", {0, 16}},
      {"TooManyBlockTiles", {0, 16 * 16}},  // block 256 of 16 across
      {"BlockPastTheLastTileNumber", {0, 0}},
      {"BlockPalettePastLast", {16, 0}},
  };
  const RefusalCase& c = GetParam();
  testing::EncodingOptions options;
  c.options(options);
  const EncodeResult result = testing::Encode(c.picture(), options);
  ASSERT_TRUE(std::holds_alternative<Failure>(result));
  const auto marked = kMarked.find(c.name);
  // Mode 7's 257th tile is the padding's blank one, which no cell shows.
  EXPECT_EQ(std::get<Failure>(result).tile,
            marked == kMarked.end() ? std::nullopt : std::optional<TilePosition>(marked->second));
}

INSTANTIATE_TEST_SUITE_P(Encoders, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& param) {
                           return std::string(param.param.name);
                         });

// Settings that contradict one another are refused before any work, in the
// converter's words, whoever made them.
TEST(SettingsTest, ContradictionsAreUsageFailures) {
  const struct {
    const char* name;
    std::function<void(ConversionSettings&)> set;
    const char* message;
  } cases[] = {
      {"tile base range", [](ConversionSettings& s) { s.tiles.map = true; s.tiles.tileBase = 1024; },
       "--tile-base takes a whole number from 0 to 1023, not '1024'"},
      {"palette base at 8 bpp", [](ConversionSettings& s) { s.tiles.map = true; s.bpp = 8; s.tiles.paletteBase = 1; },
       "--palette-base does not apply at 8 bits per pixel"},
      {"screens without map", [](ConversionSettings& s) { s.tiles.screens = true; }, "--screens needs --map"},
      {"no flips without map", [](ConversionSettings& s) { s.tiles.flips = false; }, "--no-flip needs --map"},
      {"priority in mode 7", [](ConversionSettings& s) { s.tiles.mode7 = true; s.tiles.priority = true; },
       "--mode7 has its own fixed map; --tile-base, --palette-base, --priority, --screens and --blank-tile do not "
       "apply"},
      {"interleave without mode 7", [](ConversionSettings& s) { s.tiles.interleave = true; }, "--interleave needs --mode7"},
      {"depth three", [](ConversionSettings& s) { s.bpp = 3; }, "--bpp takes 2, 4 or 8, not '3'"},
      {"16x16 tiles without map", [](ConversionSettings& s) { s.tiles.tileSize = 16; }, "--tile-size 16 needs --map"},
      {"16x16 tiles in mode 7", [](ConversionSettings& s) { s.tiles.mode7 = true; s.tiles.tileSize = 16; },
       "--mode7 tiles are 8x8; --tile-size 16 does not apply"},
      {"tile size twelve", [](ConversionSettings& s) { s.tiles.map = true; s.tiles.tileSize = 12; },
       "--tile-size takes 8 or 16, not '12'"},
      {"swatches without sub-palettes", [](ConversionSettings& s) { s.palettePng = "p.png"; },
       "--palette-png needs --palettes"},
  };
  for (const auto& c : cases) {
    ConversionSettings settings;
    c.set(settings);
    const Result<Conversion> result = Convert(BlankPicture(8, 8), settings);
    ASSERT_FALSE(result) << c.name;
    EXPECT_EQ(result.Error().kind, FailureKind::Usage) << c.name;
    EXPECT_EQ(result.Error().message, c.message) << c.name;
  }
}

}  // namespace
}  // namespace tilora
