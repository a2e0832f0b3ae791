#include "convert/palette_area.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "support/checked_file.h"
#include "support/io_error.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::TempDir;

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

class EncodePaletteTest : public ::testing::Test {
 protected:
  void TearDown() override { SourceFile.CloseQuietly(); }
  // A table of entries (blue, green, red, spare) from offset 10.
  void Load(const std::vector<std::array<std::uint8_t, 4>>& entries, std::size_t cut = SIZE_MAX) {
    std::vector<std::uint8_t> bytes(10, 0xEE);
    for (const auto& e : entries) bytes.insert(bytes.end(), e.begin(), e.end());
    if (cut < bytes.size()) bytes.resize(cut);
    testing::WriteFileBytes(dir_ / "table", bytes);
    SourceFile.Bind(dir_ / "table");
    SourceFile.Open();
  }
  static std::vector<int> Words(int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) out.push_back(PaletteArea[2 * i] | PaletteArea[2 * i + 1] << 8);
    return out;
  }
  TempDir dir_;
};

TEST_F(EncodePaletteTest, WordsAreStoredLowByteFirst) {
  Load({{0, 128, 255, 9}, {255, 255, 255, 9}});
  EncodePalette(4, 10, 2);
  EXPECT_EQ(PaletteArea[0], 0x1F);
  EXPECT_EQ(PaletteArea[1], 0x02);
  EXPECT_EQ(Words(3), (std::vector<int>{0x021F, 0x7FFF, 0}));
}

TEST_F(EncodePaletteTest, Depth4AfterDepth8ChangesOnlySixteenWords) {
  std::vector<std::array<std::uint8_t, 4>> table(256, {255, 255, 255, 0});
  Load(table);
  EncodePalette(8, 10, 256);
  SourceFile.CloseQuietly();
  Load(std::vector<std::array<std::uint8_t, 4>>(16, {0, 0, 8, 0}));
  EncodePalette(4, 10, 16);
  EXPECT_EQ(Words(17), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0x7FFF}));
}

TEST_F(EncodePaletteTest, EntriesBeyondTheTableAreZero) {
  Load({{8, 8, 8, 0}, {16, 16, 16, 0}, {24, 24, 24, 0}});
  EncodePalette(4, 10, 2);
  EXPECT_EQ(Words(4), (std::vector<int>{0x0421, 0x0842, 0, 0}));
}

TEST_F(EncodePaletteTest, MissingSpareByteOfTheLastEntryIsNoFailure) {
  Load({{8, 8, 8, 0}, {16, 16, 16, 0}}, 10 + 7);
  EXPECT_NO_THROW(EncodePalette(4, 10, 2));
  EXPECT_EQ(Words(2), (std::vector<int>{0x0421, 0x0842}));
}

TEST_F(EncodePaletteTest, CutTableFailsAfterStoringTheWholeEntries) {
  PaletteArea[2] = 0xAB;
  Load({{8, 8, 8, 0}, {16, 16, 16, 0}, {24, 24, 24, 0}}, 10 + 6);
  try {
    EncodePalette(4, 10, 3);
    FAIL();
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kErrReadBeyondEnd);
  }
  EXPECT_EQ(Words(1), (std::vector<int>{0x0421}));
  EXPECT_EQ(PaletteArea[2], 0xAB);
}

TEST_F(EncodePaletteTest, OtherDepthsDoNothing) {
  Load({{255, 255, 255, 0}});
  PaletteArea[0] = 0x12;
  EncodePalette(24, 10, 1);
  EncodePalette(1, 10, 1);
  EXPECT_EQ(PaletteArea[0], 0x12);
}

}  // namespace
}  // namespace tilora
