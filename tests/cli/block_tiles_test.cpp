// --tile-size 16 and --tiles-png from the command line: the figures --info
// gives, the sheet of stored tiles, and the options' conflicts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_builder.h"
#include "converter_run.h"
#include "formats/png/png_reader.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;
using tilora::testing::TempDir;

// A 4-bit picture whose right 16 x 16 block mirrors the left one.
BmpShape MirroredBlocks(int width) {
  BmpShape shape = tilora::testing::MakeShape(width, 16, 4);
  shape.pixels.resize(static_cast<std::size_t>(width) * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const auto v = static_cast<std::uint8_t>((x * 3 + y * 5 + x * y) % 16);
      shape.pixels[static_cast<std::size_t>(y * width + x)] = v;
      if (width == 32) shape.pixels[static_cast<std::size_t>(y * width + 31 - x)] = v;
    }
  return shape;
}

class BlockTilesTest : public ::testing::Test {
 protected:
  tilora::testing::ConverterRun Run(const std::string& args) { return tilora::testing::RunConverter(dir_.path(), args); }
  tilora::Picture Png(const std::string& leaf) { return tilora::DecodePng(tilora::testing::ReadFileBytes(dir_ / leaf)); }
  void WritePicture(const BmpShape& shape) {
    tilora::testing::WriteFileBytes(dir_ / "a.bmp", tilora::testing::BuildBmp(shape));
  }
  TempDir dir_;
};

TEST_F(BlockTilesTest, InfoCountsBlocksAndTheTilesTheyTake) {
  WritePicture(MirroredBlocks(32));
  const auto run = Run("--info --tile-size 16 a.bmp");
  ASSERT_EQ(run.status, 0) << run.err;
  // One block stored: tiles 0, 1, 16 and 17 of the 18 it spans.
  EXPECT_NE(run.out.find("16x16 tiles at 4bpp: 2 cells, 2 distinct, 1 distinct with flips, laid out in 18 tiles "
                         "(14 unused)\n"),
            std::string::npos)
      << run.out;
}

// Tile n of the sheet sits at (8 (n % 16), 8 (n / 16)): a block's four tiles
// at n, n + 1, n + 16 and n + 17 show the block whole.
TEST_F(BlockTilesTest, SheetShowsEachBlockWhereTheConsoleReadsIt) {
  WritePicture(MirroredBlocks(16));
  ASSERT_EQ(Run("--map --tile-size 16 --tiles-png sheet.png --preview shown.png a.bmp").status, 0);
  const tilora::Picture sheet = Png("sheet.png");
  const tilora::Picture shown = Png("shown.png");
  ASSERT_EQ(sheet.width, 128);
  ASSERT_EQ(sheet.height, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(sheet.ColourAt(x, y), shown.ColourAt(x, y)) << x << "," << y;
  // Tiles 2-15 are unused, all colour 0 in grey; the slot after tile 17 is empty.
  EXPECT_EQ(sheet.ColourAt(20, 3), (tilora::Rgba{0, 0, 0, 255}));
  EXPECT_EQ(sheet.ColourAt(8 * 2 + 3, 8 + 3), (tilora::Rgba{40, 44, 52, 255}));
}

TEST_F(BlockTilesTest, SheetOfPlainTilesIsThePictureCellByCell) {
  BmpShape shape = tilora::testing::MakeShape(24, 16, 4);
  shape.pixels.resize(24 * 16);
  for (int i = 0; i < 24 * 16; ++i) shape.pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 7 + i / 24) % 16);
  WritePicture(shape);
  ASSERT_EQ(Run("--tiles-png sheet.png --preview shown.png a.bmp").status, 0);
  const tilora::Picture sheet = Png("sheet.png");
  const tilora::Picture shown = Png("shown.png");
  ASSERT_EQ(sheet.width, 128);
  ASSERT_EQ(sheet.height, 8);
  for (int n = 0; n < 6; ++n)
    for (int p = 0; p < 64; ++p)
      ASSERT_EQ(sheet.ColourAt(8 * n + p % 8, p / 8), shown.ColourAt(8 * (n % 3) + p % 8, 8 * (n / 3) + p / 8))
          << "tile " << n;
}

TEST_F(BlockTilesTest, UsageErrors) {
  WritePicture(MirroredBlocks(16));
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--map --tile-size 12 a.bmp", "--tile-size takes 8 or 16, not '12'"},
      {"--tile-size 16 a.bmp", "--tile-size 16 needs --map"},
      {"--mode7 --tile-size 16 a.bmp", "--mode7 tiles are 8x8; --tile-size 16 does not apply"},
      {"--info --tiles-png t.png a.bmp", "--info prints descriptions only; it takes no output options"},
      {"--tiles-png t.png a.bmp a.bmp", "--tiles-png takes one picture only"},
  };
  for (const auto& c : cases) {
    const auto run = Run(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.err, std::string("tilora-convert: ") + c.message + "\nTry 'tilora-convert --help'.\n") << c.args;
  }
}

}  // namespace
