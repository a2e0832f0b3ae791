// Sprite sheets converted by tilora-convert --sprites --rom, judged by the
// emulated console: each frame, as it shows it, must be the sheet's frame
// drawn at the middle of the screen, its origin there.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "console_judge.h"
#include "converter_run.h"
#include "temp_dir.h"

namespace {

using tilora::console::Frame;
using tilora::testing::BmpShape;

constexpr int kFrameSide = 32;

// Colour 16b+k at (x, y) of frame f: a body in sub-palette 0 with an arm in
// sub-palette 1 that sticks out off the 8-pixel grid; frame 1 is frame 0
// mirrored, frame 2 upside down.
int SheetIndex(int x, int y) {
  const int f = x / kFrameSide;
  int fx = x % kFrameSide, fy = y;
  if (f == 1) fx = kFrameSide - 1 - fx;
  if (f == 2) fy = kFrameSide - 1 - fy;
  const int dx = fx - 14, dy = fy - 13;
  if (dx * dx + dy * dy < 60) return 1 + (fx * 3 + fy * 5 + (fx > fy ? 4 : 0)) % 15;
  if (fy >= 21 && fy < 24 && fx >= 3 && fx < 29) return 16 + 1 + (fx + fy) % 14;
  return 0;
}

BmpShape Sheet() {
  BmpShape shape = tilora::testing::MakeShape(3 * kFrameSide, kFrameSide, 8);
  shape.pixels.resize(static_cast<std::size_t>(shape.width * shape.height));
  for (int y = 0; y < shape.height; ++y)
    for (int x = 0; x < shape.width; ++x)
      shape.pixels[static_cast<std::size_t>(y * shape.width + x)] = static_cast<std::uint8_t>(SheetIndex(x, y));
  shape.palette.clear();
  for (int i = 0; i < 256; ++i) {
    const int c = i * 181 + 7;
    const auto eight = [](int five) { return static_cast<std::uint8_t>(five << 3 | 3); };
    shape.palette.push_back({eight(c >> 10 & 31), eight(c >> 5 & 31), eight(c & 31)});
  }
  return shape;
}

std::uint16_t WordAt(const std::vector<std::uint8_t>& palette, std::size_t i) {
  return static_cast<std::uint16_t>(palette[2 * i] | palette[2 * i + 1] << 8);
}

// Frame f of the sheet with its origin at the screen's middle, over the
// backdrop; colours as the sprite palette holds them (16b+k).
Frame Expected(const std::vector<std::uint8_t>& palette, int f, int originX, int originY, std::uint32_t backdrop) {
  Frame screen{256, 224, std::vector<std::uint32_t>(256 * 224, backdrop)};
  for (int y = 0; y < kFrameSide; ++y)
    for (int x = 0; x < kFrameSide; ++x) {
      const int index = SheetIndex(f * kFrameSide + x, y);
      if (index % 16 == 0) continue;
      const int sx = 128 - originX + x, sy = 112 - originY + y;
      screen.pixels[static_cast<std::size_t>(sy * 256 + sx)] =
          tilora::console::ShownWord(WordAt(palette, static_cast<std::size_t>(index)));
    }
  return screen;
}

// Both object sizes of a pair, flips and two sub-palettes, with the
// origin inside the frame; frame k shows from frame 30 (k + 1).
TEST(SpriteSheetOnTheConsole, EachFrameAsTheSheetDrawsIt) {
  for (const char* sizes : {"8,16", "16,32"}) {
    SCOPED_TRACE(sizes);
    tilora::testing::TempDir dir;
    const BmpShape sheet = Sheet();
    tilora::testing::WriteFileBytes(dir / "walk.bmp", tilora::testing::BuildBmp(sheet));
    const auto run = tilora::testing::RunConverter(
        dir.path(), std::string("--sprites 32x32 --origin 16,30 --obj-sizes ") + sizes + " --rom walk.sfc walk.bmp");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto palette = tilora::testing::ReadFileBytes(dir / "walk.plt");
    ASSERT_GE(palette.size(), 64u);
    const auto shown = tilora::console::RunCartridge(dir.path() / "walk.sfc", {45, 75, 105});
    const std::uint32_t backdrop = tilora::console::ShownWord(WordAt(palette, 0));
    for (int f = 0; f < 3; ++f)
      EXPECT_EQ(tilora::console::Differences(shown.at(45 + 30 * f), Expected(palette, f, 16, 30, backdrop)),
                "")
          << "frame " << f;
  }
}

}  // namespace
