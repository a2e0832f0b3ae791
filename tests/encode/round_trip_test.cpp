// Generated pictures through the encoders and back through the naive
// decoder: every pixel, the tile count, the numbering and the flips.

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "console_decoder.h"
#include "snes/encoders/console_encoding.h"
#include "test_pictures.h"
#include "convert/encode_for_console.h"

namespace tilora {
namespace {

using testing::Generation;
using Shape = std::array<std::uint8_t, 64>;

testing::TiledImage ImageOf(const EncodedOutputs& out, const testing::EncodingOptions& o, const Picture& picture) {
  if (o.mode7 && o.interleave) return testing::SplitVram(out.vram);
  testing::TiledImage image{out.tiles, out.map,  o.mode7 ? 8 : o.bpp, o.mode7,    0,
                            o.screens, o.tileBase, o.paletteBase,      o.tileSize};
  image.columns = out.map.empty() ? (picture.width + 7) / 8 : out.mapColumns;
  return image;
}

int ColourBits(const testing::EncodingOptions& o) { return o.mode7 ? 8 : o.bpp; }

Shape CellShape(const Picture& picture, int cx, int cy, int bits, int flips = 0) {
  Shape shape{};
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      const int x = 8 * cx + ((flips & 1) ? 7 - c : c);
      const int y = 8 * cy + ((flips & 2) ? 7 - r : r);
      if (x < picture.width && y < picture.height)
        shape[static_cast<std::size_t>(8 * r + c)] = static_cast<std::uint8_t>(picture.IndexAt(x, y) % (1 << bits));
    }
  }
  return shape;
}

// The tiles the outputs must hold, counted the slow way.
std::size_t ExpectedTiles(const Picture& picture, const testing::EncodingOptions& o, int mapColumns, int mapRows) {
  const int across = (picture.width + 7) / 8;
  const int down = (picture.height + 7) / 8;
  std::set<Shape> shapes;
  for (int cy = 0; cy < down; ++cy) {
    for (int cx = 0; cx < across; ++cx) {
      Shape shape = CellShape(picture, cx, cy, ColourBits(o));
      for (int f = 1; f < 4 && o.flips && !o.mode7; ++f)
        shape = std::min(shape, CellShape(picture, cx, cy, ColourBits(o), f));
      shapes.insert(shape);
    }
  }
  if (o.blankTile || across * down < mapColumns * mapRows) shapes.insert(Shape{});
  return shapes.size();
}

void ExpectEveryPixel(const Picture& picture, const EncodedOutputs& out, const testing::EncodingOptions& o,
                      const testing::TiledImage& image) {
  const int bits = ColourBits(o);
  const int plainBlock = static_cast<int>(out.palette.size() >> (bits + 1)) - 1;
  const int rows = out.map.empty() ? (picture.height + 7) / 8 : out.mapRows;
  const int size = out.map.empty() ? 8 : image.tileSize;
  for (int y = 0; y < size * rows; ++y) {
    for (int x = 0; x < size * image.columns; ++x) {
      const int index = x < picture.width && y < picture.height ? picture.IndexAt(x, y) : 0;
      const testing::ShownPixel shown = testing::ShownAt(image, x, y);
      const int block = bits == 8 ? 0 : index >> bits;
      const int palette = out.map.empty() ? plainBlock : shown.palette;
      const bool same = shown.colour == index % (1 << bits) && (shown.colour == 0 || palette == block);
      ASSERT_TRUE(same) << "pixel " << x << "," << y << ": index " << index << ", shown colour " << shown.colour
                        << " of palette " << palette;
      if (!out.map.empty() && !o.mode7) {
        ASSERT_EQ(shown.priority, o.priority);
      }
    }
  }
}

