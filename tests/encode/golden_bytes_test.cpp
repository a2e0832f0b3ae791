// Outputs worked out by hand from the console's formats for small pictures.

#include <gtest/gtest.h>

#include <vector>

#include "snes/encoders/console_encoding.h"
#include "test_pictures.h"
#include "convert/encode_for_console.h"

namespace tilora {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::BlankPicture;
using testing::SetPixel;

EncodedOutputs Encoded(const Picture& picture, const testing::EncodingOptions& options) {
  EncodeResult result = testing::Encode(picture, options);
  if (const auto* refusal = std::get_if<Failure>(&result)) ADD_FAILURE() << refusal->message;
  return std::holds_alternative<EncodedOutputs>(result) ? std::get<EncodedOutputs>(result) : EncodedOutputs{};
}

Bytes Padded(Bytes start, std::size_t size) {
  start.resize(size, 0);
  return start;
}

unsigned WordAt(const Bytes& bytes, std::size_t word) {
  return bytes.at(2 * word) | static_cast<unsigned>(bytes.at(2 * word + 1)) << 8;
}

// One pixel of colour 1 in a corner of each cell: the top-left in sub-palette
// 0, top-right in 1, bottom-left in 2, bottom-right in 0. One tile, shown
// unflipped, flipped horizontally, vertically, both.
Picture FourCorners() {
  Picture picture = BlankPicture(16, 16);
  SetPixel(picture, 0, 0, 1);
  SetPixel(picture, 15, 0, 16 + 1);
  SetPixel(picture, 0, 15, 32 + 1);
  SetPixel(picture, 15, 15, 1);
  return picture;
}

TEST(GoldenBytesTest, FlippedCopiesShareOneTile) {
  testing::EncodingOptions options;
  options.map = true;
  const EncodedOutputs out = Encoded(FourCorners(), options);
  EXPECT_EQ(out.tiles, Padded({0x80}, 32));
  EXPECT_EQ(out.map, (Bytes{0x00, 0x00, 0x00, 0x44, 0x00, 0x88, 0x00, 0xC0}));
  EXPECT_EQ(out.palette.size(), 3U * 32);  // sub-palettes 0 to 2
  EXPECT_EQ(out.subPalettes, 0b111);
}

TEST(GoldenBytesTest, BasesAndPriorityEnterEveryWord) {
  testing::EncodingOptions options;
  options.map = true;
  options.tileBase = 5;
  options.paletteBase = 2;
  options.priority = true;
  const EncodedOutputs out = Encoded(FourCorners(), options);
  EXPECT_EQ(out.map, (Bytes{0x05, 0x28, 0x05, 0x6C, 0x05, 0xB0, 0x05, 0xE8}));
}

TEST(GoldenBytesTest, WithoutFlipsEachCornerIsATile) {
  testing::EncodingOptions options;
  options.map = true;
  options.flips = false;
  const EncodedOutputs out = Encoded(FourCorners(), options);
  Bytes tiles(4 * 32, 0);
  tiles[0] = 0x80;        // tile 0: top-left
  tiles[32] = 0x01;       // tile 1: top-right
  tiles[64 + 14] = 0x80;  // tile 2: bottom-left, plane 0 of row 7
  tiles[96 + 14] = 0x01;  // tile 3: bottom-right
  EXPECT_EQ(out.tiles, tiles);
  EXPECT_EQ(out.map, (Bytes{0x00, 0x00, 0x01, 0x04, 0x02, 0x08, 0x03, 0x00}));
}

// Colours 0-3 twice across row 0 and colour 3 across row 1, in sub-palette 2
// (indices 8-11); index 8 is colour 0 of that sub-palette.
TEST(GoldenBytesTest, TwoBppTileAndItsSubPalette) {
  Picture picture = BlankPicture(8, 8);
  const std::uint8_t row0[8] = {0, 9, 10, 11, 8, 9, 10, 11};
  for (int x = 0; x < 8; ++x) {
    SetPixel(picture, x, 0, row0[x]);
    SetPixel(picture, x, 1, 11);
  }
  picture.palette[8] = {8, 16, 24};
  picture.palette[9] = {255, 0, 0};
  picture.palette[10] = {0, 255, 0};
  picture.palette[11] = {0, 0, 255};
  testing::EncodingOptions options;
  options.bpp = 2;
  for (const bool map : {false, true}) {
    options.map = map;
    const EncodedOutputs out = Encoded(picture, options);
    EXPECT_EQ(out.tiles, Padded({0x55, 0x33, 0xFF, 0xFF}, 16));
    EXPECT_EQ(out.map, (map ? Bytes{0x00, 0x08} : Bytes{}));
    ASSERT_EQ(out.palette.size(), 3U * 8);
    EXPECT_EQ(Bytes(out.palette.begin() + 16, out.palette.end()),
              (Bytes{0x41, 0x0C, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C}));
  }
}

// 33 x 33 cells, blank but for three: the map is 64 x 64 cells in four
// screens, and the picture's own blank tile 0 fills the padding.
TEST(GoldenBytesTest, SixtyFourCellMapInScreenOrder) {
  Picture picture = BlankPicture(264, 264);
  SetPixel(picture, 256, 0, 1);    // cell (32, 0): tile 1
  SetPixel(picture, 0, 256, 2);    // cell (0, 32): tile 2
  SetPixel(picture, 256, 256, 3);  // cell (32, 32): tile 3
  testing::EncodingOptions options;
  options.map = true;
  options.screens = true;
  options.priority = true;
  const EncodedOutputs out = Encoded(picture, options);
  ASSERT_EQ(out.map.size(), 64U * 64 * 2);
  EXPECT_EQ(out.tileCount, 4);
  EXPECT_EQ(Bytes(out.map.begin(), out.map.begin() + 4), (Bytes{0x00, 0x20, 0x00, 0x20}));
  EXPECT_EQ(WordAt(out.map, 31), 0x2000U);    // cell (31, 0)
  EXPECT_EQ(WordAt(out.map, 1024), 0x2001U);  // screen 1 starts with cell (32, 0)
  EXPECT_EQ(WordAt(out.map, 1025), 0x2000U);  // cell (33, 0): padding
  EXPECT_EQ(WordAt(out.map, 2048), 0x2002U);  // screen 2 starts with cell (0, 32)
  EXPECT_EQ(WordAt(out.map, 3072), 0x2003U);  // screen 3 starts with cell (32, 32)
}

// A picture without a blank cell gets one appended for the padding.
TEST(GoldenBytesTest, PaddingAppendsABlankTile) {
  Picture picture = BlankPicture(8, 8);
  for (int p = 0; p < 64; ++p) SetPixel(picture, p % 8, p / 8, 1);
  testing::EncodingOptions options;
  options.map = true;
  options.screens = true;
  const EncodedOutputs out = Encoded(picture, options);
  EXPECT_EQ(out.tiles, Padded({0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF}, 64));
  EXPECT_EQ(Bytes(out.map.begin(), out.map.begin() + 4), (Bytes{0x00, 0x00, 0x01, 0x00}));
  EXPECT_EQ(WordAt(out.map, 1023), 1U);
}

// Cell 0 has colour 5 at its top-left, cell 1 is all colour 7; tile 2 is the
// appended blank one. Word i of the image: map byte i, then tile byte i.
TEST(GoldenBytesTest, InterleavedModeSevenImage) {
  Picture picture = BlankPicture(16, 8);
  SetPixel(picture, 0, 0, 5);
  for (int p = 0; p < 64; ++p) SetPixel(picture, 8 + p % 8, p / 8, 7);
  testing::EncodingOptions options;
  options.mode7 = true;
  options.interleave = true;
  const EncodedOutputs out = Encoded(picture, options);
  ASSERT_EQ(out.vram.size(), 32768U);
  EXPECT_EQ(Bytes(out.vram.begin(), out.vram.begin() + 8), (Bytes{0x00, 0x05, 0x01, 0x00, 0x02, 0x00, 0x02, 0x00}));
  EXPECT_EQ(Bytes(out.vram.begin() + 128, out.vram.begin() + 132), (Bytes{0x02, 0x07, 0x02, 0x07}));
  EXPECT_EQ(Bytes(out.vram.begin() + 254, out.vram.begin() + 260), (Bytes{0x02, 0x07, 0x02, 0x00, 0x02, 0x00}));
  EXPECT_EQ(out.vram[32767], 0);
  EXPECT_EQ(out.palette.size(), 512U);
}

}  // namespace
}  // namespace tilora
