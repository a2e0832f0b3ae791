// Every refusal of the sprite conversion, with its exact text and the frame
// it names.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "snes/sprites/sprite_sheet.h"
#include "sprite_pictures.h"
#include "test_pictures.h"

namespace tilora {

void PrintTo(const TilePosition& p, std::ostream* os) { *os << p.x << "," << p.y; }

namespace sprites {
namespace {

struct RefusalCase {
  const char* name;
  std::function<Picture()> sheet;
  std::function<void(SpriteSettings&)> settings;
  FailureKind kind;
  const char* message;
  std::optional<TilePosition> frame;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

Picture Walk() { return testing::CharacterSheet({}); }

// Four 8 x 8 squares far apart in a 64 x 64 frame, each of 15 colours of
// its own: four objects that no two sub-palettes can share.
Picture FourColourSets() {
  Picture p = testing::AsTruecolour(testing::BlankPicture(64, 64));
  for (int square = 0; square < 4; ++square)
    for (int i = 0; i < 64; ++i) {
      const int x = square % 2 * 40 + i % 8;
      const int y = square / 2 * 40 + i / 8;
      p.colours[static_cast<std::size_t>(y * 64 + x)] = {static_cast<std::uint8_t>(8 * (i % 15)),
                                                         static_cast<std::uint8_t>(64 * square), 0, 255};
    }
  return p;
}

// Isolated pixels 16 apart: no object of 16 reaches two of them.
Picture Scattered() {
  Picture p = testing::BlankPicture(256, 256);
  for (int y = 0; y < 256; y += 16)
    for (int x = 0; x < 256; x += 16) testing::SetPixel(p, x, y, 1);
  return p;
}

// count square frames of random pixels, side pixels a side, 256 pixels of
// them to a row.
Picture RandomFrames(int count, int side) {
  std::mt19937 random(5);
  const int across = 256 / side;
  Picture p = testing::BlankPicture(256, (count + across - 1) / across * side);
  for (int f = 0; f < count; ++f)
    for (int i = 0; i < side * side; ++i)
      testing::SetPixel(p, f % across * side + i % side, f / across * side + i / side,
                        static_cast<std::uint8_t>(1 + random() % 15));
  return p;
}

// Every pixel its own colour: no object draws more than 15 of them.
Picture Noise(int side) {
  std::mt19937 random(9);
  Picture p = testing::AsTruecolour(testing::BlankPicture(side, side));
  for (Rgba& c : p.colours)
    c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
         255};
  return p;
}

void Frames32(SpriteSettings& s) { s.frameWidth = s.frameHeight = 32; }

const RefusalCase kRefusals[] = {
    {"FrameSizeZero", Walk, [](SpriteSettings& s) { s.frameWidth = 0, s.frameHeight = 32; }, FailureKind::Usage,
     "A frame is 1 to 256 pixels a side, not 0x32.", std::nullopt},
    {"FrameWiderThanTheScreen", Walk, [](SpriteSettings& s) { s.frameWidth = 257, s.frameHeight = 8; },
     FailureKind::Usage, "A frame is 1 to 256 pixels a side, not 257x8.", std::nullopt},
    {"SizesNotAPair", Walk, [](SpriteSettings& s) { Frames32(s), s.sizes = {16, 16}; }, FailureKind::Usage,
     "Object sizes 16,16 are not a pair the console offers (8,16 8,32 8,64 16,32 16,64 32,64).", std::nullopt},
    {"SizesTheWrongWayRound", Walk, [](SpriteSettings& s) { Frames32(s), s.sizes = {16, 8}; }, FailureKind::Usage,
     "Object sizes 16,8 are not a pair the console offers (8,16 8,32 8,64 16,32 16,64 32,64).", std::nullopt},
    {"PriorityPastThree", Walk, [](SpriteSettings& s) { Frames32(s), s.priority = 4; }, FailureKind::Usage,
     "Object priority is 0 to 3, not 4.", std::nullopt},
    {"NineSubPalettes", Walk, [](SpriteSettings& s) { Frames32(s), s.palettes = 9; }, FailureKind::Usage,
     "The number of sub-palettes must be 1 to 8, not 9.", std::nullopt},
    {"SeventeenColours", Walk, [](SpriteSettings& s) { Frames32(s), s.colours = 17; }, FailureKind::Usage,
     "An object's sub-palette holds 2 to 16 colours, colour 0 included, not 17.", std::nullopt},
    {"OriginRightOfTheFrame", Walk, [](SpriteSettings& s) { Frames32(s), s.originX = 32; }, FailureKind::Usage,
     "The origin 32,0 lies outside the 32x32 frame.", std::nullopt},
    {"OriginAboveTheFrame", Walk, [](SpriteSettings& s) { Frames32(s), s.originY = -1; }, FailureKind::Usage,
     "The origin 0,-1 lies outside the 32x32 frame.", std::nullopt},
    {"FramesDoNotDivideTheSheet", Walk, [](SpriteSettings& s) { s.frameWidth = 24, s.frameHeight = 32; },
     FailureKind::Picture, "The sheet is 128x32 pixels, not a whole number of 24x32 frames.", std::nullopt},
    {"FramesTallerThanTheSheet", Walk, [](SpriteSettings& s) { s.frameWidth = 32, s.frameHeight = 64; },
     FailureKind::Picture, "The sheet is 128x32 pixels, not a whole number of 32x64 frames.", std::nullopt},
    {"TooManyFrames", [] { return testing::BlankPicture(256, 257); },
     [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 1; }, FailureKind::Picture,
     "The sheet holds 65792 frames; the tables hold at most 65535.", std::nullopt},
    {"TruecolourWithoutPalettes", [] { return testing::AsTruecolour(Walk()); }, Frames32, FailureKind::Picture,
     "The sheet has no colour table; --palettes N makes sub-palettes for its objects.", std::nullopt},
    {"ColourPastEightSubPalettes",
     [] {
       Picture p = Walk();
       testing::SetPixel(p, 70, 9, 128);
       return p;
     },
     Frames32, FailureKind::Picture,
     "The frame at 64,0 uses colour 128 at 70,9; objects take colours 0-127 (8 sub-palettes of 16).",
     TilePosition{64, 0}},
    {"TooManyObjects", Scattered, [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 256; }, FailureKind::Picture,
     "The frame at 0,0 needs more than the 128 objects the console shows.", TilePosition{0, 0}},
    // Far fewer objects would do but for the colours; the search gives up
    // within its steps.
    {"TooManyObjectsForTheColours", [] { return Noise(128); },
     [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 128, s.palettes = 8; }, FailureKind::Picture,
     "The frame at 0,0 needs more than the 128 objects the console shows.", TilePosition{0, 0}},
    {"TooManyTiles", [] { return RandomFrames(513, 8); }, [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 8; },
     FailureKind::Picture,
     "The frames need 513 tiles; the two name tables hold 512 (the frame at 0,128 is the first past them).",
     TilePosition{0, 128}},
    {"TooManyLargeTiles", [] { return RandomFrames(129, 16); },
     [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 16; }, FailureKind::Picture,
     "The frames need 516 tiles; the two name tables hold 512 (the frame at 0,128 is the first past them).",
     TilePosition{0, 128}},
    {"SubPalettesDoNotFit", FourColourSets,
     [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 64, s.palettes = 3; }, FailureKind::Picture,
     "The objects' colours need 4 sub-palettes of 16 colours (the fewest found); 3 are allowed.", std::nullopt},
    {"OneSubPaletteDoesNotFit", FourColourSets,
     [](SpriteSettings& s) { s.frameWidth = s.frameHeight = 64, s.palettes = 1; }, FailureKind::Picture,
     "The objects' colours need 4 sub-palettes of 16 colours (the fewest found); 1 is allowed.", std::nullopt},
    {"PixelsDoNotMatchTheSize",
     [] {
       Picture p = Walk();
       p.indices.pop_back();
       return p;
     },
     Frames32, FailureKind::Internal,
     "the picture holds a different number of pixels than its size gives.", std::nullopt},
};

class SpriteRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SpriteRefusal, SaysWhyInOneLine) {
  const RefusalCase& c = GetParam();
  SpriteSettings settings;
  c.settings(settings);
  const SpriteResult result = ConvertSprites(c.sheet(), settings);
  ASSERT_TRUE(std::holds_alternative<Failure>(result));
  const Failure& refusal = std::get<Failure>(result);
  EXPECT_EQ(refusal.kind, c.kind);
  EXPECT_EQ(refusal.message, c.message);
  EXPECT_EQ(refusal.tile, c.frame);
  if (c.kind == FailureKind::Usage) {
    EXPECT_EQ(SettingsProblem(settings), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(Sprites, SpriteRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace sprites
}  // namespace tilora
