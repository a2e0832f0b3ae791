// The cartridge builder without the console: the header emulators and flash
// cartridges check, transfers that stay within their banks, and every
// refusal with its figure.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "snes/rom/background_load.h"
#include "snes/rom/rom_builder.h"
#include "snes/rom/rom_program.h"

namespace {

using tilora::rom::Background;
using tilora::rom::MapShape;
using tilora::rom::RomContents;
using tilora::rom::RomRefusal;
using tilora::rom::SpriteObject;
using tilora::rom::SpriteShow;
using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + seed * 17 + i / 7) % 251 + 1);
  return bytes;
}

// Plain tiles of a picture: one tile a cell, no zero tile among them.
Background Plain(int bpp, int width, int height) {
  Background b;
  b.bpp = bpp;
  b.width = width;
  b.height = height;
  b.tiles = Pattern(static_cast<std::size_t>(8 * bpp * ((width + 7) / 8) * ((height + 7) / 8)), 1);
  b.palette = Pattern(bpp == 8 ? 512 : 2u << bpp, 2);
  return b;
}

Background Mapped(int bpp, int tiles, MapShape shape) {
  Background b = Plain(bpp, 8, 8);
  b.tiles = Pattern(static_cast<std::size_t>(8 * bpp * tiles), 3);
  b.map.assign(2 * static_cast<std::size_t>(shape.columns) * static_cast<std::size_t>(shape.rows), 0);
  b.mapShape = shape;
  b.width = 8 * shape.columns;
  b.height = 8 * shape.rows;
  return b;
}

SpriteShow Sprites(std::vector<std::vector<SpriteObject>> frames) {
  SpriteShow show;
  show.tiles = Pattern(32 * 64, 4);
  show.palette = Pattern(64, 5);
  show.frames = std::move(frames);
  return show;
}

std::uint16_t WordAt(const Bytes& rom, std::size_t at) { return static_cast<std::uint16_t>(rom[at] | rom[at + 1] << 8); }
std::size_t Offset(std::uint32_t address) { return (address >> 16 & 0x7F) * 0x8000 + (address & 0x7FFF); }

// Walks a command list as rom_program.s runs it: every transfer must lie
// within one bank of the image, inside it; the bytes sent to each B-bus
// register are counted.
void WalkList(const Bytes& rom, std::uint32_t list, std::map<int, std::size_t>& sent) {
  std::size_t at = Offset(list);
  for (;;) {
    ASSERT_LT(at, rom.size());
    const std::uint8_t command = rom[at];
    if (command == 0) return;
    if (command == 1) {
      at += 4;
      continue;
    }
    ASSERT_EQ(command, 2) << "at " << at;
    const std::uint32_t source = static_cast<std::uint32_t>(rom[at + 3] | rom[at + 4] << 8 | rom[at + 5] << 16);
    const std::size_t length = WordAt(rom, at + 6);
    EXPECT_GE(source & 0xFFFF, 0x8000u);
    EXPECT_LE((source & 0x7FFF) + (rom[at + 1] & 0x08 ? 1 : length), 0x8000u) << "a transfer crosses a bank";
    EXPECT_LE(Offset(source) + length, rom.size());
    sent[rom[at + 2]] += length;
    at += 8;
  }
}

std::vector<std::uint8_t> Built(const RomContents& contents) {
  const auto result = tilora::rom::BuildRom(contents);
  if (const auto* refusal = std::get_if<RomRefusal>(&result)) ADD_FAILURE() << refusal->message;
  return std::holds_alternative<Bytes>(result) ? std::get<Bytes>(result) : Bytes{};
}

