#include <gtest/gtest.h>


#include "convert/picture_header.h"
#include "convert/pixel_plane.h"
#include "convert/tile_buffer.h"
#include "reference_encoder.h"

namespace tilora {
namespace {

class TileEncoderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int r = 0; r < 32; ++r)
      for (int x = 0; x < 32; ++x) PixelPlane[r][x] = 0;
    std::fill(TileBuffer, TileBuffer + 4096, std::uint8_t{0});
  }
  // Stores colour indices as the pixel plane holds them at each depth.
  static void Put(int x, int y, int colour, int depth) {
    PixelPlane[y][x] = static_cast<std::uint8_t>(depth == 8 ? colour : (x % 2 ? colour & 0x0F : (colour & 0x0F) << 4));
  }
  static std::vector<int> Bytes(std::size_t from, std::size_t count) {
    return std::vector<int>(TileBuffer + from, TileBuffer + from + count);
  }
};

TEST_F(TileEncoderTest, Depth4RowOfIndices0To7) {
  for (int k = 0; k < 8; ++k) Put(k, 3, k, 4);
  EXPECT_EQ(PixelPlane[3][2], 0x20);
  EncodeTile4(0, 0, 0);
  const std::vector<int> expected = {0x55, 0x33};
  EXPECT_EQ(Bytes(6, 2), expected);
  EXPECT_EQ(Bytes(16 + 6, 2), (std::vector<int>{0x0F, 0x00}));
  for (int i = 0; i < 8; ++i) {
    if (i != 3) { EXPECT_EQ(Bytes(static_cast<std::size_t>(2 * i), 2), (std::vector<int>{0, 0})) << i; }
  }
}

TEST_F(TileEncoderTest, Depth8PlanePositions) {
  // Colour 1 << n in the leftmost pixel of row i lands only in plane n's byte.
  for (int n = 0; n < 8; ++n)
    for (int i = 0; i < 8; ++i) {
      TearDown();
      Put(0, i, 1 << n, 8);
      EncodeTile8(0, 0, 0);
      const auto at = static_cast<std::size_t>(16 * (n / 2) + 2 * i + n % 2);
      for (std::size_t b = 0; b < 64; ++b) ASSERT_EQ(TileBuffer[b], b == at ? 0x80 : 0) << n << " " << i << " " << b;
    }
}

TEST_F(TileEncoderTest, Depth8AllOnes) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) Put(x, y, 0xFF, 8);
  EncodeTile8(0, 0, 0);
  EXPECT_EQ(Bytes(0, 64), std::vector<int>(64, 0xFF));
}

TEST_F(TileEncoderTest, TilesAreLaidOutRowMajor) {
  // 16 x 16 at depth 4: the tile at (tx, ty) holds colour 1 + tx + 2 ty.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) Put(x, y, 1 + x / 8 + 2 * (y / 8), 4);
  PictureHeader = {0, 16, 16, 4, 0};
  EncodeTiles(4);
  for (int t = 0; t < 4; ++t) {
    std::uint8_t pixels[64];
    std::fill(std::begin(pixels), std::end(pixels), static_cast<std::uint8_t>(1 + t));
    const auto expected = testing::ReferenceTile(pixels, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(TileBuffer + 32 * t, TileBuffer + 32 * t + 32), expected) << t;
  }
  EXPECT_EQ(TileBuffer[128], 0);
  ClearTileBuffer();
}

TEST_F(TileEncoderTest, NoTilesForEmptyOrUnsupportedPictures) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) Put(x, y, 0xFF, 8);
  const PictureHeaderRecord cases[] = {{0, 8, 0, 8, 0}, {0, 0, 8, 8, 0}, {0, -8, 8, 8, 0}, {0, 8193, 8, 8, 0}};
  for (const auto& header : cases) {
    PictureHeader = header;
    EncodeTiles(8);
    EXPECT_EQ(TileBuffer[0], 0) << header.Width << "x" << header.Height;
  }
  PictureHeader = {0, 8, 8, 8, 0};
  EncodeTiles(24);
  EXPECT_EQ(TileBuffer[0], 0);
}

}  // namespace
}  // namespace tilora
