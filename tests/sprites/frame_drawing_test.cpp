// Frames drawn from converted sheets equal the sheets' frames, pixel for
// pixel, through the same drawing the self-check judges them by; and a
// drawing that cannot be made names its object.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "snes/sprites/frame_drawing.h"
#include "sprite_pictures.h"

namespace tilora::sprites {
namespace {

struct SheetCase {
  const char* name;
  std::function<Picture()> sheet;
  SpriteSettings settings;
};

void PrintTo(const SheetCase& c, std::ostream* os) { *os << c.name; }

SpriteSettings Frames(int side, ObjectSizes sizes, int originX, int originY, int palettes) {
  SpriteSettings s;
  s.frameWidth = s.frameHeight = side;
  s.sizes = sizes;
  s.originX = originX;
  s.originY = originY;
  s.palettes = palettes;
  return s;
}

const SheetCase kSheets[] = {
    {"WalkingIndexed", [] { return testing::CharacterSheet({}); }, Frames(32, {8, 16}, 16, 31, 0)},
    {"WalkingTruecolour", [] { return testing::AsTruecolour(testing::CharacterSheet({.seed = 7})); },
     Frames(32, {8, 16}, 0, 0, 3)},
    {"KnownObjects16And32",
     [] { return testing::KnownObjectSheet(64, 3, 2, {16, 32}, 5, 4, 11).sheet; }, Frames(64, {16, 32}, 63, 5, 0)},
};

// What the sheet has at a pixel, as a drawing holds it: 16 p + k for an
// indexed sheet's block colours, the 15-bit colour for a truecolour one;
// -1 for transparent.
int Expected(const Picture& sheet, int x, int y) {
  if (sheet.indexed) {
    const std::uint8_t index = sheet.IndexAt(x, y);
    return (index & 15) != 0 ? index : -1;
  }
  const Rgba c = sheet.ColourAt(x, y);
  return c.alpha < 128 ? -1 : Colour15Of({c.red, c.green, c.blue});
}

int Shown(const SpriteSheet& sprites, const Picture& sheet, std::uint8_t drawn) {
  if (drawn == 0) return -1;
  if (sheet.indexed) return drawn;
  const std::size_t at = 2 * static_cast<std::size_t>(drawn);
  return sprites.palette.at(at) | (sprites.palette.at(at + 1) << 8);
}

class DrawnFrames : public ::testing::TestWithParam<SheetCase> {};

TEST_P(DrawnFrames, EqualTheSheetsFrames) {
  const SheetCase& c = GetParam();
  const Picture sheet = c.sheet();
  const SpriteResult result = ConvertSprites(sheet, c.settings);
  ASSERT_TRUE(std::holds_alternative<SpriteSheet>(result)) << std::get<Failure>(result).message;
  const SpriteSheet& sprites = std::get<SpriteSheet>(result);
  ASSERT_EQ(CheckSprites(sheet, c.settings, sprites), std::nullopt);
  ASSERT_FALSE(sprites.frames.empty());
  const std::vector<TileRows> tiles = DecodeObjectTiles(sprites.tiles);
  for (const SpriteFrame& frame : sprites.frames) {
    const auto drawn = DrawFrame(tiles, frame, sprites.sizes, c.settings.originX, c.settings.originY,
                                 c.settings.frameWidth, c.settings.frameHeight);
    ASSERT_TRUE(std::holds_alternative<DrawnFrame>(drawn)) << std::get<DrawFault>(drawn).what;
    const DrawnFrame& d = std::get<DrawnFrame>(drawn);
    ASSERT_EQ(d.pixels.size(), static_cast<std::size_t>(d.width * d.height));
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x)
        ASSERT_EQ(Shown(sprites, sheet, d.pixels[static_cast<std::size_t>(y * d.width + x)]),
                  Expected(sheet, frame.x + x, frame.y + y))
            << "frame " << frame.number << " at " << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(Sheets, DrawnFrames, ::testing::ValuesIn(kSheets),
                         [](const ::testing::TestParamInfo<SheetCase>& param) { return std::string(param.param.name); });

// One frame of two objects over hand-made tiles: the tile data cut short,
// or a table entry no object may have, is refused by its object.
TEST(DrawFrame, RefusesWhatTheConsoleCouldNotShow) {
  std::vector<std::uint8_t> data(2 * kTileBytes, 0);
  data[0] = 0x80;                   // tile 0: colour 1 at 0,0
  data[kTileBytes + 14 + 1] = 0x01;  // tile 1: colour 2 at 7,7
  const std::vector<TileRows> tiles = DecodeObjectTiles(data);
  const SpriteFrame frame{0, 0, 0, {{0, 0, 0, 3, 2, false, false, false}, {0, 0, 1, 1, 2, false, false, false}}, {}};
  const auto drawn = DrawFrame(tiles, frame, {8, 16}, 0, 0, 8, 8);
  ASSERT_TRUE(std::holds_alternative<DrawnFrame>(drawn));
  const auto& pixels = std::get<DrawnFrame>(drawn).pixels;
  EXPECT_EQ(pixels[0], 16 * 3 + 1);
  EXPECT_EQ(pixels[63], 16 * 1 + 2);

  struct Refusal {
    std::function<void(SpriteFrame&)> change;
    std::size_t object;
    const char* what;
  };
  const Refusal refusals[] = {
      {[](SpriteFrame& f) { f.objects[1].large = true; }, 1, "reads tile 2, past the tile data"},
      {[](SpriteFrame& f) { f.objects[1].tile = 512; }, 1, "has a tile, sub-palette or priority out of range"},
      {[](SpriteFrame& f) { f.objects[0].palette = 8; }, 0, "has a tile, sub-palette or priority out of range"},
      {[](SpriteFrame& f) { f.objects[1].x = 1; }, 1, "shows a pixel outside the frame, at 8,7 of it"},
      {[](SpriteFrame& f) { f.objects[1].hflip = f.objects[1].vflip = true; }, 1,
       "shows pixel 0,0 of the frame where another object does"},
      {[](SpriteFrame& f) { f.objects[0].tile = 0x10; f.objects[0].large = false; f.objects.resize(1); }, 0,
       "reads tile 16, past the tile data"},
  };
  for (const Refusal& r : refusals) {
    SpriteFrame changed = frame;
    r.change(changed);
    const auto refused = DrawFrame(tiles, changed, {8, 16}, 0, 0, 8, 8);
    ASSERT_TRUE(std::holds_alternative<DrawFault>(refused)) << r.what;
    EXPECT_EQ(std::get<DrawFault>(refused).object, r.object);
    EXPECT_EQ(std::get<DrawFault>(refused).what, r.what);
  }
}

// Each slot takes the sub-palette of the first object that reads it: a
// large object's block wraps within its row of 16.
TEST(FirstObjectPalettes, FirstObjectToReadASlotGivesIt) {
  SpriteSheet sheet;
  sheet.sizes = {8, 16};
  sheet.frames = {SpriteFrame{0, 0, 0, {{0, 0, 0x0F, 2, 2, false, false, true}}, {}},
                  SpriteFrame{1, 16, 0,
                              {{0, 0, 0x00, 5, 2, false, false, false}, {0, 0, 0x101, 7, 2, false, false, false}},
                              {}}};
  const std::vector<int> first = FirstObjectPalettes(sheet);
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kTableTiles));
  for (const int slot : {0x0F, 0x00, 0x1F, 0x10}) EXPECT_EQ(first[static_cast<std::size_t>(slot)], 2) << slot;
  EXPECT_EQ(first[0x101], 7);
  EXPECT_EQ(first[0x01], -1);
  EXPECT_EQ(first[0x11], -1);
}

}  // namespace
}  // namespace tilora::sprites
