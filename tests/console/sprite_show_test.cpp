// A sprite show on the emulated console: frames of objects built by hand,
// drawn here as the console's rules for objects have them, compared with
// what it shows at the times the cartridge promises.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "console_judge.h"
#include "snes/rom/rom_builder.h"
#include "bmp_builder.h"
#include "temp_dir.h"

namespace {

using tilora::console::Frame;
using tilora::rom::SpriteObject;
using Bytes = std::vector<std::uint8_t>;

constexpr int kTiles = 32;

// Colour k of tile t at (x, y): lopsided, with holes of colour 0.
int TileColour(int t, int x, int y) {
  if ((x + 2 * y + t) % 9 == 0) return 0;
  return (t * 5 + x * 3 + y * 7 + (x > y ? 4 : 0)) % 15 + 1;
}

Bytes PlanarTiles() {
  Bytes bytes(32 * kTiles, 0);
  for (int t = 0; t < kTiles; ++t)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        for (int plane = 0; plane < 4; ++plane)
          if (TileColour(t, x, y) >> plane & 1)
            bytes[static_cast<std::size_t>(32 * t + 16 * (plane / 2) + 2 * y + plane % 2)] |=
                static_cast<std::uint8_t>(0x80 >> x);
  return bytes;
}

std::uint16_t PaletteWord(int entry) { return static_cast<std::uint16_t>((entry * 331 + 77) & 0x7FFF); }

// The object's pixel at (px, py) within it: the tile of a large object's
// block (columns wrap within their row of 16 tiles) and its colour.
int ObjectColour(const SpriteObject& o, int side, int px, int py) {
  const int sx = o.hflip ? side - 1 - px : px, sy = o.vflip ? side - 1 - py : py;
  const int column = (o.tile + sx / 8) & 0x0F, row = ((o.tile >> 4) + sy / 8) & 0x0F;
  const int tile = (o.tile & 0x100) | row << 4 | column;
  return tile < kTiles ? TileColour(tile, sx % 8, sy % 8) : 0;
}

Frame Expected(const std::vector<SpriteObject>& objects) {
  Frame screen{256, 224, std::vector<std::uint32_t>(256 * 224, tilora::console::ShownWord(PaletteWord(0)))};
  for (const SpriteObject& o : objects) {
    const int side = o.large ? 16 : 8;  // the 8/16 pair
    for (int py = 0; py < side; ++py)
      for (int px = 0; px < side; ++px) {
        const int colour = ObjectColour(o, side, px, py);
        // X is 9 bits: -2 is 510, two columns left of the screen's edge.
        const int x = ((128 + o.x + px) % 512 + 512) % 512, y = 112 + o.y + py;
        if (colour == 0 || x >= 256 || y < 0 || y >= 224) continue;
        screen.pixels[static_cast<std::size_t>(y * 256 + x)] = tilora::console::ShownWord(PaletteWord(16 * o.palette + colour));
      }
  }
  return screen;
}

TEST(SpriteShow, FramesTakeTurnsAtTheMiddleOfTheScreen) {
  tilora::rom::SpriteShow show;
  show.tiles = PlanarTiles();
  for (int i = 0; i < 32; ++i) {
    show.palette.push_back(static_cast<std::uint8_t>(PaletteWord(i) & 0xFF));
    show.palette.push_back(static_cast<std::uint8_t>(PaletteWord(i) >> 8));
  }
  show.sizes = tilora::rom::ObjSizes::Small8Large16;
  show.frames = {
      {{-40, -30, 2, 0, 2, false, false, false},
       {8, -4, 0, 1, 2, true, false, true},
       {-8, 20, 5, 1, 3, false, true, false},
       {-130, 40, 7, 0, 0, false, false, false}},  // partly past the left edge
      {{30, 10, 3, 1, 0, false, true, false},
       {-50, -50, 0, 0, 1, false, true, true},
       {60, -60, 15, 0, 2, false, false, true}},  // its second column wraps to tile 0
  };
  tilora::testing::TempDir dir;
  const auto rom = tilora::rom::BuildRom({std::nullopt, show, "SPRITES"});
  ASSERT_TRUE(std::holds_alternative<Bytes>(rom)) << std::get<tilora::rom::RomRefusal>(rom).message;
  tilora::testing::WriteFileBytes(dir / "s.sfc", std::get<Bytes>(rom));

  // Each frame for 30 frames from frame 30, then round again.
  const auto shown = tilora::console::RunCartridge(dir.path() / "s.sfc", {45, 75, 105});
  EXPECT_EQ(tilora::console::Differences(shown.at(45), Expected(show.frames[0])), "");
  EXPECT_EQ(tilora::console::Differences(shown.at(75), Expected(show.frames[1])), "");
  EXPECT_EQ(tilora::console::Differences(shown.at(105), Expected(show.frames[0])), "");
}

}  // namespace
