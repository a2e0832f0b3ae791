// The converter under hostile conditions: too little memory, outputs that
// lead to other pictures of the run, sizes no conversion takes.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "bmp_builder.h"
#include "converter_run.h"
#include "png_builder.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using tilora::testing::TempDir;

class RobustnessTest : public ::testing::Test {
 protected:
  tilora::testing::ConverterRun Run(const std::string& args) { return tilora::testing::RunConverter(dir_.path(), args); }
  // A truecolour picture of eight colours in stripes of whole tiles, which
  // one sub-palette holds.
  void WriteStripes(const std::string& leaf, std::uint32_t width, std::uint32_t height) {
    tilora::testing::PngShape shape;
    shape.width = width;
    shape.height = height;
    shape.colourType = tilora::testing::kPngRgb;
    for (std::uint32_t y = 0; y < height; ++y)
      for (std::uint32_t x = 0; x < width; ++x)
        for (const int channel : {0, 1, 2})
          shape.samples.push_back(static_cast<std::uint16_t>(((x / 8 + y / 8) % 8) * 32 + static_cast<std::uint32_t>(channel) * 8));
    tilora::testing::WriteFileBytes(dir_ / leaf, tilora::testing::BuildPng(shape));
  }
  TempDir dir_;
};

// Whatever the memory the process may take, a picture that does not fit in
// it is one line and exit 1, the pictures after it are still converted, and
// nothing aborts.
TEST_F(RobustnessTest, RunningOutOfMemoryIsOnePicturesFailure) {
#ifdef TILORA_SANITIZED
  GTEST_SKIP() << "the sanitizers reserve more address space than any limit here leaves";
#endif
  WriteStripes("big.png", 512, 512);
  tilora::testing::WriteFileBytes(dir_ / "small.bmp", tilora::testing::BuildBmp(tilora::testing::MakeShape(8, 8, 4)));
  // Limits at which the large picture alone runs out, and at which both
  // convert; at the lowest ones the small one may run out too.
  int bigAlone = 0, both = 0;
  for (int kib = 6000; kib <= 30000; kib += 2000) {
    SCOPED_TRACE(kib);
    fs::remove(dir_ / "small.bin");
    const std::string limited = "sh -c 'ulimit -v " + std::to_string(kib) + "; exec \"$0\" \"$@\"' ";
    const auto run = tilora::testing::RunConverterWith(dir_.path(), limited, "--palettes 1 big.png small.bmp");
    if (run.status == 127) continue;  // too little to start at all
    ASSERT_TRUE(run.status == 0 || run.status == 1) << run.status << " " << run.err;
    const bool small = fs::exists(dir_ / "small.bin");
    if (run.status == 0) {
      ++both;
      continue;
    }
    EXPECT_EQ(run.err, small ? "big.png: Out of memory.\n" : "big.png: Out of memory.\nsmall.bmp: Out of memory.\n");
    bigAlone += small ? 1 : 0;
  }
  EXPECT_GT(bigAlone, 0);
  EXPECT_GT(both, 0);
}

// An output that leads to another picture of the same run would replace it,
// before or after that picture is read as -j has it.
TEST_F(RobustnessTest, AnOutputThatIsAnotherPictureOfTheRunIsAUsageError) {
  const auto bmp = tilora::testing::BuildBmp(tilora::testing::MakeShape(8, 8, 4));
  tilora::testing::WriteFileBytes(dir_ / "a.bmp", bmp);
  tilora::testing::WriteFileBytes(dir_ / "b.bmp", bmp);
  fs::create_symlink("b.bmp", dir_.path() / "a.bin");
  const auto r = Run("a.bmp b.bmp");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "tilora-convert: a.bin, an output of a.bmp, is the picture b.bmp of the same run\n"
            "Try 'tilora-convert --help'.\n");
  EXPECT_EQ(tilora::testing::ReadFileBytes(dir_ / "b.bmp"), bmp);
  EXPECT_FALSE(fs::exists(dir_ / "a.plt"));
}

// The same size is refused the same way in a bitmap and a PNG, described or
// converted, before its pixels are read.
TEST_F(RobustnessTest, SizesBeyondTheLimitsAreRefusedInEveryFormat) {
  auto tall = tilora::testing::MakeShape(16, 5000, 8);
  tilora::testing::WriteFileBytes(dir_ / "tall.bmp", tilora::testing::BuildBmp(tall));
  tilora::testing::WriteFileBytes(dir_ / "tall.png",
                                  tilora::testing::BuildPng(tilora::testing::RandomPngShape(
                                      16, 5000, tilora::testing::kPngPalette, 8, 1)));
  const std::string refusal =
      ": The picture is 5000 pixels high; only heights from 1 to 4096 (negative when stored top row first) are "
      "converted.\n";
  for (const char* picture : {"tall.bmp", "tall.png"}) {
    SCOPED_TRACE(picture);
    const auto info = Run(std::string("--info ") + picture);
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "Resolution: 16x5000\nPic Format: 8bpp\n");
    EXPECT_EQ(info.err, picture + refusal);
    const auto convert = Run(picture);
    EXPECT_EQ(convert.status, 1);
    EXPECT_EQ(convert.err, picture + refusal);
  }
}

// Without a map every tile takes one sub-palette: colours that need more
// are refused before any is reduced, which for noise is the costly part.
TEST_F(RobustnessTest, LossyReductionThatCannotBeUsedIsRefusedFirst) {
  const auto noise = tilora::testing::RandomPngShape(32, 16, tilora::testing::kPngRgb, 8, 5);
  tilora::testing::WriteFileBytes(dir_ / "noise.png", tilora::testing::BuildPng(noise));
  const auto r = Run("--palettes 8 --lossy noise.png");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "noise.png: Without --map every tile takes the same sub-palette, and the picture's colours need more than "
            "one; add --map, or reduce them into one with --palettes 1.\n");
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"noise.png"});
  // With a map the same reduction is made and used.
  EXPECT_EQ(Run("--palettes 8 --lossy --map noise.png").status, 0);
}

// A sheet that is no whole number of frames is told from its headers, and
// nothing is written.
TEST_F(RobustnessTest, SpriteFramesThatDoNotDivideTheSheetAreRefused) {
  tilora::testing::WriteFileBytes(dir_ / "sheet.bmp", tilora::testing::BuildBmp(tilora::testing::MakeShape(64, 32, 4)));
  const auto r = Run("--sprites 20x32 --oam-asm sheet.inc sheet.bmp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "sheet.bmp: The sheet is 64x32 pixels, not a whole number of 20x32 frames.\n");
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"sheet.bmp"});
}

}  // namespace
