// The console as the judge of a shared conversion: the cartridge of a level
// built on a font already in video memory shows its first picture exactly
// as that picture's own preview does, tiles at their base, sub-palettes
// after the font's.

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "console_judge.h"
#include "converter_run.h"
#include "formats/png/png_reader.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;
using tilora::testing::ReadFileBytes;

constexpr int kShown = 30;

// Colour k of pattern t at (x, y) within a cell: lopsided, so a flipped
// copy differs.
int Pattern(int t, int x, int y) { return (t * 7 + x * (t % 5 + 1) + y * y * 3 + (x > y ? 5 : 0)) % 16; }

// Cells of patterns in sub-palettes 1 to 3, every other one flipped; one
// table of distinct colours for every picture and the font.
BmpShape Background(int width, int height, int seed) {
  BmpShape shape = tilora::testing::MakeShape(width, height, 8);
  shape.pixels.resize(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int cx = x / 8, cy = y / 8, flip = (cx + cy + seed) % 4;
      const int px = flip & 1 ? 7 - x % 8 : x % 8, py = flip & 2 ? 7 - y % 8 : y % 8;
      const int k = Pattern((cx * 3 + cy * 5 + seed) % 20, px, py);
      shape.pixels[static_cast<std::size_t>(y * width + x)] =
          static_cast<std::uint8_t>(k ? 16 * (1 + (cx + cy) % 3) + k : 0);
    }
  shape.palette.clear();
  for (int i = 0; i < 256; ++i) {
    const int c = i * 97 + 3;
    const auto eight = [](int five) { return static_cast<std::uint8_t>(five << 3 | 4); };
    shape.palette.push_back({eight(c >> 10 & 31), eight(c >> 5 & 31), eight(c & 31)});
  }
  return shape;
}

TEST(SharedConsoleTest, ShowsTheFirstPictureOverTheFont) {
  tilora::testing::TempDir dir;
  BmpShape font = Background(64, 16, 0);
  for (std::uint8_t& index : font.pixels) index &= 15;  // the font's one sub-palette
  tilora::testing::WriteFileBytes(dir / "font.bmp", tilora::testing::BuildBmp(font));
  tilora::testing::WriteFileBytes(dir / "a.bmp", tilora::testing::BuildBmp(Background(200, 120, 1)));
  tilora::testing::WriteFileBytes(dir / "b.bmp", tilora::testing::BuildBmp(Background(96, 64, 2)));
  ASSERT_EQ(tilora::testing::RunConverter(dir.path(), "--bpp 4 --map --name gfx font.bmp").status, 0);
  std::filesystem::create_directory(dir.path() / "shown");
  const auto run = tilora::testing::RunConverter(
      dir.path(), "--bpp 4 --tile-base 32 --in-tiles gfx.bin --in-palette gfx.plt --shared gfx --preview shown "
                  "--rom gfx.sfc a.bmp b.bmp");
  ASSERT_EQ(run.status, 0) << run.err;

  const tilora::Picture shown = tilora::DecodePng(ReadFileBytes(dir / "shown/a.png"));
  tilora::console::Frame preview{shown.width, shown.height, {}};
  for (const tilora::Rgba& c : shown.colours)
    preview.pixels.push_back(static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 |
                             c.blue);
  const auto palette = ReadFileBytes(dir / "gfx.plt");
  const std::uint32_t backdrop = tilora::console::ShownWord(static_cast<std::uint16_t>(palette[0] | palette[1] << 8));
  const auto frames = tilora::console::RunCartridge(dir.path() / "gfx.sfc", {kShown});
  EXPECT_EQ(tilora::console::Differences(frames.at(kShown), tilora::console::ScreenOf(preview, backdrop, 0, 0)), "");
}

}  // namespace
