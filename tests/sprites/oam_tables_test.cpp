// The metasprite tables: bytes worked out by hand, the ca65 source, and
// that source assembled by ca65 giving the same bytes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "snes/sprites/oam_tables.h"
#include "sprite_pictures.h"
#include "temp_dir.h"

namespace tilora::sprites {
namespace {

SpriteSheet TwoFrames() {
  SpriteSheet s;
  s.sizes = {8, 16};
  SpriteFrame first;
  first.number = 0;
  first.objects = {{-8, -16, 0x102, 3, 2, true, false, true}, {0, -8, 5, 0, 0, false, true, false}};
  SpriteFrame empty;
  empty.number = 3;
  s.frames = {first, empty};
  return s;
}

TEST(OamTables, BytesAsWorkedOutByHand) {
  const std::vector<std::uint8_t> expected = {
      0x02, 0x00, 0x00, 0x00,              // two frames, size select 0
      0x0C, 0x00, 0x00, 0x00,              // frame 0 at 12
      0x1E, 0x00, 0x00, 0x00,              // frame 3 at 30
      0x02, 0x00,                          // two objects
      0xF8, 0xFF, 0xF0, 0xFF, 0x02, 0x67,  // -8, -16; tile 0x102, palette 3, priority 2, h flip
      0x01, 0x00,                          // large
      0x00, 0x00, 0xF8, 0xFF, 0x05, 0x80,  // 0, -8; tile 5, v flip
      0x00, 0x00,                          // small
      0x00, 0x00,                          // no objects
  };
  EXPECT_EQ(OamTableBytes(TwoFrames()), expected);
}

TEST(OamTables, AssemblySource) {
  EXPECT_EQ(OamAssembly(TwoFrames(), "hero-walk"),
            "; 2 metasprite frames of objects of 8 and 16 pixels.\n"
            "; Per frame: object count, then per object x and y from the origin,\n"
            "; attributes (tile, sub-palette << 9, priority << 12, flips << 14), size (1: large), 0.\n"
            "hero_walk_count = 2\n"
            "hero_walk_size_select = 0\n"
            "\n"
            "hero_walk_frames:\n"
            "  .word 2\n"
            "  .byte 0, 0\n"
            "  .dword hero_walk_0 - hero_walk_frames\n"
            "  .dword hero_walk_3 - hero_walk_frames\n"
            "hero_walk_0:\n"
            "  .word 2\n"
            "  .word .loword(-8), .loword(-16), $6702\n"
            "  .byte 1, 0\n"
            "  .word 0, .loword(-8), $8005\n"
            "  .byte 0, 0\n"
            "hero_walk_3:\n"
            "  .word 0\n");
}

TEST(OamTables, LabelsAreIdentifiers) {
  const std::pair<const char*, const char*> cases[] = {
      {"hero", "hero"}, {"hero-walk.v2", "hero_walk_v2"}, {"2d", "_2d"}, {"", "sprites"}, {"h\xC3\xA9ros", "h__ros"}};
  for (const auto& [name, label] : cases) EXPECT_EQ(AssemblyLabel(name), label) << name;
}

#ifdef TILORA_CA65
std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What ca65 and ld65 make of the source is the binary table, byte for byte.
TEST(OamTables, Ca65AssemblesTheSameBytes) {
  SpriteSettings settings;
  settings.frameWidth = 16;
  settings.frameHeight = 24;
  settings.originX = 8;
  settings.originY = 23;
  settings.dropEmpty = true;
  Picture sheet = testing::CharacterSheet({16, 24, 4, 2, true, true, 3});
  for (std::int32_t y = 0; y < 24; ++y)
    for (std::int32_t x = 16; x < 32; ++x) sheet.indices[static_cast<std::size_t>(y * sheet.width + x)] = 0;
  const SpriteResult result = ConvertSprites(sheet, settings);
  ASSERT_TRUE(std::holds_alternative<SpriteSheet>(result)) << std::get<Failure>(result).message;
  const SpriteSheet& sprites = std::get<SpriteSheet>(result);
  ASSERT_EQ(sprites.frames.size(), 7u);

  const testing::TempDir dir;
  {
    std::ofstream source(dir / "walk.s", std::ios::binary);
    source << OamAssembly(sprites, "walk");
  }
  const std::string command = std::string(TILORA_CA65) + " -o '" + dir / "walk.o" + "' '" + dir / "walk.s" + "' && " +
                              TILORA_LD65 + " -t none -o '" + dir / "walk.bin" + "' '" + dir / "walk.o" + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(ReadAll(dir / "walk.bin"), OamTableBytes(sprites));
}
#endif

}  // namespace
}  // namespace tilora::sprites
