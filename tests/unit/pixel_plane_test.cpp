#include "convert/pixel_plane.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "bmp_builder.h"
#include "convert/picture_header.h"
#include "support/checked_file.h"
#include "support/io_error.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::TempDir;

// Pixel data only: the header lives in PictureHeader, the rows at offset 8.
class ReadPixelsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SourceFile.CloseQuietly();
    ClearPixelPlane();
  }
  void Load(std::int32_t width, std::int32_t height, const std::vector<std::uint8_t>& rows) {
    // Copied, not inserted: GCC 12 at -O2 warns falsely about the insertion.
    std::vector<std::uint8_t> bytes(8 + rows.size(), 0xEE);
    std::copy(rows.begin(), rows.end(), bytes.begin() + 8);
    testing::WriteFileBytes(dir_ / "pixels", bytes);
    PictureHeader = {8, width, height, 0, 0};
    SourceFile.Bind(dir_ / "pixels");
    SourceFile.Open();
  }
  int Failure(int depth) {
    try {
      ReadPixels(depth);
    } catch (const IoError& e) {
      return e.code();
    }
    return 0;
  }
  static std::vector<int> Row(int r, int columns) {
    return std::vector<int>(PixelPlane[r], PixelPlane[r] + columns);
  }
  TempDir dir_;
};

TEST_F(ReadPixelsTest, Depth4KeepsNibblesInPlace) {
  Load(3, 1, {0x12, 0x30, 0xAB, 0xCD});
  ASSERT_EQ(Failure(4), 0);
  EXPECT_EQ(Row(0, 5), (std::vector<int>{0x10, 0x02, 0x30, 0x00, 0x00}));
}

TEST_F(ReadPixelsTest, OddWidthTakesTheFillerNibble) {
  Load(3, 1, {0x12, 0x3F, 0xAB, 0xCD});
  ASSERT_EQ(Failure(4), 0);
  EXPECT_EQ(Row(0, 5), (std::vector<int>{0x10, 0x02, 0x30, 0x0F, 0x00}));
}

// Two rows of distinct bytes: the stride decides where the second row starts,
// and the file's last row is the picture's top row.
TEST_F(ReadPixelsTest, StridesAndRowOrder) {
  const struct {
    int depth;
    std::int32_t width;
    int stride;
    std::vector<int> top;
    std::vector<int> bottom;
  } cases[] = {
      {4, 9, 8, {0x80, 0x08, 0x90, 0x09, 0xA0, 0x0A, 0xB0, 0x0B, 0xC0, 0x0C},
                {0x00, 0x00, 0x10, 0x01, 0x20, 0x02, 0x30, 0x03, 0x40, 0x04}},
      {8, 5, 8, {8, 9, 10, 11, 12}, {0, 1, 2, 3, 4}},
      {8, 7, 8, {8, 9, 10, 11, 12, 13, 14}, {0, 1, 2, 3, 4, 5, 6}},
      {8, 8, 8, {8, 9, 10, 11, 12, 13, 14, 15}, {0, 1, 2, 3, 4, 5, 6, 7}},
      {4, 1, 4, {0x40, 0x04}, {0x00, 0x00}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(2 * c.stride));
    // Byte i is i, repeated in both nibbles at depth 4.
    for (std::size_t i = 0; i < rows.size(); ++i)
      rows[i] = static_cast<std::uint8_t>(c.depth == 4 ? (i << 4 | i) : i);
    Load(c.width, 2, rows);
    ASSERT_EQ(Failure(c.depth), 0) << c.width;
    const int columns = static_cast<int>(c.top.size());
    const std::vector<int> top = Row(0, columns), bottom = Row(1, columns);
    EXPECT_EQ(top, c.top) << c.depth << " " << c.width;
    EXPECT_EQ(bottom, c.bottom) << c.depth << " " << c.width;
    EXPECT_EQ(PixelPlane[0][columns], 0) << c.width;
    ClearPixelPlane();
    SourceFile.CloseQuietly();
  }
}

TEST_F(ReadPixelsTest, TopDownRowsAreStoredTopFirst) {
  Load(4, -2, {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_EQ(Failure(8), 0);
  EXPECT_EQ(Row(0, 4), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Row(1, 4), (std::vector<int>{5, 6, 7, 8}));
}

TEST_F(ReadPixelsTest, BottomUpFileCutShortStoresOnlyThePrefixOfItsLastRow) {
  Load(4, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // last stored row has 2 of 4 bytes
  EXPECT_EQ(Failure(8), kErrReadBeyondEnd);
  EXPECT_EQ(Row(0, 4), (std::vector<int>{9, 10, 0, 0}));
  EXPECT_EQ(Row(1, 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(Row(2, 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(ReadPixelsTest, TopDownFileCutShortKeepsTheRowsBefore) {
  Load(4, -3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(Failure(8), kErrReadBeyondEnd);
  EXPECT_EQ(Row(0, 4), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Row(1, 4), (std::vector<int>{5, 6, 7, 8}));
  EXPECT_EQ(Row(2, 4), (std::vector<int>{9, 0, 0, 0}));
}

// Rows are fetched in large pieces; a picture spanning several of them must
// still come out right and fail at the same byte.
TEST_F(ReadPixelsTest, LargePictureAcrossReadPieces) {
  const std::int32_t width = 8192, height = 100;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 7 + i / width);
  Load(width, height, rows);
  ASSERT_EQ(Failure(8), 0);
  for (int r : {0, 31, 32, 33, 99})
    for (int x : {0, 1, 8191}) {
      const auto d = static_cast<std::size_t>(height - 1 - r);
      EXPECT_EQ(PixelPlane[r][x], rows[d * width + static_cast<std::size_t>(x)]) << r << "," << x;
    }
}

TEST_F(ReadPixelsTest, NothingHappensOutsideSupportedDepthsAndLimits) {
  const struct {
    int depth;
    std::int32_t width, height;
  } cases[] = {{1, 4, 1}, {24, 4, 1}, {8, 0, 1}, {8, -4, 1}, {8, 4, 0}, {8, 8193, 1}, {8, 4, 4097}, {4, 4, -4097}};
  for (const auto& c : cases) {
    Load(c.width, c.height, std::vector<std::uint8_t>(64, 0x77));
    EXPECT_EQ(Failure(c.depth), 0);
    EXPECT_EQ(Row(0, 4), (std::vector<int>{0, 0, 0, 0})) << c.depth << " " << c.width << " " << c.height;
    SourceFile.CloseQuietly();
  }
}

TEST_F(ReadPixelsTest, ClearingLeavesThePlaneZero) {
  Load(16, 16, std::vector<std::uint8_t>(256, 0xFF));
  ASSERT_EQ(Failure(8), 0);
  ClearPixelPlane();
  for (int r = 0; r < 17; ++r)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(PixelPlane[r][x], 0);
}

}  // namespace
}  // namespace tilora
