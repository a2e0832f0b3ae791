// How frames are covered with objects: the fewest on hand-worked frames,
// never more than a frame was drawn with, and the figures of busy lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "snes/sprites/frame_cover.h"
#include "snes/sprites/sprite_sheet.h"
#include "sprite_pictures.h"
#include "test_pictures.h"

namespace tilora::sprites {
namespace {

struct Rect {
  int x, y, w, h, block;
};

struct CoverCase {
  const char* name;
  int width, height;
  ObjectSizes sizes;
  std::vector<Rect> rects;  // filled with colour 1 + (x + y) % 15 of their block
  int objects;              // the fewest there are
  int large;                // of them, where the fewest large ones are plain; -1 where not
};

void PrintTo(const CoverCase& c, std::ostream* os) { *os << c.name; }

const CoverCase kCases[] = {
    {"OnePixel", 32, 32, {8, 16}, {{31, 31, 1, 1, 0}}, 1, 0},
    {"SquareOffTheGrid", 32, 32, {8, 16}, {{3, 5, 16, 16, 0}}, 1, 1},
    {"SmallSquareAcrossFourCells", 32, 32, {8, 16}, {{5, 3, 8, 8, 2}}, 1, 0},
    {"Bar24x8", 32, 32, {8, 16}, {{5, 3, 24, 8, 0}}, 2, 1},
    {"Solid", 32, 32, {8, 16}, {{0, 0, 32, 32, 0}}, 4, 4},
    {"SolidOddSize", 24, 24, {8, 16}, {{0, 0, 24, 24, 0}}, 4, -1},
    {"TwoSubPalettesInOneCell", 8, 8, {8, 16}, {{0, 0, 4, 8, 0}, {4, 0, 4, 8, 1}}, 2, 0},
    // Sixteen apart: no object of 16 reaches two of them.
    {"DiagonalSixteenApart", 48, 48, {8, 16}, {{0, 0, 1, 1, 0}, {16, 16, 1, 1, 0}, {32, 32, 1, 1, 0}}, 3, 0},
    {"DiagonalFifteenApart", 48, 48, {8, 16}, {{0, 0, 1, 1, 0}, {15, 15, 1, 1, 0}}, 1, 1},
    {"LShape", 32, 32, {8, 16}, {{0, 0, 16, 8, 0}, {0, 8, 8, 16, 0}}, 2, 1},
    // A ring: the search must not leave its hole to several small objects.
    {"Ring", 32, 32, {8, 16}, {{4, 4, 20, 2, 0}, {4, 22, 20, 2, 0}, {4, 6, 2, 16, 0}, {22, 6, 2, 16, 0}}, 4, -1},
    {"Sizes8And32Solid", 40, 40, {8, 32}, {{1, 1, 32, 32, 0}}, 1, 1},
    {"Sizes16And32Pixel", 40, 40, {16, 32}, {{39, 0, 1, 1, 0}}, 1, 0},
    // A bar wider than a large object, and one taller than a small one.
    {"Sizes32And64Bars", 128, 128, {32, 64}, {{10, 10, 70, 3, 0}, {10, 60, 3, 50, 1}}, 3, 2},
    // Two large objects overlapping in the middle of a cross.
    {"Sizes8And64Cross", 96, 96, {8, 64}, {{0, 40, 96, 8, 0}, {44, 0, 8, 96, 0}}, 2, 2},
};

Picture Draw(const CoverCase& c) {
  Picture p = testing::BlankPicture(c.width, c.height);
  for (const Rect& r : c.rects)
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x)
        testing::SetPixel(p, x, y, static_cast<std::uint8_t>(16 * r.block + 1 + (x + y) % 15));
  return p;
}

SpriteSettings WholePicture(int width, int height, ObjectSizes sizes) {
  SpriteSettings s;
  s.frameWidth = width;
  s.frameHeight = height;
  s.sizes = sizes;
  return s;
}

class FewestObjects : public ::testing::TestWithParam<CoverCase> {};

TEST_P(FewestObjects, OnHandWorkedFrames) {
  const CoverCase& c = GetParam();
  const SpriteResult result = ConvertSprites(Draw(c), WholePicture(c.width, c.height, c.sizes));
  ASSERT_TRUE(std::holds_alternative<SpriteSheet>(result)) << std::get<Failure>(result).message;
  const SpriteFrame& frame = std::get<SpriteSheet>(result).frames.at(0);
  EXPECT_EQ(static_cast<int>(frame.objects.size()), c.objects);
  int large = 0;
  for (const SpriteObject& o : frame.objects) large += o.large ? 1 : 0;
  if (c.large >= 0) {
    EXPECT_EQ(large, c.large);
  }
  EXPECT_TRUE(frame.figures.fewestProven);
}

INSTANTIATE_TEST_SUITE_P(Frames, FewestObjects, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CoverCase>& param) { return std::string(param.param.name); });

