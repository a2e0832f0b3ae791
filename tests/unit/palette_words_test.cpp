#include "snes/encoders/palette_words.h"

#include <gtest/gtest.h>

#include "formats/bmp/bmp_reader.h"
#include "io/io_error.h"

namespace tilora {
namespace {

TEST(ColourWord, KeepsTheTopFiveBitsOfEachChannel) {
  const struct {
    std::uint8_t b, g, r;
    std::uint16_t word;
  } cases[] = {
      {0, 128, 255, 0x021F}, {255, 255, 255, 0x7FFF}, {0, 0, 0, 0x0000}, {7, 7, 7, 0x0000},
      {248, 248, 248, 0x7FFF}, {8, 0, 0, 0x0400}, {0, 8, 0, 0x0020}, {0, 0, 8, 0x0001},
      {255, 0, 0, 0x7C00}, {0, 255, 0, 0x03E0}, {0, 0, 255, 0x001F}, {15, 16, 17, 0x0442},
  };
  for (const auto& c : cases) EXPECT_EQ(ColourWord(c.b, c.g, c.r), c.word) << +c.b << "," << +c.g << "," << +c.r;
}

TEST(PaletteWords, LowByteFirstAndZeroBeyondTheColours) {
  const std::vector<Rgb> colours = {{255, 128, 0}, {255, 255, 255}, {8, 8, 8}};
  EXPECT_EQ(EncodePaletteWords(colours, 4), (std::vector<std::uint8_t>{0x1F, 0x02, 0xFF, 0x7F, 0x21, 0x04, 0, 0}));
  // More colours than words: the words decide the size.
  EXPECT_EQ(EncodePaletteWords(colours, 1), (std::vector<std::uint8_t>{0x1F, 0x02}));
}

// The colour table: entries (blue, green, red, spare) after a 40-byte header.
class ColourTableTest : public ::testing::Test {
 protected:
  std::vector<Rgb> Read(const std::vector<std::array<std::uint8_t, 4>>& entries, std::int64_t count,
                        std::size_t cut = SIZE_MAX) {
    bytes_.assign(54, 0xEE);
    for (const auto& e : entries) bytes_.insert(bytes_.end(), e.begin(), e.end());
    if (cut < bytes_.size()) bytes_.resize(cut);
    MemorySource source(bytes_);
    BmpLayout layout;
    layout.headerSize = 40;
    return ReadBmpColourTable(source, layout, count);
  }
  std::vector<std::uint8_t> bytes_;
};

TEST_F(ColourTableTest, EntriesAreBlueGreenRed) {
  EXPECT_EQ(Read({{0, 128, 255, 9}, {1, 2, 3, 9}}, 2), (std::vector<Rgb>{{255, 128, 0}, {3, 2, 1}}));
}

TEST_F(ColourTableTest, MissingSpareByteOfTheLastEntryIsNoFailure) {
  EXPECT_EQ(Read({{8, 8, 8, 0}, {16, 16, 16, 0}}, 2, 54 + 7).size(), 2u);
}

TEST_F(ColourTableTest, CutTableFails) {
  try {
    Read({{8, 8, 8, 0}, {16, 16, 16, 0}, {24, 24, 24, 0}}, 3, 54 + 6);
    FAIL();
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kErrReadBeyondEnd);
  }
}

}  // namespace
}  // namespace tilora
