// Sheets through the whole sprite conversion, which rebuilds every frame
// from its objects, tiles and sub-palettes and compares it with the sheet.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "snes/sprites/sprite_sheet.h"
#include "sprite_pictures.h"
#include "test_pictures.h"

namespace tilora::sprites {
namespace {

using testing::Characters;

struct RoundTrip {
  const char* name;
  std::function<Picture()> sheet;
  SpriteSettings settings;
  int frames;       // in the tables
  int subPalettes;  // or, when negative, at most -subPalettes
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

SpriteSettings Frames(int width, int height, ObjectSizes sizes = {8, 16}, int originX = 0, int originY = 0) {
  SpriteSettings s;
  s.frameWidth = width;
  s.frameHeight = height;
  s.sizes = sizes;
  s.originX = originX;
  s.originY = originY;
  return s;
}

SpriteSettings Truecolour(SpriteSettings s, int palettes) {
  s.palettes = palettes;
  return s;
}

SpriteSettings DropEmpty(SpriteSettings s) {
  s.dropEmpty = true;
  return s;
}

const RoundTrip kRoundTrips[] = {
    {"Walk32", [] { return testing::CharacterSheet({}); }, Frames(32, 32, {8, 16}, 16, 31), 4, 3},
    {"Walk16x24", [] { return testing::CharacterSheet({16, 24, 4, 2, true, true, 3}); },
     Frames(16, 24, {8, 16}, 8, 23), 8, 3},
    {"Walk32Sizes8And32", [] { return testing::CharacterSheet({32, 32, 4, 2, true, false, 5}); },
     Frames(32, 32, {8, 32}), 8, 3},
    {"Walk32Sizes16And32", [] { return testing::CharacterSheet({32, 32, 4, 1, true, true, 6}); },
     Frames(32, 32, {16, 32}, 31, 0), 4, 3},
    {"Walk64Sizes32And64", [] { return testing::CharacterSheet({64, 64, 2, 2, true, false, 7}); },
     Frames(64, 64, {32, 64}, 32, 63), 4, 3},
    {"Walk48Sizes16And64", [] { return testing::CharacterSheet({48, 48, 3, 1, false, false, 8}); },
     Frames(48, 48, {16, 64}), 3, 3},
    {"Walk32Truecolour", [] { return testing::AsTruecolour(testing::CharacterSheet({})); },
     Truecolour(Frames(32, 32, {8, 16}, 16, 31), 3), 4, 1},
    {"Walk16x24Truecolour", [] { return testing::AsTruecolour(testing::CharacterSheet({16, 24, 4, 2, true, true, 9})); },
     Truecolour(Frames(16, 24), 8), 8, 1},
    // 64 colours in one 8 x 8 square: objects must draw less than they
    // could, to keep within 15 colours each.
    {"TruecolourSquareOfManyColours",
     [] {
       Picture p = testing::AsTruecolour(testing::CharacterSheet({}));
       for (int i = 0; i < 64; ++i)
         p.colours[static_cast<std::size_t>((10 + i / 8) * p.width + 40 + i % 8)] = {
             static_cast<std::uint8_t>(i % 8 * 32), static_cast<std::uint8_t>(i / 8 * 32), 80, 255};
       return p;
     },
     Truecolour(Frames(32, 32), 8), 4, 8},
    // Cells whose colours pack as a background's would: the objects'
    // colours do not, so each pixel keeps to its cell's sub-palette.
    {"TruecolourCellsOfFourRamps", [] { return testing::CellsOfRamps(128, 64, 4, 6, 14); },
     Truecolour(Frames(64, 64), 4), 2, -4},
    // An indexed sheet given sub-palettes to make is read as truecolour,
    // colour 0 transparent and 16, 32 and 48 colours like any other.
    {"IndexedReadAsTruecolour",
     [] {
       Picture p = testing::CharacterSheet({32, 32, 4, 1, true, false, 15});
       for (std::int32_t x = 40; x < 56; ++x) p.indices[static_cast<std::size_t>(30 * p.width + x)] = 16;
       return p;
     },
     Truecolour(Frames(32, 32), 2), 4, 1},
    {"KnownObjects", [] { return testing::KnownObjectSheet(32, 4, 4, {8, 16}, 5, 3, 11).sheet; }, Frames(32, 32),
     16, 3},
    {"KnownObjectsSizes8And64",
     [] { return testing::KnownObjectSheet(128, 2, 1, {8, 64}, 6, 2, 12).sheet; }, Frames(128, 128, {8, 64}), 2, 2},
    {"EmptyFramesKept",
     [] {
       Picture p = testing::CharacterSheet({32, 32, 3, 2, false, false, 13});
       for (std::int32_t y = 0; y < 32; ++y)
         for (std::int32_t x = 32; x < 64; ++x) p.indices[static_cast<std::size_t>(y * p.width + x)] = 48;
       return p;
     },
     Frames(32, 32), 6, 3},
    {"EmptyFramesDropped",
     [] {
       Picture p = testing::CharacterSheet({32, 32, 3, 2, false, false, 13});
       for (std::int32_t y = 0; y < 32; ++y)
         for (std::int32_t x = 32; x < 64; ++x) p.indices[static_cast<std::size_t>(y * p.width + x)] = 0;
       return p;
     },
     DropEmpty(Frames(32, 32)), 5, 3},
};

class SpriteRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SpriteRoundTrip, EveryFrameRebuildsFromItsObjects) {
  const RoundTrip& c = GetParam();
  const Picture sheet = c.sheet();
  const SpriteResult result = ConvertSprites(sheet, c.settings);
  ASSERT_TRUE(std::holds_alternative<SpriteSheet>(result)) << std::get<Failure>(result).message;
  const SpriteSheet& sprites = std::get<SpriteSheet>(result);
  EXPECT_EQ(static_cast<int>(sprites.frames.size()), c.frames);
  if (c.subPalettes > 0) {
    EXPECT_EQ(sprites.subPalettes, c.subPalettes);
  } else {
    EXPECT_LE(sprites.subPalettes, -c.subPalettes);
  }
  EXPECT_EQ(sprites.palette.size(), static_cast<std::size_t>(32 * sprites.subPalettes));
  EXPECT_LE(sprites.tileCount, kTableTiles);
  EXPECT_LE(sprites.tiles.size(), static_cast<std::size_t>(kTileBytes * kTableTiles));
  for (const SpriteFrame& frame : sprites.frames) {
    EXPECT_EQ(frame.figures.objects, static_cast<int>(frame.objects.size()));
    if (c.settings.dropEmpty) {
      EXPECT_FALSE(frame.objects.empty()) << "frame " << frame.number;
    }
  }
  EXPECT_EQ(CheckSprites(sheet, c.settings, sprites), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Sheets, SpriteRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tilora::sprites

namespace tilora::sprites {
namespace {

SpriteSheet Converted(const Picture& sheet, const SpriteSettings& settings) {
  SpriteResult result = ConvertSprites(sheet, settings);
  if (auto* refusal = std::get_if<Failure>(&result)) ADD_FAILURE() << refusal->message;
  return std::get<SpriteSheet>(std::move(result));
}

// The second half of the walk is the first mirrored: it adds no tiles, and
// each of its objects is the first half's, mirrored about the origin.
TEST(SpriteTiles, MirroredFramesShareTiles) {
  const SpriteSettings settings = Frames(32, 32, {8, 16}, 16, 31);
  const SpriteSheet both = Converted(testing::CharacterSheet({32, 32, 4, 1, true, false, 1}), settings);
  const SpriteSheet half = Converted(testing::CharacterSheet({32, 32, 2, 1, false, false, 1}), settings);
  EXPECT_EQ(both.tileCount, half.tileCount);
  EXPECT_EQ(both.tiles, half.tiles);
  for (std::size_t f = 0; f < 2; ++f) {
    const auto& shown = both.frames[f].objects;
    const auto& mirrored = both.frames[f + 2].objects;
    ASSERT_EQ(shown.size(), mirrored.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const int size = shown[i].large ? 16 : 8;
      SpriteObject expected = shown[i];
      expected.x = static_cast<std::int16_t>(32 - 2 * settings.originX - shown[i].x - size);
      expected.hflip = !shown[i].hflip;
      EXPECT_EQ(mirrored[i], expected) << "object " << i << " of frame " << f;
    }
  }
}

// A small piece that a large block shows already, flipped, anywhere in it,
// takes its tiles from the block.
TEST(SpriteTiles, SmallPiecesTakeTilesOfLargeBlocks) {
  struct Case {
    ObjectSizes sizes;
    int part;  // tiles from the block's top-left to the small piece's, down and across
    bool hflip, vflip;
  };
  const Case cases[] = {{{8, 16}, 0, true, false}, {{8, 16}, 1, false, true}, {{16, 32}, 1, false, true},
                        {{8, 32}, 3, true, true}, {{32, 64}, 2, true, false}};
  for (const Case& c : cases) {
    const int large = c.sizes.large;
    const int small = c.sizes.small;
    // Frame 0: a large square of random colours, so that no part of it
    // is like another; frame 1: part of it, flipped.
    std::mt19937 random(static_cast<std::uint32_t>(large + c.part));
    Picture sheet = testing::BlankPicture(2 * large, large);
    for (int y = 0; y < large; ++y)
      for (int x = 0; x < large; ++x) testing::SetPixel(sheet, x, y, static_cast<std::uint8_t>(1 + random() % 15));
    const int from = 8 * c.part;
    for (int y = 0; y < small; ++y)
      for (int x = 0; x < small; ++x)
        testing::SetPixel(sheet, large + (c.hflip ? small - 1 - x : x), c.vflip ? small - 1 - y : y,
                          sheet.IndexAt(from + x, from + y));
    const SpriteSheet sprites = Converted(sheet, Frames(large, large, c.sizes));
    ASSERT_EQ(sprites.frames.size(), 2u);
    ASSERT_EQ(sprites.frames[0].objects.size(), 1u);
    ASSERT_EQ(sprites.frames[1].objects.size(), 1u);
    const SpriteObject& block = sprites.frames[0].objects[0];
    const SpriteObject& piece = sprites.frames[1].objects[0];
    EXPECT_EQ(sprites.tileCount, large * large / 64) << large;
    EXPECT_EQ(piece.tile, block.tile + 17 * c.part) << large;
    EXPECT_EQ(piece.hflip, c.hflip != block.hflip) << large;
    EXPECT_EQ(piece.vflip, c.vflip != block.vflip) << large;
  }
}

}  // namespace
}  // namespace tilora::sprites