struct KnownCase {
  int frameSide;
  ObjectSizes sizes;
  int perFrame;
  int blocks;
};

// Every opaque pixel is drawn by an object over it, of its sub-palette,
// and every object draws some.
void ExpectSound(const FramePixels& frame, const Covering& covering) {
  std::vector<int> drawn(covering.objects.size(), 0);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const std::uint16_t o = covering.owner[static_cast<std::size_t>(y * frame.width + x)];
      if (frame.At(x, y) == 0) {
        EXPECT_EQ(o, kNoOwner);
        continue;
      }
      ASSERT_LT(o, covering.objects.size()) << x << "," << y;
      const Placement& p = covering.objects[o];
      EXPECT_TRUE(x >= p.x && x < p.x + p.size && y >= p.y && y < p.y + p.size) << x << "," << y;
      EXPECT_EQ(p.cls, ClassOf(frame.At(x, y)));
      ++drawn[o];
    }
  for (const int n : drawn) EXPECT_GT(n, 0);
}

// Frames drawn with a known set of objects that do not overlap, placed off
// the grid too: the covering found never needs more.
TEST(CoveringKnownObjects, NeverNeedsMoreThanTheFrameWasDrawnWith) {
  const KnownCase cases[] = {{32, {8, 16}, 4, 1}, {32, {8, 16}, 7, 2}, {48, {8, 16}, 10, 3}, {64, {8, 32}, 8, 2},
                             {64, {16, 32}, 6, 1}, {96, {16, 64}, 5, 2}, {128, {32, 64}, 4, 1}, {128, {8, 64}, 12, 3},
                             {64, {8, 16}, 14, 1}, {256, {8, 16}, 40, 2}};
  std::uint32_t seed = 100;
  int found = 0;
  int drawn = 0;
  for (const KnownCase& k : cases) {
    const testing::KnownObjects known =
        testing::KnownObjectSheet(k.frameSide, 8, 4, k.sizes, k.perFrame, k.blocks, ++seed);
    SpriteSettings settings;
    settings.frameWidth = settings.frameHeight = k.frameSide;
    const FrameReader reader(known.sheet, settings);
    FramePixels frame;
    for (std::size_t f = 0; f < known.objects.size(); ++f) {
      ASSERT_EQ(reader.Read(static_cast<std::int32_t>(f % 8) * k.frameSide,
                            static_cast<std::int32_t>(f / 8) * k.frameSide, frame),
                std::nullopt);
      const std::optional<Covering> covered = CoverFrame(frame, {k.sizes, 0, kDefaultSearchSteps});
      ASSERT_TRUE(covered.has_value());
      const Covering& covering = *covered;
      ExpectSound(frame, covering);
      EXPECT_LE(covering.objects.size(), static_cast<std::size_t>(known.objects[f]))
          << "frame " << f << " of " << k.frameSide << " with sizes " << k.sizes.small << "," << k.sizes.large;
      found += static_cast<int>(covering.objects.size());
      drawn += known.objects[f];
    }
  }
  RecordProperty("objects", std::to_string(found) + " of " + std::to_string(drawn));
}

TEST(CoveringFigures, CountsObjectsAndSliversOnTheBusiestLine) {
  // Two sub-palettes in turn along a bar: each needs 16 objects of 16
  // pixels of its own along the whole bar, all on the same lines.
  Picture p = testing::BlankPicture(256, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 256; ++x) testing::SetPixel(p, x, y, static_cast<std::uint8_t>(16 * (x % 2) + 1));
  const SpriteResult result = ConvertSprites(p, WholePicture(256, 8, {8, 16}));
  ASSERT_TRUE(std::holds_alternative<SpriteSheet>(result)) << std::get<Failure>(result).message;
  const SpriteSheet& sprites = std::get<SpriteSheet>(result);
  const FrameFigures& f = sprites.frames.at(0).figures;
  EXPECT_EQ(f.objects, 32);
  EXPECT_EQ(f.mostObjectsOnLine, 32);
  EXPECT_EQ(f.mostSliversOnLine, 64);
  ASSERT_EQ(sprites.warnings.size(), 1u);
  EXPECT_EQ(sprites.warnings[0],
            "The frame at 0,0 puts up to 32 objects and 64 8-pixel slivers on one line; the console draws 32 and 34 "
            "a line.");
}

}  // namespace
}  // namespace tilora::sprites
