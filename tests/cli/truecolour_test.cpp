// Truecolour pictures through the converter: generated sub-palettes, the
// colour 0 rules, refusals, the lossy reduction and the descriptions.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bmp_builder.h"
#include "converter_run.h"
#include "console_decoder.h"
#include "formats/png/png_reader.h"
#include "png_builder.h"
#include "temp_dir.h"
#include "truecolour_pictures.h"

namespace {

using tilora::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;



class TruecolourTest : public ::testing::Test {
 protected:
  tilora::testing::ConverterRun Run(const std::string& args) { return tilora::testing::RunConverter(dir_.path(), args); }
  Bytes Read(const std::string& leaf) { return tilora::testing::ReadFileBytes(dir_ / leaf); }
  // An RGB or RGBA PNG of the given pixels (alpha 255 where none is given).
  void WritePng(const std::string& leaf, int width, int height, const std::vector<tilora::Rgba>& pixels,
                bool alpha, int bits = 8) {
    tilora::testing::PngShape shape;
    shape.width = static_cast<std::uint32_t>(width);
    shape.height = static_cast<std::uint32_t>(height);
    shape.bitDepth = static_cast<std::uint8_t>(bits);
    shape.colourType = alpha ? tilora::testing::kPngRgba : tilora::testing::kPngRgb;
    const int scale = bits == 16 ? 257 : 1;
    for (const tilora::Rgba& p : pixels) {
      for (const int c : {p.red, p.green, p.blue}) shape.samples.push_back(static_cast<std::uint16_t>(c * scale));
      if (alpha) shape.samples.push_back(static_cast<std::uint16_t>(p.alpha * scale));
    }
    tilora::testing::WriteFileBytes(dir_ / leaf, tilora::testing::BuildPng(shape));
  }
  TempDir dir_;
};

std::uint8_t Shown(std::uint8_t c) { return static_cast<std::uint8_t>((c >> 3) << 3 | (c >> 3) >> 2); }

std::vector<tilora::Rgba> Pixels(const tilora::testing::TruecolourPicture& art) {
  std::vector<tilora::Rgba> out;
  for (const auto& p : art.pixels) out.push_back({p.red, p.green, p.blue, 255});
  return out;
}

// Tile art that fits: the console shows every pixel in its own colour
// truncated to 15 bits, whatever bit depth the file had.
TEST_F(TruecolourTest, LosslessRoundTrip) {
  const auto art = tilora::testing::ThemedTileArt(64, 48, 5, 3, 12, 7);
  for (const int bits : {8, 16}) {
    WritePng("art.png", art.width, art.height, Pixels(art), false, bits);
    const auto r = Run("--palettes 8 --map --preview shown.png art.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const tilora::Picture shown = tilora::DecodePng(Read("shown.png"));
    ASSERT_EQ(shown.colours.size(), art.pixels.size());
    for (std::size_t i = 0; i < art.pixels.size(); ++i) {
      const auto& p = art.pixels[i];
      ASSERT_EQ(shown.colours[i], (tilora::Rgba{Shown(p.red), Shown(p.green), Shown(p.blue), 255})) << bits << " bits, pixel " << i;
    }
  }
}

// Which pixels take colour 0: transparent ones; those of --colour-zero; with
// neither, those of the top-left pixel's colour.
TEST_F(TruecolourTest, ColourZeroRules) {
  const tilora::Rgba red{200, 0, 0, 255}, black{0, 0, 0, 255}, clear{50, 60, 70, 0}, blue{0, 0, 200, 255};
  const struct {
    const char* name;
    std::vector<tilora::Rgba> pixels;  // 8 x 1
    bool alpha;
    const char* options;
    std::vector<int> colourZero;  // pixels expected at colour 0
    std::uint16_t word0;
  } cases[] = {
      {"transparent", {clear, black, red, clear, red, red, black, red}, true, "", {0, 3}, 0x0000},
      {"colour zero", {red, blue, blue, red, red, blue, red, red}, false, "--colour-zero 0000C8", {1, 2, 5}, 0x6400},
      {"top-left", {blue, red, blue, red, red, red, red, blue}, false, "", {0, 2, 7}, 0x6400},
  };
  for (const auto& c : cases) {
    WritePng("p.png", 8, 1, c.pixels, c.alpha);
    const auto r = Run(std::string("--palettes 1 --map ") + c.options + " p.png");
    ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
    tilora::testing::TiledImage image;
    image.tiles = Read("p.bin");
    image.map = Read("p.map");
    image.columns = 1;
    for (int x = 0; x < 8; ++x) {
      const bool zero = std::find(c.colourZero.begin(), c.colourZero.end(), x) != c.colourZero.end();
      EXPECT_EQ(tilora::testing::ShownAt(image, x, 0).colour == 0, zero) << c.name << " pixel " << x;
    }
    const Bytes palette = Read("p.plt");
    EXPECT_EQ(palette[0] | palette[1] << 8, c.word0) << c.name;
  }
}

TEST_F(TruecolourTest, RefusalsNameTheTileOrTheBestCount) {
  std::vector<tilora::Rgba> many(16 * 8, {0, 0, 0, 255});
  for (int i = 0; i < 20; ++i) many[static_cast<std::size_t>(8 + i % 8 + 16 * (i / 8))] = {static_cast<std::uint8_t>(8 * i + 8), 40, 40, 255};
  WritePng("many.png", 16, 8, many, false);
  auto r = Run("--palettes 8 many.png");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "many.png: The tile at 8,0 has 20 colours besides colour 0; a sub-palette of 16 colours holds 15.\n");

  const auto art = tilora::testing::ThemedTileArt(64, 64, 4, 10, 14, 3);
  WritePng("art.png", art.width, art.height, Pixels(art), false);
  r = Run("--palettes 1 --map art.png");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "art.png: No packing into 1 sub-palette of 16 colours: at least 4 are needed for 54 colours besides "
                   "colour 0.\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "art.bin"));
  EXPECT_EQ(Run("art.png").err, "art.png: 24 bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.\n");

  // With --lossy the same picture fits, and says how far colours moved.
  r = Run("--palettes 1 --map --lossy --dither --palette-png swatches.png art.png");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err.rfind("art.png: colours reduced to fit: mean \xCE\x94" "E ", 0), 0u) << r.err;
  const tilora::Picture swatches = tilora::DecodePng(Read("swatches.png"));
  EXPECT_EQ(swatches.width, 16 * 16);
  EXPECT_EQ(swatches.height, 16);
}

