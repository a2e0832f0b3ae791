// The converter's whole background pipeline from the command line: PNG and
// BMP in, tiles, map, palette and preview out, several pictures at a time.

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

namespace {

using tilora::testing::BmpShape;
using tilora::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;


class PipelineTest : public ::testing::Test {
 protected:
  tilora::testing::ConverterRun Run(const std::string& args) { return tilora::testing::RunConverter(dir_.path(), args); }
  Bytes Read(const std::string& leaf) { return tilora::testing::ReadFileBytes(dir_ / leaf); }
  void Write(const std::string& leaf, const Bytes& bytes) { tilora::testing::WriteFileBytes(dir_ / leaf, bytes); }
  TempDir dir_;
};

// A 4-bit picture of 24 x 16: the middle column of tiles mirrors the left
// one horizontally, the right one vertically.
BmpShape MirroredShape() {
  BmpShape shape = tilora::testing::MakeShape(24, 16, 4);
  shape.pixels.resize(24 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      const auto v = static_cast<std::uint8_t>((x * 3 + y * 5 + x * y) % 16);
      shape.pixels[static_cast<std::size_t>(y * 24 + x)] = v;
      shape.pixels[static_cast<std::size_t>(y * 24 + 15 - x)] = v;  // horizontal mirror
      shape.pixels[static_cast<std::size_t>((15 - y) * 24 + 16 + x)] = v;  // vertical mirror
    }
  return shape;
}

tilora::testing::PngShape PngOf(const BmpShape& bmp) {
  tilora::testing::PngShape png;
  png.width = static_cast<std::uint32_t>(bmp.width);
  png.height = static_cast<std::uint32_t>(bmp.height);
  png.bitDepth = static_cast<std::uint8_t>(bmp.depth);
  png.colourType = tilora::testing::kPngPalette;
  png.samples.assign(bmp.pixels.begin(), bmp.pixels.end());
  for (int i = 0; i < (1 << bmp.depth); ++i) {
    const auto e = tilora::testing::PaletteEntry(bmp, i);  // blue, green, red
    png.palette.push_back({e[2], e[1], e[0]});
  }
  return png;
}

// The same picture as a PNG and as a BMP gives the same bytes, with and
// without a map.
TEST_F(PipelineTest, PngAndBmpGiveTheSameOutputs) {
  const BmpShape shape = MirroredShape();
  Write("a.bmp", tilora::testing::BuildBmp(shape));
  Write("a.png", tilora::testing::BuildPng(PngOf(shape)));
  for (const std::string options : {"", "--map "}) {
    ASSERT_EQ(Run(options + "--name fromBmp a.bmp").status, 0) << options;
    ASSERT_EQ(Run(options + "--name fromPng a.png").status, 0) << options;
    for (const char* ext : {".bin", ".plt"}) EXPECT_EQ(Read(std::string("fromBmp") + ext), Read(std::string("fromPng") + ext));
  }
  EXPECT_EQ(Read("fromBmp.map"), Read("fromPng.map"));
}

// Mirrored cells are one tile; every pixel shows its colour again, and the
// preview is the picture in the console's colours.
TEST_F(PipelineTest, MapAndPreviewShowThePicture) {
  const BmpShape shape = MirroredShape();
  Write("a.bmp", tilora::testing::BuildBmp(shape));
  const auto r = Run("--map --preview shown.png a.bmp");
  ASSERT_EQ(r.status, 0) << r.err;
  const Bytes tiles = Read("a.bin");
  EXPECT_EQ(tiles.size(), 2u * 32);  // one shape per tile row, mirrored twice
  tilora::testing::TiledImage image;
  image.tiles = tiles;
  image.map = Read("a.map");
  image.columns = 3;
  ASSERT_EQ(image.map.size(), 3u * 2 * 2);
  const tilora::Picture preview = tilora::DecodePng(Read("shown.png"));
  ASSERT_EQ(preview.width, 24);
  ASSERT_EQ(preview.height, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) {
      const int colour = shape.pixels[static_cast<std::size_t>(y * 24 + x)];
      EXPECT_EQ(tilora::testing::ShownAt(image, x, y).colour, colour) << x << "," << y;
      // Colour 0 is the backdrop, palette word 0; others their own word.
      const auto e = tilora::testing::PaletteEntry(shape, colour);
      const auto widen = [](int c) { return static_cast<std::uint8_t>((c >> 3) << 3 | (c >> 3) >> 2); };
      const tilora::Rgba& p = preview.colours[static_cast<std::size_t>(y * 24 + x)];
      EXPECT_EQ(p, (tilora::Rgba{widen(e[2]), widen(e[1]), widen(e[0]), 255})) << x << "," << y;
    }
}

TEST_F(PipelineTest, InterleavedMode7WritesVideoMemoryAndPalette) {
  Write("a.bmp", tilora::testing::BuildBmp(MirroredShape()));
  ASSERT_EQ(Run("--mode7 --interleave a.bmp").status, 0);
  EXPECT_EQ(Read("a.vram").size(), 32768u);
  EXPECT_EQ(Read("a.plt").size(), 512u);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "a.bin"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "a.map"));
}

// Pictures on several threads report as one at a time would, in order.
TEST_F(PipelineTest, ThreadsKeepMessagesInOrder) {
  std::string pictures;
  for (int i = 0; i < 12; ++i) {
    const std::string leaf = "p" + std::to_string(i) + ".bmp";
    if (i % 3 != 1) Write(leaf, tilora::testing::BuildBmp(tilora::testing::MakeShape(64 + 8 * i, 64, 8)));
    pictures += leaf + " ";
  }
  const auto one = Run("-j 1 " + pictures);
  const auto four = Run("-j 4 " + pictures);
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(four.status, 1);
  EXPECT_EQ(four.err, one.err);
  EXPECT_EQ(one.err, "p1.bmp: File not found.\np4.bmp: File not found.\np7.bmp: File not found.\np10.bmp: File not found.\n");
}

// A 1-bit PNG converts at 2 bpp when asked, and not without.
TEST_F(PipelineTest, ShallowPicturesConvertWithBpp) {
  tilora::testing::PngShape png = tilora::testing::RandomPngShape(16, 8, tilora::testing::kPngPalette, 1, 3);
  Write("one.png", tilora::testing::BuildPng(png));
  EXPECT_EQ(Run("one.png").err, "one.png: 1 bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.\n");
  ASSERT_EQ(Run("--bpp 2 one.png").status, 0);
  EXPECT_EQ(Read("one.bin").size(), 2u * 16);
  EXPECT_EQ(Read("one.plt").size(), 8u);  // one sub-palette of four words
}

// Several sub-palettes need a map to say which tile takes which.
TEST_F(PipelineTest, SubPalettesWithoutMapAreRefused) {
  BmpShape shape = tilora::testing::MakeShape(16, 8, 8);
  shape.pixels.assign(16 * 8, 3);
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) shape.pixels[static_cast<std::size_t>(y * 16 + x)] = 16 + 3;
  Write("two.bmp", tilora::testing::BuildBmp(shape));
  const auto plain = Run("--bpp 4 two.bmp");
  EXPECT_EQ(plain.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "two.bin"));
  ASSERT_EQ(Run("--bpp 4 --map two.bmp").status, 0);
  EXPECT_EQ(Read("two.plt").size(), 2u * 32);
  EXPECT_EQ(Read("two.bin").size(), 32u);  // one shape in two palettes is one tile
}

}  // namespace
