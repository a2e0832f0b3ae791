#include "formats/bmp/bmp_reader.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "io/io_error.h"

namespace tilora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Rows only, right after a 40-byte header with no colour table.
Picture Read(int depth, std::int64_t width, std::int64_t height, const Bytes& rows) {
  Bytes bytes(54, 0);
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  MemorySource source(bytes);
  BmpLayout layout;
  layout.signature = true;
  layout.headerSize = 40;
  layout.dataOffset = 54;
  layout.width = width;
  layout.height = height;
  layout.planes = 1;
  layout.depth = static_cast<std::uint16_t>(depth);
  return ReadBmpPicture(source, layout);
}

int Failure(int depth, std::int64_t width, std::int64_t height, const Bytes& rows) {
  try {
    Read(depth, width, height, rows);
  } catch (const IoError& e) {
    return e.code();
  }
  return 0;
}

// Two rows of distinct bytes: the stride decides where the second row starts,
// the file's last row is the picture's top row, and nothing beyond the width
// (a 4-bit row's filler nibble included) becomes a pixel.
TEST(BmpReaderTest, IndexedRowsStridesAndOrder) {
  const struct {
    int depth;
    std::int32_t width;
    int stride;
    std::vector<int> top;
    std::vector<int> bottom;
  } cases[] = {
      {4, 9, 8, {8, 8, 9, 9, 10, 10, 11, 11, 12}, {0, 0, 1, 1, 2, 2, 3, 3, 4}},
      {4, 3, 4, {4, 4, 5}, {0, 0, 1}},
      {4, 1, 4, {4}, {0}},
      {8, 5, 8, {8, 9, 10, 11, 12}, {0, 1, 2, 3, 4}},
      {8, 7, 8, {8, 9, 10, 11, 12, 13, 14}, {0, 1, 2, 3, 4, 5, 6}},
      {2, 5, 4, {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}},  // byte 4 is 0b00'00'01'00
      {1, 10, 4, {0, 0, 0, 0, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    Bytes rows(static_cast<std::size_t>(2 * c.stride));
    // Byte i is i, repeated in both nibbles at depth 4.
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(c.depth == 4 ? (i << 4 | i) : i);
    const Picture p = Read(c.depth, c.width, 2, rows);
    ASSERT_EQ(p.indices.size(), 2u * static_cast<std::size_t>(c.width));
    const std::vector<int> top(p.indices.begin(), p.indices.begin() + c.width);
    const std::vector<int> bottom(p.indices.begin() + c.width, p.indices.end());
    EXPECT_EQ(top, c.top) << c.depth << " " << c.width;
    EXPECT_EQ(bottom, c.bottom) << c.depth << " " << c.width;
  }
}

TEST(BmpReaderTest, FillerNibbleOfAnOddWidthIsNoPixel) {
  const Picture p = Read(4, 3, 1, {0x12, 0x3F, 0xAB, 0xCD});
  EXPECT_EQ(p.indices, (Bytes{1, 2, 3}));
}

TEST(BmpReaderTest, TopDownRowsAreTakenInOrder) {
  const Picture p = Read(8, 4, -2, {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.indices, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(BmpReaderTest, TruecolourRows) {
  // 16 bits: 0 rrrrr ggggg bbbbb, low byte first; 24 and 32: blue, green, red.
  const Picture p16 = Read(16, 2, 1, {0x1F, 0x7C, 0xE0, 0x03});
  EXPECT_EQ(p16.colours, (std::vector<Rgba>{{255, 0, 255, 255}, {0, 255, 0, 255}}));
  const Picture p24 = Read(24, 1, 1, {1, 2, 3, 0});
  EXPECT_EQ(p24.colours, (std::vector<Rgba>{{3, 2, 1, 255}}));
  const Picture p32 = Read(32, 1, 1, {1, 2, 3, 4});
  EXPECT_FALSE(p32.indexed);
  EXPECT_EQ(p32.colours, (std::vector<Rgba>{{3, 2, 1, 255}}));
}

TEST(BmpReaderTest, RowsCutShortFailWithReadBeyondEnd) {
  EXPECT_EQ(Failure(8, 4, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), kErrReadBeyondEnd);
  EXPECT_EQ(Failure(8, 4, -3, {1, 2, 3, 4, 5, 6, 7, 8, 9}), kErrReadBeyondEnd);
  // The last row needs only its pixel bytes, not its padding.
  EXPECT_EQ(Failure(8, 3, 2, {1, 2, 3, 0, 4, 5, 6}), 0);
}

// Rows are fetched in large pieces; a picture spanning several of them must
// still come out right.
TEST(BmpReaderTest, LargePictureAcrossReadPieces) {
  const std::int32_t width = 8192, height = 100;
  Bytes rows(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 7 + i / width);
  const Picture p = Read(8, width, height, rows);
  for (int r : {0, 31, 32, 33, 99})
    for (int x : {0, 1, 8191}) {
      const auto d = static_cast<std::size_t>(height - 1 - r);
      EXPECT_EQ(p.IndexAt(x, r), rows[d * width + static_cast<std::size_t>(x)]) << r << "," << x;
    }
}

// The old 12-byte header: 16-bit sizes at 18 and 20, planes 22, depth 24,
// 3-byte colour entries from byte 26.
TEST(BmpReaderTest, OldHeaderForm) {
  Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0, 12, 0, 0, 0, 3, 0, 2, 0, 1, 0, 1, 0,
                10, 20, 30, 40, 50, 60,  // two colours, blue first
                0xA0, 0, 0, 0, 0x40, 0, 0, 0};
  MemorySource source(file);
  const BmpLayout layout = ReadBmpLayout(source);
  EXPECT_TRUE(IsBmp(layout));
  EXPECT_EQ(layout.width, 3);
  EXPECT_EQ(layout.height, 2);
  EXPECT_EQ(layout.depth, 1);
  const Picture p = ReadBmpPicture(source, layout);
  EXPECT_EQ(p.palette, (std::vector<Rgb>{{30, 20, 10}, {60, 50, 40}}));
  EXPECT_EQ(p.indices, (Bytes{0, 1, 0, 1, 0, 1}));
}

}  // namespace
}  // namespace tilora

namespace tilora {
namespace {

// A 2 x 1 32-bit file with the given header size and compression; masks at
// 54 (after a 40-byte header, inside a longer one), pixels after them.
Bytes ThirtyTwoBit(std::uint32_t headerSize, std::uint32_t compression, std::uint32_t alphaMask,
                   std::uint32_t redMask = 0xFF0000) {
  const std::uint32_t offset = 14 + std::max<std::uint32_t>(headerSize, 56) + 16;
  // Started from its signature: GCC's -O3 otherwise sees a possible null.
  Bytes b = {'B', 'M'};
  b.resize(offset + 8);
  const auto put = [&b](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(10, offset);
  put(14, headerSize);
  put(18, 2);
  put(22, 1);
  b[26] = 1;
  b[28] = 32;
  put(30, compression);
  put(54, redMask);
  put(58, 0xFF00);
  put(62, 0xFF);
  put(66, alphaMask);
  const std::uint8_t pixels[8] = {1, 2, 3, 0x40, 4, 5, 6, 0xC0};  // blue, green, red, alpha
  std::copy(std::begin(pixels), std::end(pixels), b.begin() + offset);
  return b;
}

// Alpha only where the header has an alpha mask; bit fields only in the
// standard layout.
TEST(BmpReaderTest, ThirtyTwoBitAlphaAndBitFields) {
  const struct {
    const char* name;
    Bytes file;
    bool standard;
    std::vector<Rgba> colours;
  } cases[] = {
      {"plain, 40-byte header", ThirtyTwoBit(40, 0, 0xFF000000), true, {{3, 2, 1, 255}, {6, 5, 4, 255}}},
      {"plain, header with alpha mask", ThirtyTwoBit(124, 0, 0xFF000000), true, {{3, 2, 1, 0x40}, {6, 5, 4, 0xC0}}},
      {"bit fields without alpha", ThirtyTwoBit(108, 3, 0), true, {{3, 2, 1, 255}, {6, 5, 4, 255}}},
      {"bit fields with alpha", ThirtyTwoBit(56, 3, 0xFF000000), true, {{3, 2, 1, 0x40}, {6, 5, 4, 0xC0}}},
      {"other masks", ThirtyTwoBit(40, 3, 0, 0xFF), false, {}},
  };
  for (const auto& c : cases) {
    MemorySource source(c.file);
    const BmpLayout layout = ReadBmpLayout(source);
    EXPECT_EQ(ReadBmpChannels(source, layout).standard, c.standard) << c.name;
    if (!c.standard) continue;
    const Picture p = ReadBmpPicture(source, layout);
    EXPECT_FALSE(p.indexed) << c.name;
    EXPECT_EQ(p.colours, c.colours) << c.name;
  }
}

}  // namespace
}  // namespace tilora