TEST(RomBuilder, HeaderAndChecksumAsTheConsoleAndEmulatorsRead) {
  const struct {
    const char* name;
    RomContents contents;
    std::size_t size;
    std::map<int, std::size_t> sent;  // bytes sent to video memory (0x18), colour memory (0x22)
  } cases[] = {
      // An all-colour-0 tile added for the cells beyond the picture.
      {"small", {Plain(4, 16, 8), std::nullopt, "HERO"}, 0x8000, {{0x18, 64 + 32 + 2048}, {0x22, 32}}},
      // 57,344 bytes of tiles: split between two banks.
      {"full screen", {Plain(8, 256, 224), std::nullopt, "A TITLE LONGER THAN TWENTY-ONE"}, 0x10000,
       {{0x18, 57344 + 64 + 2048}, {0x22, 512}}},
      {"mode 7", {[] { Background b = Plain(8, 8, 8); b.mode7 = true; b.interleave = true; b.vram = Pattern(32768, 7); return b; }(),
                  std::nullopt, "M7"}, 0x10000, {{0x18, 32768}, {0x22, 512}}},
      {"sprites", {std::nullopt, Sprites({{{0, 0, 1, 0, 0, false, false, false}}}), "\x01\xE9t\xC3"}, 0x8000,
       {{0x18, 2048}, {0x22, 64 + 2}}},
  };
  for (const auto& c : cases) {
    const Bytes rom = Built(c.contents);
    ASSERT_EQ(rom.size(), c.size) << c.name;
    const std::string title(rom.begin() + 0x7FC0, rom.begin() + 0x7FD5);
    std::string expected = c.contents.title.substr(0, 21);
    for (char& ch : expected) ch = ch >= 0x20 && ch < 0x7F ? ch : '?';
    EXPECT_EQ(title, expected + std::string(21 - expected.size(), ' ')) << c.name;
    EXPECT_EQ(rom[0x7FD5], 0x20) << c.name;  // LoROM
    EXPECT_EQ(std::size_t{1024} << rom[0x7FD7], rom.size()) << c.name;
    const std::uint16_t sum = static_cast<std::uint16_t>(std::accumulate(rom.begin(), rom.end(), 0u));
    EXPECT_EQ(WordAt(rom, 0x7FDE), sum) << c.name;
    EXPECT_EQ(WordAt(rom, 0x7FDC) + WordAt(rom, 0x7FDE), 0xFFFF) << c.name;
    // Reset in emulation mode, NMI in native mode, both into the program.
    EXPECT_EQ(WordAt(rom, 0x7FFC), WordAt(rom, 0)) << c.name;
    EXPECT_EQ(WordAt(rom, 0x7FEA), WordAt(rom, 2)) << c.name;
    EXPECT_EQ(rom[WordAt(rom, 0x7FFC) - 0x8000], 0x78) << c.name;  // SEI

    // The table follows the program: its first field is the load list.
    const std::size_t at = tilora::rom::RomProgram().size();
    const std::uint32_t init = static_cast<std::uint32_t>(rom[at] | rom[at + 1] << 8 | rom[at + 2] << 16);
    std::map<int, std::size_t> sent;
    WalkList(rom, init, sent);
    // Fixed-source transfers (hidden objects) count their length too.
    sent.erase(0x04);
    EXPECT_EQ(sent, c.sent) << c.name;
  }
}

TEST(RomBuilder, RefusesWhatTheConsoleCannotShow) {
  const auto withBase = [](Background b, int tileBase, int paletteBase) {
    b.tileBase = tileBase;
    b.paletteBase = paletteBase;
    return b;
  };
  const auto tooMany = [] {
    SpriteShow s = Sprites({{}});
    s.frames[0].assign(129, SpriteObject{});
    return s;
  };
  const struct {
    RomContents contents;
    const char* message;
  } cases[] = {
      {{}, "There is nothing to show: no background and no sprites."},
      {{Mapped(8, 1000, {32, 32, true}), std::nullopt, ""},
       "The outputs need 66,048 bytes of video memory; the console has 65,536."},
      {{Plain(4, 264, 256), std::nullopt, ""}, "BG1 would need 1,056 tiles; it has 1,024."},
      {{withBase(Mapped(4, 30, {8, 8, false}), 1000, 0), std::nullopt, ""},
       "BG1 would need tile numbers up to 1,029 (tile base 1000 and 30 tiles); it has 0 to 1,023."},
      {{Mapped(4, 10, {65, 10, false}), std::nullopt, ""}, "The map is 65 x 10 cells; BG1 shows at most 64 x 64."},
      {{Mapped(4, 10, {40, 32, true}), std::nullopt, ""}, "A map in screens is 32 or 64 cells each way, not 40 x 32."},
      {{withBase(Mapped(4, 4, {4, 4, false}), 1024, 0), std::nullopt, ""}, "The tile base must lie in 0-1023, not 1024."},
      {{[] { Background b = Plain(4, 8, 8); b.palette.resize(16); return b; }(), std::nullopt, ""},
       "The palette holds 16 bytes; plain tiles show in whole sub-palettes of 16 colours."},
      {{Plain(2, 8, 528), std::nullopt, ""}, "The map is 1 x 66 cells; BG1 shows at most 64 x 64."},
      {{Mapped(4, 1024, {33, 32, false}), std::nullopt, ""},
       "All 1,024 tile numbers of BG1 are taken, and the cells beyond the picture need an all-colour-0 tile."},
      // Every block of four tile numbers holds a tile with colours.
      {{Mapped(4, 1024, {10, 10, false, 16}), std::nullopt, ""},
       "No 16x16 block of BG1's tile numbers is free or all colour 0, and the cells beyond the picture need one."},
      {{Mapped(4, 4, {4, 4, false, 12}), std::nullopt, ""}, "BG1's tiles are 8x8 or 16x16, not 12 pixels a side."},
      {{withBase([] { Background b = Mapped(4, 4, {4, 4, false}); b.palette = Pattern(64, 1); return b; }(), 0, 7),
        std::nullopt, ""},
       "The palette's 32 colours from entry 112 go past entry 127, the last BG1 at 4 bits per pixel reads."},
      {{Plain(8, 8, 8), Sprites({{}}), ""}, "An 8-bit background uses all 256 colours, the sprites' too; it cannot be shown with sprites."},
      {{std::nullopt, tooMany(), ""}, "Sprite frame 0 has 129 objects; the console shows at most 128."},
      {{std::nullopt, Sprites({{}, {{0, 0, 512, 0, 0, false, false, false}}}), ""},
       "Sprite frame 1, object 0: tile 512 is outside 0-511."},
      {{std::nullopt, Sprites({{{0, 0, 0, 8, 0, false, false, false}}}), ""},
       "Sprite frame 0, object 0: palette 8 is outside 0-7."},
      {{std::nullopt, Sprites({}), ""}, "The sprite show has no frames."},
      {{[] { Background b = Plain(4, 16, 8); b.tiles.pop_back(); return b; }(), std::nullopt, ""},
       "The tile data holds 63 bytes; no whole number of 32-byte tiles."},
      // The tiles end 64 bytes past a 2 KiB step: the map fits nowhere.
      {{withBase(Mapped(8, 992, {32, 32, true}), 1, 0), std::nullopt, ""},
       "The outputs need 65,536 bytes of video memory, which cannot be arranged at the addresses the console reads "
       "them from."},
      // 57 frames of 570 bytes (tables and list) a bank: 141 banks, then the
      // frame table of 24,000 bytes.
      {{std::nullopt, Sprites(std::vector<std::vector<SpriteObject>>(8000, std::vector<SpriteObject>(128))), ""},
       "The cartridge would need 4,644,288 bytes; a LoROM cartridge holds at most 4,194,304."},
      {{std::nullopt, Sprites(std::vector<std::vector<SpriteObject>>(10923)), ""},
       "There are 10,923 sprite frames; a cartridge shows at most 10,922."},
      {{[] { Background b = Plain(4, 8, 8); b.bpp = 3; return b; }(), std::nullopt, ""},
       "BG1 shows 2, 4 or 8 bits per pixel, not 3."},
      {{Plain(4, 0, 8), std::nullopt, ""}, "The picture is 0 x 8 pixels; it shows nothing."},
      {{[] { Background b = Plain(8, 8, 8); b.mode7 = true; b.map.resize(100); return b; }(), std::nullopt, ""},
       "The mode 7 map holds 100 bytes; mode 7's is 16,384."},
      {{[] { Background b = Mapped(4, 4, {4, 5, false}); b.map.pop_back(); return b; }(), std::nullopt, ""},
       "The map holds 39 bytes; a map of 4 x 5 cells has twice as many."},
      {{withBase(Mapped(4, 4, {4, 4, false}), 0, 9), std::nullopt, ""}, "The palette base must lie in 0-7, not 9."},
      {{std::nullopt, Sprites({{{0, 0, 0, 0, 4, false, false, false}}}), ""},
       "Sprite frame 0, object 0: priority 4 is outside 0-3."},
  };
  for (const auto& c : cases) {
    const auto result = tilora::rom::BuildRom(c.contents);
    ASSERT_TRUE(std::holds_alternative<RomRefusal>(result)) << c.message;
    EXPECT_EQ(std::get<RomRefusal>(result).message, c.message);
  }
}

