// The console itself as the judge: cartridges made by tilora-convert --rom
// run on an emulated console, and each frame must match the converter's
// preview of the picture, pixel for pixel, the backdrop around it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "console_judge.h"
#include "converter_run.h"
#include "formats/png/png_reader.h"
#include "snes/rom/rom_builder.h"
#include "temp_dir.h"

namespace {

using tilora::console::Frame;
using tilora::console::HeldButton;
using tilora::testing::BmpShape;
using tilora::testing::ReadFileBytes;
using tilora::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

constexpr int kShown = 30;  // the first frame the cartridge promises its picture

// A table of colours that differ in their top five bits, so no two indices
// look alike on the console.
void DistinctColours(BmpShape& shape) {
  shape.palette.clear();
  for (int i = 0; i < 256; ++i) {
    const int c = i * 97;
    const auto eight = [](int five) { return static_cast<std::uint8_t>(five << 3 | 4); };
    shape.palette.push_back({eight(c >> 10 & 31), eight(c >> 5 & 31), eight(c & 31)});
  }
}

BmpShape Picture(int width, int height, std::uint16_t depth, const std::function<int(int, int)>& index) {
  BmpShape shape = tilora::testing::MakeShape(width, height, depth);
  shape.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) shape.pixels[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>(index(x, y));
  DistinctColours(shape);
  return shape;
}

// Colour k (0-15) of pattern t at (x, y) within a cell: lopsided, so a
// flipped copy differs.
int Pattern(int t, int x, int y) { return (t * 7 + x * (t % 5 + 1) + y * y * 3 + (x > y ? 5 : 0)) % 16; }

// Cells of a dozen patterns, flipped and in four sub-palettes: a map with
// flips and several palette numbers.
BmpShape Blocks() {
  return Picture(200, 150, 8, [](int x, int y) {
    const int cx = x / 8, cy = y / 8, flip = (cx + cy) % 4;
    const int px = flip & 1 ? 7 - x % 8 : x % 8, py = flip & 2 ? 7 - y % 8 : y % 8;
    return 16 * ((cx * cy + cx) % 4) + Pattern((cx * 3 + cy * 5) % 12, px, py);
  });
}

// Cells of 40 patterns in three sub-palettes, placed so that any shift
// shows.
BmpShape Tiled(int width, int height) {
  return Picture(width, height, 8, [](int x, int y) {
    const int cx = x / 8, cy = y / 8;
    return 16 * ((cx / 5 + cy) % 3) + Pattern((cx * 7 + cy * 3) % 40, x % 8, y % 8);
  });
}

// Mode 7: 150 tiles and the picture's cut edges over a plane larger than
// the screen.
BmpShape Plane() {
  return Picture(300, 250, 8, [](int x, int y) {
    const int t = (x / 8 * 5 + y / 8 * 11) % 150;
    return (t * 37 + (x % 8) * 13 + (y % 8) * (t % 7 + 1) * 29) % 256;
  });
}

// 16 x 16 blocks of a dozen patterns, flipped whole and in four
// sub-palettes, cut by the picture's edges.
BmpShape Blocks16(int width, int height) {
  return Picture(width, height, 8, [](int x, int y) {
    const int bx = x / 16, by = y / 16, flip = (bx + 2 * by) % 4;
    const int px = flip & 1 ? 15 - x % 16 : x % 16, py = flip & 2 ? 15 - y % 16 : y % 16;
    return 16 * ((bx * by + bx) % 4) + Pattern((bx * 3 + by * 5) % 12 + px / 8 * 3 + py / 8 * 7, px % 8, py % 8);
  });
}

struct Scroll {
  int x = 0;
  int y = 0;
};

struct Case {
  const char* name;
  std::function<BmpShape()> picture;
  const char* options;
  std::optional<Scroll> scrolled;  // held right and down until the picture's edges
};

const Case kCases[] = {
    {"TwoBitsPlainSmallerThanTheScreen",
     [] { return Picture(100, 60, 4, [](int x, int y) { return (x / 3 + y / 5 + x * y % 3) % 4; }); }, "--bpp 2", {}},
    {"FourBitsMapWithFlipsAndSubPalettes", Blocks, "--bpp 4 --map", {}},
    {"FourBitsTileAndPaletteBase", Blocks, "--bpp 4 --map --tile-base 5 --palette-base 2", {}},
    {"EightBitsPlainFullScreen",
     [] { return Picture(256, 224, 8, [](int x, int y) { return (x * 7 + y * 13 + x * y) % 256; }); }, "", {}},
    {"EightBitsMapBlankTile", Blocks, "--map --blank-tile", {}},
    {"TwoBitsMapPaletteBase",
     [] { return Picture(72, 40, 8, [](int x, int y) { return 4 * ((x / 8 + y / 8) % 4) + Pattern(x / 8, x % 8, y % 8) % 4; }); },
     "--bpp 2 --map --palette-base 1", {}},
    {"FourBitsPlainInALaterSubPalette",
     [] { return Picture(40, 24, 8, [](int x, int y) { return 32 + Pattern(y / 8, x % 8, y % 8); }); }, "--bpp 4", {}},
    {"ScreensTwoAcrossScrolled", [] { return Tiled(512, 240); }, "--bpp 4 --map --screens", Scroll{256, 16}},
    {"ScreensFourScrolled", [] { return Tiled(300, 300); }, "--bpp 4 --map --screens", Scroll{300 - 256, 300 - 224}},
    {"MapWiderThanAScreenScrolled", [] { return Tiled(300, 100); }, "--bpp 4 --map", Scroll{300 - 256, 0}},
    {"BlocksWithFlipsAndSubPalettes", [] { return Blocks16(200, 150); }, "--bpp 4 --map --tile-size 16", {}},
    {"BlocksBasesTwoBits",
     [] {
       return Picture(90, 70, 8, [](int x, int y) {
         return 4 * ((x / 16 + y / 16) % 3) + Pattern(x / 16 + 2 * (y / 16) + x / 8 % 2, x % 8, y % 8) % 4;
       });
     },
     "--bpp 2 --map --tile-size 16 --tile-base 7 --palette-base 1", {}},
    {"BlocksEightBitsBlankTile", [] { return Blocks16(120, 64); }, "--map --tile-size 16 --blank-tile", {}},
    {"BlocksWiderThanAScreenScrolled", [] { return Blocks16(600, 260); }, "--bpp 4 --map --tile-size 16",
     Scroll{600 - 256, 260 - 224}},
    {"BlocksScreensFourScrolled", [] { return Blocks16(700, 560); }, "--bpp 4 --map --tile-size 16 --screens",
     Scroll{700 - 256, 560 - 224}},
    {"Mode7Scrolled", Plane, "--mode7", Scroll{300 - 256, 250 - 224}},
    {"Mode7Interleaved", Plane, "--mode7 --interleave", {}},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ConsoleTest : public ::testing::TestWithParam<Case> {
 protected:
  void Convert(const BmpShape& picture, const std::string& options) {
    tilora::testing::WriteFileBytes(dir_ / "a.bmp", tilora::testing::BuildBmp(picture));
    const auto run = tilora::testing::RunConverter(dir_.path(), options + " --preview shown.png --rom a.sfc a.bmp");
    ASSERT_EQ(run.status, 0) << run.err;
  }
  Frame Preview() const {
    const tilora::Picture shown = tilora::DecodePng(ReadFileBytes(dir_ / "shown.png"));
    Frame frame{shown.width, shown.height, {}};
    for (const tilora::Rgba& c : shown.colours)
      frame.pixels.push_back(static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 | c.blue);
    return frame;
  }
  std::uint32_t Backdrop() const {
    const Bytes palette = ReadFileBytes(dir_ / "a.plt");
    return tilora::console::ShownWord(static_cast<std::uint16_t>(palette[0] | palette[1] << 8));
  }
  TempDir dir_;
};

TEST_P(ConsoleTest, ShowsThePreview) {
  const Case& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Convert(c.picture(), c.options));
  const Frame preview = Preview();
  // Held until the scroll has reached both edges, then let go.
  const int farthest = c.scrolled ? std::max({256, c.scrolled->x, c.scrolled->y}) : 0;
  const int hold = farthest / tilora::rom::kScrollStep + 2;
  const int scrolledAt = kShown + 1 + hold + 3;
  std::vector<int> frames = {kShown};
  std::vector<HeldButton> held;
  if (c.scrolled) {
    frames.push_back(scrolledAt);
    held = {{"right", kShown + 1, kShown + hold}, {"down", kShown + 1, kShown + hold}};
  }
  const auto shown = tilora::console::RunCartridge(dir_.path() / "a.sfc", frames, held);
  EXPECT_EQ(tilora::console::Differences(shown.at(kShown), tilora::console::ScreenOf(preview, Backdrop(), 0, 0)), "");
  if (c.scrolled) {
    EXPECT_EQ(tilora::console::Differences(shown.at(scrolledAt),
                                           tilora::console::ScreenOf(preview, Backdrop(), c.scrolled->x, c.scrolled->y)),
              "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cartridges, ConsoleTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace

namespace {

// One byte of the outputs changed before the cartridge is built: the
// console must show a different picture, or these tests prove nothing.
struct Corruption {
  const char* name;
  Bytes tilora::rom::Background::*buffer;
  std::size_t at;
  std::uint8_t mask;
};

void PrintTo(const Corruption& c, std::ostream* out) { *out << c.name; }

const Corruption kCorruptions[] = {
    {"Nothing", &tilora::rom::Background::tiles, 0, 0x00},
    {"TileByte", &tilora::rom::Background::tiles, 0, 0x80},        // row 0, plane 0 of tile 0: the top-left pixel
    {"MapByte", &tilora::rom::Background::map, 0, 0x01},           // the top-left cell shows tile 1
    {"PaletteByte", &tilora::rom::Background::palette, 2, 0x1F},  // the red of colour 1
};

class CorruptedOutputs : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptedOutputs, ChangeWhatTheConsoleShows) {
  TempDir dir;
  // The top-left pixel shows colour 1 of sub-palette 0, its cell a tile of
  // its own.
  const BmpShape picture = Picture(64, 32, 4, [](int x, int y) { return x + y == 0 ? 1 : (x / 8 + y / 8 + x * y) % 16; });
  tilora::testing::WriteFileBytes(dir / "a.bmp", tilora::testing::BuildBmp(picture));
  const auto run = tilora::testing::RunConverter(dir.path(), "--map --preview shown.png a.bmp");
  ASSERT_EQ(run.status, 0) << run.err;

  tilora::rom::Background background;
  background.bpp = 4;
  background.tiles = ReadFileBytes(dir / "a.bin");
  background.map = ReadFileBytes(dir / "a.map");
  background.palette = ReadFileBytes(dir / "a.plt");
  background.mapShape = tilora::rom::MapShape{8, 4, false};
  background.width = 64;
  background.height = 32;
  const std::uint32_t backdrop = tilora::console::ShownWord(static_cast<std::uint16_t>(background.palette[0] | background.palette[1] << 8));
  const Corruption& c = GetParam();
  (background.*c.buffer)[c.at] ^= c.mask;
  const auto rom = tilora::rom::BuildRom({background, std::nullopt, "CORRUPTED"});
  ASSERT_TRUE(std::holds_alternative<Bytes>(rom));
  tilora::testing::WriteFileBytes(dir / "a.sfc", std::get<Bytes>(rom));

  const tilora::Picture shownPng = tilora::DecodePng(ReadFileBytes(dir / "shown.png"));
  Frame preview{shownPng.width, shownPng.height, {}};
  for (const tilora::Rgba& p : shownPng.colours)
    preview.pixels.push_back(static_cast<std::uint32_t>(p.red) << 16 | static_cast<std::uint32_t>(p.green) << 8 | p.blue);
  const auto shown = tilora::console::RunCartridge(dir.path() / "a.sfc", {kShown});
  const std::string differences = tilora::console::Differences(shown.at(kShown), tilora::console::ScreenOf(preview, backdrop, 0, 0));
  if (c.mask == 0) EXPECT_EQ(differences, "");
  else EXPECT_NE(differences, "");
}

INSTANTIATE_TEST_SUITE_P(Cartridges, CorruptedOutputs, ::testing::ValuesIn(kCorruptions),
                         [](const ::testing::TestParamInfo<Corruption>& param) { return std::string(param.param.name); });

}  // namespace
