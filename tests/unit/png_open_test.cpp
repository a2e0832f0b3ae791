// The window's open of a PNG and its "In File": the picture decoded once,
// converted as the converter converts the file, and the refusal of a file
// that changed after it was opened.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "bmp_builder.h"
#include "conversion_outcome.h"
#include "formats/picture_file.h"
#include "io/io_error.h"
#include "png_builder.h"
#include "temp_dir.h"
#include "ui/main_window/opened_picture.h"

namespace tilora {
namespace {

using testing::BuildBmp;
using testing::BuildPng;
using testing::MakeShape;
using testing::OutcomeOf;
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
  EXPECT_FALSE(IsPngFile(Write(BuildBmp(MakeShape(8, 8, 4)), "in.bmp")));
  EXPECT_TRUE(IsPngFile(Write(BuildPng(RandomPngShape(8, 8, testing::kPngPalette, 4, 1)))));
  EXPECT_THROW(IsPngFile(dir_ / "missing.png"), IoError);
}

TEST_F(PngOpenTest, RecordsWhatItReadAndConvertsAsTheConverterDoes) {
  const struct {
    std::uint8_t type, depth;
    int fileDepth;
    bool converted;
  } cases[] = {{testing::kPngPalette, 4, 4, true},
               {testing::kPngPalette, 8, 8, true},
               {testing::kPngPalette, 2, 2, false},
               {testing::kPngRgb, 8, 24, false}};
  for (const auto& c : cases) {
    const auto path = Write(BuildPng(RandomPngShape(24, 16, c.type, c.depth, 7)));
    const DecodedFile open = DecodeFile(path);
    ASSERT_TRUE(open.picture) << c.fileDepth;
    EXPECT_EQ(open.shape.width, 24);
    EXPECT_EQ(open.shape.height, 16);
    EXPECT_EQ(open.shape.depth, c.fileDepth);
    const auto inFile = OutcomeOf(ConvertPicture(open, true, dir_ / "window"));
    const auto cli = OutcomeOf(ConvertFile(path, dir_ / "cli"));
    EXPECT_EQ(inFile.converted, c.converted) << c.fileDepth;
    EXPECT_EQ(inFile.notice, cli.notice) << c.fileDepth;
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
  const DecodedFile open = DecodeFile(path);
  ASSERT_TRUE(open.failure);
  EXPECT_FALSE(open.picture);
  // The window does not accept it, so "In File" converts nothing.
  EXPECT_EQ(OutcomeOf(ConvertPicture(open, false, dir_ / "Pic")).notice, kStaleHeaderNotice);
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"in.png"});
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
    const DecodedFile open = DecodeFile(path);
    ASSERT_TRUE(open.picture);
    const auto time = std::filesystem::last_write_time(path);
    WriteFileBytes(path, change.bytes);
    // Within the clock's step a rewrite may keep its time: make it differ.
    std::filesystem::last_write_time(path, time + std::chrono::seconds(2));
    EXPECT_EQ(OutcomeOf(ConvertPicture(open, true, dir_ / "Pic")).notice, kChangedNotice) << change.name;
  }
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"in.png"});
  WriteFileBytes(path, original);
  EXPECT_TRUE(OutcomeOf(ConvertPicture(DecodeFile(path), true, dir_ / "Pic")).converted);
}

// What is converted is the picture the open decoded, never the file read
// again: other pixels of the same size, slipped in under the same time,
// do not reach the outputs.
TEST_F(PngOpenTest, TheOpenedPictureIsWhatIsConverted) {
  const auto original = BuildPng(RandomPngShape(16, 8, testing::kPngPalette, 8, 5));
  const auto path = Write(original);
  ASSERT_TRUE(OutcomeOf(ConvertFile(path, dir_ / "expected")).converted);
  const DecodedFile open = DecodeFile(path);
  const auto time = std::filesystem::last_write_time(path);
  auto other = original;
  other[other.size() - 20] ^= 0xFF;  // inside the data, same size; its checksum no longer holds
  WriteFileBytes(path, other);
  std::filesystem::last_write_time(path, time);
  ASSERT_TRUE(OutcomeOf(ConvertPicture(open, true, dir_ / "Pic")).converted);
  for (const char* ext : {".bin", ".plt"})
    EXPECT_EQ(testing::ReadFileBytes(dir_ / (std::string("Pic") + ext)),
              testing::ReadFileBytes(dir_ / (std::string("expected") + ext)));
}

}  // namespace
}  // namespace tilora