// Tiles first used in reading order are numbered in that order, and a cell
// shows its tile with the first flip that fits: none, then H, V, both.
void ExpectNumberingAndFlips(const Picture& picture, const testing::EncodingOptions& o, const testing::TiledImage& image) {
  int next = o.blankTile ? 1 : 0;
  for (int cy = 0; 8 * cy < picture.height; ++cy) {
    for (int cx = 0; 8 * cx < picture.width; ++cx) {
      const testing::ShownPixel shown = testing::ShownAt(image, 8 * cx, 8 * cy);
      if (shown.tile == next) ++next;
      ASSERT_LT(shown.tile, next) << "cell " << cx << "," << cy;
      ASSERT_TRUE(o.flips || shown.flips == 0);
      const Shape cell = CellShape(picture, cx, cy, ColourBits(o));
      for (int f = 0; f < shown.flips; ++f) {
        Shape flipped{};
        for (int p = 0; p < 64; ++p)
          flipped[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(
              testing::TileColour(image, shown.tile, (f & 1) ? 7 - p % 8 : p % 8, (f & 2) ? 7 - p / 8 : p / 8));
        ASSERT_NE(flipped, cell) << "cell " << cx << "," << cy << " takes flip " << shown.flips << " over " << f;
      }
    }
  }
}

using BlockShape = std::array<Shape, 4>;

// The 16 x 16 block at (bx, by) as its four cells, flipped as a whole.
BlockShape BlockOf(const Picture& picture, int bx, int by, int bits, int flips) {
  BlockShape block;
  for (int i = 0; i < 4; ++i) {
    const int from = i ^ flips;
    block[static_cast<std::size_t>(i)] = CellShape(picture, 2 * bx + (from & 1), 2 * by + (from >> 1), bits, flips);
  }
  return block;
}

// Distinct blocks, counted the slow way, with the blank one the padding or
// --blank-tile adds.
std::size_t ExpectedBlocks(const Picture& picture, const testing::EncodingOptions& o, int mapColumns, int mapRows) {
  const int across = (picture.width + 15) / 16;
  const int down = (picture.height + 15) / 16;
  std::set<BlockShape> blocks;
  for (int by = 0; by < down; ++by) {
    for (int bx = 0; bx < across; ++bx) {
      BlockShape block = BlockOf(picture, bx, by, o.bpp, 0);
      for (int f = 1; f < 4 && o.flips; ++f) block = std::min(block, BlockOf(picture, bx, by, o.bpp, f));
      blocks.insert(block);
    }
  }
  if (o.blankTile || across * down < mapColumns * mapRows) blocks.insert(BlockShape{});
  return blocks.size();
}

// Blocks go two tiles apart along rows of 16, eight to a pair of rows, in
// order of first use.
void ExpectBlockNumbering(const Picture& picture, const testing::EncodingOptions& o, const testing::TiledImage& image) {
  int next = o.blankTile ? 1 : 0;
  for (int by = 0; 16 * by < picture.height; ++by) {
    for (int bx = 0; 16 * bx < picture.width; ++bx) {
      const int first = static_cast<int>(testing::MapEntry(image, bx, by) % 1024) - o.tileBase;
      const int block = first / 32 * 8 + first % 32 / 2;
      ASSERT_EQ(first, 32 * (block / 8) + 2 * (block % 8)) << "block " << bx << "," << by;
      if (block == next) ++next;
      ASSERT_LT(block, next) << "block " << bx << "," << by;
    }
  }
}

struct RoundTrip {
  const char* name;
  Generation picture;
  testing::EncodingOptions options;
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTripTest, DecodesToThePicture) {
  const RoundTrip& c = GetParam();
  const Picture picture = testing::Generated(c.picture);
  const EncodeResult result = testing::Encode(picture, c.options);
  const auto* refusal = std::get_if<Failure>(&result);
  ASSERT_EQ(refusal, nullptr) << refusal->message;
  const auto& out = std::get<EncodedOutputs>(result);
  const testing::TiledImage image = ImageOf(out, c.options, picture);
  ExpectEveryPixel(picture, out, c.options, image);
  const int tileBytes = c.options.mode7 ? 64 : 8 * c.options.bpp;
  EXPECT_EQ(out.tiles.size(), static_cast<std::size_t>(out.tileCount * tileBytes));
  if (c.options.tileSize == 16) {
    const std::size_t blocks = ExpectedBlocks(picture, c.options, out.mapColumns, out.mapRows);
    const std::size_t laidOut = 32 * ((blocks - 1) / 8) + 2 * ((blocks - 1) % 8) + 18;
    EXPECT_EQ(static_cast<std::size_t>(out.tileCount), laidOut);
    EXPECT_EQ(static_cast<std::size_t>(out.unusedTiles), laidOut - 4 * blocks);
    ExpectBlockNumbering(picture, c.options, image);
  } else if (c.options.map || c.options.mode7) {
    EXPECT_EQ(static_cast<std::size_t>(out.tileCount), ExpectedTiles(picture, c.options, out.mapColumns, out.mapRows));
    ExpectNumberingAndFlips(picture, c.options, image);
  }
}

testing::EncodingOptions Map(int bpp) {
  testing::EncodingOptions o;
  o.bpp = bpp;
  o.map = true;
  return o;
}

testing::EncodingOptions With(testing::EncodingOptions o, void (*change)(testing::EncodingOptions&)) {
  change(o);
  return o;
}

const RoundTrip kRoundTrips[] = {
    {"Map4OneBlockOddSize", {37, 21, 4, {0}, 12, 25, true, 1}, Map(4)},
    {"Map4ThreeBlocks", {61, 45, 4, {0, 3, 7}, 10, 40, true, 2}, Map(4)},
    {"Map2ThreeBlocks", {50, 30, 2, {1, 2, 5}, 8, 40, false, 3}, Map(2)},
    {"Map8", {45, 33, 8, {0}, 9, 30, true, 4}, Map(8)},
    {"Map4NoFlips", {64, 48, 4, {0, 1}, 6, 50, true, 5}, With(Map(4), [](testing::EncodingOptions& o) { o.flips = false; })},
    {"Map4Bases",
     {40, 40, 4, {0, 2, 5}, 6, 30, true, 6},
     With(Map(4),
          [](testing::EncodingOptions& o) {
            o.tileBase = 1000;
            o.paletteBase = 2;
            o.priority = true;
          })},
    {"Map4BlankTileScreens",
     {300, 200, 4, {1}, 20, 25, false, 7},
     With(Map(4),
          [](testing::EncodingOptions& o) {
            o.blankTile = true;
            o.screens = true;
          })},
    {"Map2TallScreens", {100, 300, 2, {0, 6}, 20, 25, true, 8}, With(Map(2), [](testing::EncodingOptions& o) { o.screens = true; })},
    {"Map8Screens", {256, 256, 8, {0}, 30, 25, true, 9}, With(Map(8), [](testing::EncodingOptions& o) { o.screens = true; })},
    {"Blocks4ThreeSubPalettes", {93, 61, 4, {0, 3, 7}, 10, 40, true, 15, false, 16},
     With(Map(4), [](testing::EncodingOptions& o) { o.tileSize = 16; })},
    {"Blocks2NoFlipsBases",
     {64, 48, 2, {1, 2}, 6, 50, true, 16, false, 16},
     With(Map(2),
          [](testing::EncodingOptions& o) {
            o.tileSize = 16;
            o.flips = false;
            o.tileBase = 931;
            o.paletteBase = 5;
            o.priority = true;
          })},
    {"Blocks8ScreensBlankTile",
     {530, 270, 8, {0}, 20, 25, false, 17, false, 16},
     With(Map(8),
          [](testing::EncodingOptions& o) {
            o.tileSize = 16;
            o.screens = true;
            o.blankTile = true;
          })},
    {"Plain4OneBlock", {27, 19, 4, {2}, 30, 0, true, 10}, With(Map(4), [](testing::EncodingOptions& o) { o.map = false; })},
    {"Plain2OneBlock", {20, 12, 2, {0}, 30, 0, true, 11}, With(Map(2), [](testing::EncodingOptions& o) { o.map = false; })},
    {"Plain8", {33, 17, 8, {0}, 30, 0, true, 12}, With(Map(8), [](testing::EncodingOptions& o) { o.map = false; })},
    {"Mode7", {100, 70, 8, {0}, 40, 25, false, 13}, With(Map(8), [](testing::EncodingOptions& o) { o.mode7 = true; })},
    {"Mode7InterleavedWhole",
     {1024, 1024, 8, {0}, 200, 0, true, 14},
     With(Map(8),
          [](testing::EncodingOptions& o) {
            o.mode7 = true;
            o.interleave = true;
          })},
};

INSTANTIATE_TEST_SUITE_P(Encoders, RoundTripTest, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& param) {
                           return std::string(param.param.name);
                         });

