// The window's open of a PNG and its "In File": what the open records, and
// the refusal of a file that changed after it was opened.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "bmp_builder.h"
#include "convert/convert_picture.h"
#include "convert/read_picture.h"
#include "png_builder.h"
#include "io/io_error.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::BuildBmp;
using testing::BuildPng;
using testing::MakeShape;
using testing::RandomPngShape;
using testing::TempDir;
using testing::WriteFileBytes;

class PngOpenTest : public ::testing::Test {
 protected:
  std::string Write(const std::vector<std::uint8_t>& bytes, const std::string& leaf = "in.png") {
    WriteFileBytes(dir_ / leaf, bytes);
    return dir_ / leaf;
  }
  TempDir dir_;
};

TEST_F(PngOpenTest, BitmapIsLeftToTheBitmapOpen) {
  const auto path = Write(BuildBmp(MakeShape(8, 8, 4)), "in.bmp");
  PictureHeader.Width = 77;
  PictureHeaderAccepted = true;
  EXPECT_FALSE(OpenPngFile(path));
  EXPECT_FALSE(PictureHeaderAccepted);
  EXPECT_EQ(PictureHeader.Width, 77);  // the bitmap's record is not the PNG open's
  EXPECT_THROW(OpenPngFile(dir_ / "missing.png"), IoError);
}

TEST_F(PngOpenTest, RecordsWhatItReadAndConvertsAsTheConverterDoes) {
  const struct {
    std::uint8_t type, depth;
    const char* format;
    bool converted;
  } cases[] = {{testing::kPngPalette, 4, "Pic Format: 4bpp", true},
               {testing::kPngPalette, 8, "Pic Format: 8bpp", true},
               {testing::kPngPalette, 2, "Pic Format: 2bpp", false},
               {testing::kPngRgb, 8, "Pic Format: 24bpp", false}};
  for (const auto& c : cases) {
    const auto path = Write(BuildPng(RandomPngShape(24, 16, c.type, c.depth, 7)));
    const auto open = OpenPngFile(path);
    ASSERT_TRUE(open) << c.format;
    EXPECT_TRUE(PictureHeaderAccepted);
    EXPECT_EQ(open->description.resolution, "Resolution: 24x16");
    EXPECT_EQ(open->description.format, c.format);
    ASSERT_TRUE(open->opened.png);
    EXPECT_EQ(*open->opened.png,
              (PngHeaderSeen{24, 16, c.depth * (c.type == testing::kPngRgb ? 3 : 1), c.type == testing::kPngPalette}));
    const ConvertOutcome inFile = ConvertPicture(path, dir_ / "window", open->opened);
    const ConvertOutcome cli = ConvertFile(path, dir_ / "cli");
    EXPECT_EQ(inFile.converted, c.converted) << c.format;
    EXPECT_EQ(inFile.notice, cli.notice) << c.format;
    if (c.converted) {
      for (const char* ext : {".bin", ".plt"})
        EXPECT_EQ(testing::ReadFileBytes(dir_ / (std::string("window") + ext)),
                  testing::ReadFileBytes(dir_ / (std::string("cli") + ext)));
    }
  }
}

TEST_F(PngOpenTest, DamagedPngIsNotAccepted) {
  auto bytes = BuildPng(RandomPngShape(8, 8, testing::kPngPalette, 4, 1));
  bytes.resize(bytes.size() - 20);
  const auto path = Write(bytes);
  const auto open = OpenPngFile(path);
  ASSERT_TRUE(open);
  ASSERT_TRUE(open->description.refusal);
  EXPECT_FALSE(open->description.picture);
  EXPECT_FALSE(PictureHeaderAccepted);
  EXPECT_EQ(ConvertPicture(path, dir_ / "Pic", open->opened).notice, kStaleHeaderNotice);
}

// Whatever replaced the file, or however little of it changed, nothing is
// written; opened again, it converts.
TEST_F(PngOpenTest, ChangedSinceOpenIsRefused) {
  const auto original = BuildPng(RandomPngShape(16, 16, testing::kPngPalette, 4, 3));
  const auto path = Write(original);
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } changes[] = {
      {"same bytes, touched", original},
      {"other pixels", BuildPng(RandomPngShape(16, 16, testing::kPngPalette, 4, 4))},
      {"other depth", BuildPng(RandomPngShape(16, 16, testing::kPngPalette, 8, 3))},
      {"a bitmap", BuildBmp(MakeShape(16, 16, 4))},
  };
  for (const auto& change : changes) {
    WriteFileBytes(path, original);
    const auto open = OpenPngFile(path);
    ASSERT_TRUE(open);
    const auto time = std::filesystem::last_write_time(path);
    WriteFileBytes(path, change.bytes);
    // Within the clock's step a rewrite may keep its time: make it differ.
    std::filesystem::last_write_time(path, time + std::chrono::seconds(2));
    EXPECT_EQ(ConvertPicture(path, dir_ / "Pic", open->opened).notice, kChangedNotice) << change.name;
  }
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"in.png"});
  WriteFileBytes(path, original);
  const auto open = OpenPngFile(path);
  ASSERT_TRUE(open);
  EXPECT_TRUE(ConvertPicture(path, dir_ / "Pic", open->opened).converted);
}

// Kinds are not mixed up: a bitmap's open never passes for a PNG's, nor a
// PNG's header for another's, even where the file's stamp matches.
TEST_F(PngOpenTest, WhatTheOpenSawMustMatch) {
  const auto path = Write(BuildPng(RandomPngShape(16, 8, testing::kPngPalette, 8, 5)));
  auto open = OpenPngFile(path);
  ASSERT_TRUE(open);
  OpenedPicture asBitmap = open->opened;
  asBitmap.png.reset();
  EXPECT_EQ(ConvertPicture(path, dir_ / "Pic", asBitmap).notice, kChangedNotice);
  OpenedPicture otherHeader = open->opened;
  otherHeader.png->height = 16;
  EXPECT_EQ(ConvertPicture(path, dir_ / "Pic", otherHeader).notice, kChangedNotice);

  const auto bitmap = Write(BuildBmp(MakeShape(16, 8, 8)), "in.bmp");
  OpenedPicture bitmapOpen;
  bitmapOpen.stamp = ReadHeader(bitmap);
  bitmapOpen.header = PictureHeader;
  bitmapOpen.png = PngHeaderSeen{16, 8, 8, true};
  EXPECT_EQ(ConvertPicture(bitmap, dir_ / "Pic", bitmapOpen).notice, kChangedNotice);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"in.bmp", "in.png"}));
}

}  // namespace
}  // namespace tilora