// A map of 16 x 16 blocks smaller than its screen: the cells beyond it show
// a block of four all-colour-0 tiles, the tile data's own where four lie
// as a block reads them, else added at the first numbers free.
TEST(RomBuilder, BlankBlockBeyondTheMap) {
  const auto withZeroTiles = [](std::initializer_list<int> zero) {
    Background b = Mapped(4, 18, {4, 4, false, 16});
    for (const int t : zero) std::fill_n(b.tiles.begin() + 32 * t, 32, 0);
    return b;
  };
  const Background zeros = withZeroTiles({0, 1, 16, 17});
  const Background partly = withZeroTiles({1, 2, 17});  // tile 18 is past the data
  const Background none = withZeroTiles({});
  Background based = none;
  based.tileBase = 1000;  // 1000-1017 taken; 1018 + 17 would pass 1023
  const struct {
    const char* name;
    const Background& background;
    std::uint16_t entry;
    std::vector<int> added;
  } cases[] = {{"own zero tiles", zeros, 0, {}},
               {"partly its own", partly, 1, {18}},
               {"none of its own", none, 18, {18, 19, 34, 35}},
               {"below a high base", based, 0, {0, 1, 16, 17}}};
  for (const auto& c : cases) {
    const auto prepared = tilora::rom::PrepareBackground(c.background, false);
    ASSERT_TRUE(std::holds_alternative<tilora::rom::PreparedBackground>(prepared)) << c.name;
    const auto& p = std::get<tilora::rom::PreparedBackground>(prepared);
    EXPECT_EQ(p.addedBlanks, c.added) << c.name;
    EXPECT_EQ(WordAt(p.map, 2 * 31), c.entry) << c.name;  // the last entry of the first row
  }
}

// Tiles whose numbers start high leave room below them: the map and the
// objects' tiles fit around them rather than being refused.
TEST(RomBuilder, ArrangesVideoMemoryAroundATileBase) {
  Background b = Mapped(4, 960, {32, 32, true});  // 30 KiB of tiles
  b.tileBase = 64;
  SpriteShow s = Sprites({{{0, 0, 0, 0, 0, false, false, false}}});
  s.tiles = Pattern(32 * 512, 9);  // 16 KiB
  EXPECT_FALSE(Built({b, s, "AROUND"}).empty());
}

}  // namespace