// The largest tile counts that fit, each with the one tile more refused.
struct Limit {
  const char* name;
  Picture picture;
  testing::EncodingOptions options;
  int tiles;
};

TEST(TileLimitsTest, TheLastTileThatFitsIsAccepted) {
  const Limit limits[] = {
      {"1024 tiles", testing::DistinctTiles(1024, 32, 4), Map(4), 1024},
      {"1000 tiles from base 24", testing::DistinctTiles(1000, 40, 2),
       With(Map(2), [](testing::EncodingOptions& o) { o.tileBase = 24; }), 1000},
      {"1023 and the blank tile", testing::DistinctTiles(1023, 31, 4),
       With(Map(4), [](testing::EncodingOptions& o) { o.blankTile = true; }), 1024},
      {"256 blocks of 16x16 tiles", testing::DistinctTiles(1024, 32, 4),
       With(Map(4), [](testing::EncodingOptions& o) { o.tileSize = 16; }), 1024},
      {"255 and the padding tile", testing::DistinctTiles(255, 16, 8),
       With(Map(8), [](testing::EncodingOptions& o) { o.mode7 = true; }), 256},
  };
  for (const Limit& limit : limits) {
    const EncodeResult result = testing::Encode(limit.picture, limit.options);
    ASSERT_TRUE(std::holds_alternative<EncodedOutputs>(result))
        << limit.name << ": " << std::get<Failure>(result).message;
    EXPECT_EQ(std::get<EncodedOutputs>(result).tileCount, limit.tiles) << limit.name;
  }
}

}  // namespace
}  // namespace tilora