// 64 tiles of 15 of 30 colours, 30 different sets, and colour 0 a colour
// of its own: no two tiles of different sets fit one sub-palette, which is
// said at once, packing nothing.
TEST_F(TruecolourTest, RefusesAtOnceWhenTilesNeedMoreSubPalettes) {
  std::vector<tilora::Rgba> pixels(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const int tile = y / 8 * 8 + x / 8, colour = (tile + (y % 8 * 8 + x % 8) % 15) % 30;
      pixels[static_cast<std::size_t>(y * 64 + x)] = {static_cast<std::uint8_t>(8 * colour + 8), 40, 40, 255};
    }
  pixels[0] = {0, 0, 0, 255};
  WritePng("sets.png", 64, 64, pixels, false);
  auto r = Run("--palettes 8 sets.png");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "sets.png: No packing into 8 sub-palettes of 16 colours: at least 30 are needed, as no two of 30 "
                   "tiles fit one sub-palette together.\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "sets.bin"));
  r = Run("--info sets.png");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\nFewest sub-palettes: at least 30 at 4bpp, none (a tile has too many colours) at 2bpp\n"),
            std::string::npos)
      << r.out;
}

TEST_F(TruecolourTest, InfoDescribesTruecolour) {
  const auto art = tilora::testing::ThemedTileArt(32, 32, 3, 4, 8, 5);
  WritePng("art.png", art.width, art.height, Pixels(art), false);
  const auto r = Run("--info art.png");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Resolution: 32x32\nPic Format: 24bpp\nColours: ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nFewest sub-palettes: "), std::string::npos) << r.out;
}

}  // namespace
