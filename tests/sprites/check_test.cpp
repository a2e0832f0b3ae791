// The self-check on outputs made by hand: large objects read as the
// console reads them, wrapping within the name table, and every kind of
// fault in the outputs found, with its text.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "snes/encoders/planar_tiles.h"
#include "snes/sprites/sprite_sheet.h"
#include "sprite_pictures.h"
#include "test_pictures.h"

namespace tilora::sprites {
namespace {

using Quadrant = std::array<std::uint8_t, 64>;

// Four different 8 x 8 quadrants of a 16 x 16 object, colours 1-15.
Quadrant QuadrantOf(int q) {
  Quadrant t{};
  for (int i = 0; i < 64; ++i) t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(1 + (i * (q + 3) + q) % 15);
  return t;
}

void PutTile(std::vector<std::uint8_t>& tiles, int n, const Quadrant& t) {
  if (tiles.size() < static_cast<std::size_t>(32 * (n + 1))) tiles.resize(static_cast<std::size_t>(32 * (n + 1)));
  EncodePlanarTile(t.data(), 8, 4, tiles.data() + 32 * n);
}

// A 16 x 16 sheet of the four quadrants, as the object shows them flipped.
Picture QuadrantSheet(bool hflip, bool vflip) {
  Picture p = testing::BlankPicture(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int sx = hflip ? 15 - x : x;
      const int sy = vflip ? 15 - y : y;
      testing::SetPixel(p, x, y, QuadrantOf(sy / 8 * 2 + sx / 8)[static_cast<std::size_t>(sy % 8 * 8 + sx % 8)]);
    }
  return p;
}

SpriteSettings Frame16() {
  SpriteSettings s;
  s.frameWidth = s.frameHeight = 16;
  return s;
}

SpriteSheet OneObject(const std::vector<std::uint8_t>& tiles, SpriteObject object) {
  SpriteSheet s;
  s.tiles = tiles;
  s.palette.assign(32, 0);
  s.frames = {SpriteFrame{0, 0, 0, {object}, {}}};
  return s;
}

struct WrapCase {
  int n;
  std::array<int, 4> at;  // the tiles the console reads for the four quadrants
};

// The column wraps within its row of 16 and the row within its table, never
// into the other table; tiles laid out as n, n + 1, n + 16, n + 17 are not
// what the console shows there.
TEST(SpriteCheck, LargeObjectsWrapWithinTheirTable) {
  const WrapCase cases[] = {{0x00, {0x00, 0x01, 0x10, 0x11}},
                            {0x0F, {0x0F, 0x00, 0x1F, 0x10}},
                            {0xFF, {0xFF, 0xF0, 0x0F, 0x00}},
                            {0x1FF, {0x1FF, 0x1F0, 0x10F, 0x100}},
                            {0x1EE, {0x1EE, 0x1EF, 0x1FE, 0x1FF}}};
  for (const WrapCase& c : cases) {
    for (const bool hflip : {false, true})
      for (const bool vflip : {false, true}) {
        std::vector<std::uint8_t> tiles;
        for (int q = 0; q < 4; ++q) PutTile(tiles, c.at[static_cast<std::size_t>(q)], QuadrantOf(q));
        const SpriteObject o{0, 0, c.n, 0, 2, hflip, vflip, true};
        EXPECT_EQ(CheckSprites(QuadrantSheet(hflip, vflip), Frame16(), OneObject(tiles, o)), std::nullopt)
            << "tile " << c.n << (hflip ? " h" : "") << (vflip ? " v" : "");
        if (c.n == 0x00 || c.n == 0x1EE) continue;
        std::vector<std::uint8_t> linear(tiles.size());
        for (int q = 0; q < 4; ++q) PutTile(linear, c.n + q % 2 + 16 * (q / 2), QuadrantOf(q));
        EXPECT_NE(CheckSprites(QuadrantSheet(hflip, vflip), Frame16(), OneObject(linear, o)), std::nullopt)
            << "tile " << c.n;
      }
  }
}

// One frame of 8 x 8 with colour 1 at 0,0 and colour 18 at 7,7, and the
// two objects that draw it.
struct Tampered {
  const char* name;
  std::function<void(SpriteSheet&, SpriteSettings&)> change;
  const char* fault;
};

void PrintTo(const Tampered& c, std::ostream* os) { *os << c.name; }

Picture TwoDots() {
  Picture p = testing::BlankPicture(16, 8);
  testing::SetPixel(p, 0, 0, 1);
  testing::SetPixel(p, 7, 7, 18);
  return p;
}

SpriteSheet TwoDotsDrawn() {
  Quadrant top{};
  top[0] = 1;
  Quadrant bottom{};
  bottom[63] = 2;
  SpriteSheet s;
  PutTile(s.tiles, 0, top);
  PutTile(s.tiles, 1, bottom);
  s.palette.assign(64, 0);
  s.frames = {SpriteFrame{0, 0, 0, {{0, 0, 0, 0, 2, false, false, false}, {0, 0, 1, 1, 2, false, false, false}}, {}},
              SpriteFrame{1, 8, 0, {}, {}}};
  return s;
}

SpriteSettings Frames8() {
  SpriteSettings s;
  s.frameWidth = s.frameHeight = 8;
  return s;
}

const Tampered kTampered[] = {
    {"Untouched", [](SpriteSheet&, SpriteSettings&) {}, ""},
    {"TileBitFlipped", [](SpriteSheet& s, SpriteSettings&) { s.tiles[0] ^= 0x40; },
     "frame 0 shows colour 1 at 1,0 where the sheet has nothing."},
    {"OtherSubPalette", [](SpriteSheet& s, SpriteSettings&) { s.frames[0].objects[1].palette = 2; },
     "frame 0 shows colour 34 at 7,7 where the sheet has colour 18."},
    {"Flipped", [](SpriteSheet& s, SpriteSettings&) { s.frames[0].objects[0].hflip = true; },
     "frame 0 shows nothing at 0,0 where the sheet has colour 1."},
    {"Moved", [](SpriteSheet& s, SpriteSettings&) { s.frames[0].objects[1].y = 1; },
     "object 1 of frame 0 shows a pixel outside the frame, at 7,8 of it."},
    {"Overlapping", [](SpriteSheet& s, SpriteSettings&) { s.frames[0].objects.push_back(s.frames[0].objects[0]); },
     "object 2 of frame 0 shows pixel 0,0 of the frame where another object does."},
    {"Missing", [](SpriteSheet& s, SpriteSettings&) { s.frames[0].objects.pop_back(); },
     "frame 0 shows nothing at 7,7 where the sheet has colour 18."},
    {"TilePastTheData", [](SpriteSheet& s, SpriteSettings&) { s.frames[0].objects[1].tile = 2; },
     "object 1 of frame 0 reads tile 2, past the tile data."},
    {"WhollyTransparent",
     [](SpriteSheet& s, SpriteSettings&) {
       s.tiles.resize(96);
       s.frames[1].objects = {{0, 0, 2, 0, 2, false, false, false}};
     },
     "object 0 of frame 1 is wholly transparent."},
    {"OtherPriority", [](SpriteSheet&, SpriteSettings& settings) { settings.priority = 3; },
     "object 0 of frame 0 has a tile, sub-palette or priority out of range."},
    {"FrameLeftOut", [](SpriteSheet& s, SpriteSettings&) { s.frames.erase(s.frames.begin()); },
     "frame 1 is out of its place in the tables."},
    {"EmptyFrameLeftOut", [](SpriteSheet& s, SpriteSettings&) { s.frames.pop_back(); },
     "frame 1 is missing from the tables."},
    {"EmptyFrameDropped",
     [](SpriteSheet& s, SpriteSettings& settings) {
       s.frames.pop_back();
       settings.dropEmpty = true;
     },
     ""},
    {"FrameDroppedThatIsNotEmpty",
     [](SpriteSheet& s, SpriteSettings& settings) {
       s.frames.erase(s.frames.begin());
       settings.dropEmpty = true;
     },
     "frame 0 is missing from the tables."},
    {"FrameElsewhere", [](SpriteSheet& s, SpriteSettings&) { s.frames[1].x = 0; },
     "frame 1 is not where the sheet has it."},
    {"OriginMoved", [](SpriteSheet&, SpriteSettings& settings) { settings.originX = 1; },
     "object 1 of frame 0 shows a pixel outside the frame, at 8,7 of it."},
    {"OtherSizes", [](SpriteSheet&, SpriteSettings& settings) { settings.sizes = {8, 32}; },
     "the outputs were made with other settings."},
    {"TileDataCut", [](SpriteSheet& s, SpriteSettings&) { s.tiles.pop_back(); },
     "the tile data or the palette has a size no table has."},
};

class SpriteCheckFinds : public ::testing::TestWithParam<Tampered> {};

TEST_P(SpriteCheckFinds, FaultsInTheOutputs) {
  const Tampered& c = GetParam();
  SpriteSheet sprites = TwoDotsDrawn();
  SpriteSettings settings = Frames8();
  c.change(sprites, settings);
  const auto fault = CheckSprites(TwoDots(), settings, sprites);
  if (std::string(c.fault).empty()) {
    EXPECT_EQ(fault, std::nullopt);
  } else {
    EXPECT_EQ(fault, c.fault);
  }
}

INSTANTIATE_TEST_SUITE_P(Outputs, SpriteCheckFinds, ::testing::ValuesIn(kTampered),
                         [](const ::testing::TestParamInfo<Tampered>& param) { return std::string(param.param.name); });

// A truecolour sheet's colours are compared, not its indices: a palette
// word off by one is found.
TEST(SpriteCheck, ComparesTruecolourWords) {
  const Picture sheet = testing::AsTruecolour(testing::CharacterSheet({}));
  SpriteSettings settings;
  settings.frameWidth = settings.frameHeight = 32;
  settings.palettes = 2;
  const SpriteResult result = ConvertSprites(sheet, settings);
  ASSERT_TRUE(std::holds_alternative<SpriteSheet>(result)) << std::get<Failure>(result).message;
  SpriteSheet sprites = std::get<SpriteSheet>(result);
  ASSERT_EQ(CheckSprites(sheet, settings, sprites), std::nullopt);
  sprites.palette[2] ^= 1;
  const auto fault = CheckSprites(sheet, settings, sprites);
  ASSERT_TRUE(fault.has_value());
  EXPECT_EQ(fault->rfind("frame ", 0), 0u) << *fault;
}

}  // namespace
}  // namespace tilora::sprites
