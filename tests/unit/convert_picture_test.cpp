#include "convert/convert_file.h"
#include "formats/bmp/bmp_layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bmp_builder.h"
#include "conversion_outcome.h"
#include "io/io_error.h"
#include "reference_encoder.h"
#include "temp_dir.h"
#include "window_state.h"

namespace tilora {
namespace {

using testing::BmpShape;
using testing::ConvertOutcome;
using testing::OutcomeOf;
using testing::MakeShape;
using testing::TempDir;

struct GoldenCase {
  const char* name;
  BmpShape shape;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, OutputsMatchReferenceEncoder) {
  TempDir dir;
  BmpShape shape = GetParam().shape;
  const auto rows = static_cast<std::size_t>(shape.height < 0 ? -shape.height : shape.height);
  if (shape.pixels.empty())
    shape.pixels = testing::RandomPixels(static_cast<std::size_t>(shape.width) * rows, 1 << shape.depth, 7);
  testing::WriteFileBytes(dir / "in.bmp", testing::BuildBmp(shape));
  const ConvertOutcome outcome = OutcomeOf(ConvertFile(dir / "in.bmp", dir / "Pic"));
  ASSERT_TRUE(outcome.converted) << outcome.notice;
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), testing::ReferenceTiles(shape));
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.plt"), testing::ReferencePalette(shape));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "in.bmp"}));
}

BmpShape WithFiller(BmpShape s, std::uint8_t filler) {
  s.filler = filler;
  return s;
}

BmpShape WithHeader(BmpShape s, std::uint32_t headerSize) {
  s.headerSize = headerSize;
  return s;
}

BmpShape WithTable(BmpShape s, int entries, std::uint32_t coloursUsed) {
  s.tableEntries = entries;
  s.coloursUsed = coloursUsed;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, GoldenTest,
    ::testing::Values(
        GoldenCase{"d4_1x1", MakeShape(1, 1, 4)}, GoldenCase{"d8_1x1", MakeShape(1, 1, 8)},
        GoldenCase{"d4_8x8", MakeShape(8, 8, 4)}, GoldenCase{"d8_8x8", MakeShape(8, 8, 8)},
        GoldenCase{"d4_9x8", WithFiller(MakeShape(9, 8, 4), 0xA5)}, GoldenCase{"d8_9x8", MakeShape(9, 8, 8)},
        GoldenCase{"d4_8x9", MakeShape(8, 9, 4)}, GoldenCase{"d8_8x9", MakeShape(8, 9, 8)},
        GoldenCase{"d4_odd", WithFiller(MakeShape(13, 11, 4), 0x3C)}, GoldenCase{"d8_odd", MakeShape(13, 11, 8)},
        GoldenCase{"d4_256x224", MakeShape(256, 224, 4)}, GoldenCase{"d8_256x224", MakeShape(256, 224, 8)},
        GoldenCase{"d4_topdown", MakeShape(16, -16, 4)}, GoldenCase{"d8_topdown", MakeShape(21, -10, 8)},
        GoldenCase{"d4_header124", WithHeader(MakeShape(16, 16, 4), 124)},
        GoldenCase{"d8_header108", WithHeader(MakeShape(16, 8, 8), 108)},
        GoldenCase{"d8_short_table_used", WithTable(MakeShape(16, 8, 8), 20, 20)},
        GoldenCase{"d8_short_table_unannounced", WithTable(MakeShape(16, 8, 8), 5, 0)},
        GoldenCase{"d4_old_header", WithHeader(MakeShape(13, 5, 4), 12)},
        GoldenCase{"d8_old_header", WithHeader(MakeShape(8, 3, 8), 12)},
        GoldenCase{"d4_largest", MakeShape(2048, 1024, 4)}, GoldenCase{"d8_largest", MakeShape(1024, 1024, 8)},
        GoldenCase{"d4_widest", MakeShape(8192, 32, 4)}, GoldenCase{"d8_tallest", MakeShape(32, 4096, 8)}),
    [](const ::testing::TestParamInfo<GoldenCase>& param) { return std::string(param.param.name); });

// A picture written, opened and converted as the window does it.
class ConvertTest : public ::testing::Test {
 protected:
  std::string Write(const BmpShape& shape, const std::string& leaf = "in.bmp") {
    testing::WriteFileBytes(dir_ / leaf, testing::BuildBmp(shape));
    return dir_ / leaf;
  }
  ConvertOutcome OpenAndConvert(const std::string& path, const std::string& base) {
    Open(path);
    return InFile(base);
  }
  void Open(const std::string& path) { window_.Open(path); }
  ConvertOutcome InFile(const std::string& base) { return OutcomeOf(window_.InFile(base)); }
  // The failure text of a conversion, or "" when it did not fail.
  std::string FailureOf(const std::string& path, const std::string& base) {
    return testing::FailureTextOf(ConvertFile(path, base));
  }
  TempDir dir_;
  testing::WindowState window_;
};

TEST_F(ConvertTest, OutputSizes) {
  const struct {
    std::int32_t w, h;
    std::uint16_t depth;
    std::uintmax_t plt, bin;
  } cases[] = {{16, 16, 4, 32, 128}, {16, 16, 8, 512, 256}, {9, 8, 4, 32, 64}, {9, 8, 8, 512, 128},
               {8, 12, 4, 32, 64},   {1, 1, 8, 512, 64}};
  for (const auto& c : cases) {
    const auto picture = Write(MakeShape(c.w, c.h, c.depth));
    ASSERT_TRUE(OpenAndConvert(picture, dir_ / "Pic").converted);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "Pic.plt"), c.plt);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "Pic.bin"), c.bin);
  }
}

TEST_F(ConvertTest, StaleHeaderIsNotConverted) {
  const auto good = Write(MakeShape(8, 8, 4), "good.bmp");
  ASSERT_TRUE(OpenAndConvert(good, dir_ / "Pic").converted);
  // A compressed picture, then a file cut inside its header.
  auto compressed = MakeShape(8, 8, 4);
  compressed.compression = 2;
  const auto rle = Write(compressed, "rle.bmp");
  Open(rle);
  EXPECT_EQ(InFile(dir_ / "Out").notice, kStaleHeaderNotice);
  testing::WriteFileBytes(dir_ / "cut.bmp", std::vector<std::uint8_t>(26, 0));
  EXPECT_THROW(Open(dir_ / "cut.bmp"), IoError);
  EXPECT_EQ(InFile(dir_ / "Out").notice, kStaleHeaderNotice);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Out.bin"));
  EXPECT_TRUE(OpenAndConvert(good, dir_ / "Out").converted);
}

TEST_F(ConvertTest, NoWorkingCopyAndAUsersDatBinIsLeftAlone) {
  const auto picture = Write(MakeShape(16, 16, 8));
  testing::WriteFileBytes(dir_ / "dat.bin", {42, 42});
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const ConvertOutcome outcome = OpenAndConvert("in.bmp", "Pic");
  std::filesystem::current_path(cwd);
  ASSERT_TRUE(outcome.converted);
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "dat.bin"), (std::vector<std::uint8_t>{42, 42}));
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "Pic.bin"), testing::ReferenceTiles(MakeShape(16, 16, 8)));
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "dat.bin", "in.bmp"}));
  (void)picture;
}

TEST_F(ConvertTest, FailedConversionKeepsEarlierOutputsAndLeavesNothing) {
  const auto picture = Write(MakeShape(16, 16, 8));
  ASSERT_TRUE(OpenAndConvert(picture, dir_ / "Pic").converted);
  const auto bin = testing::ReadFileBytes(dir_ / "Pic.bin");
  const auto plt = testing::ReadFileBytes(dir_ / "Pic.plt");
  // The same header over pixel data cut short.
  auto bytes = testing::BuildBmp(MakeShape(16, 16, 8));
  bytes.resize(bytes.size() - 3);
  testing::WriteFileBytes(picture, bytes);
  EXPECT_EQ(FailureOf(picture, dir_ / "Pic"), "Read beyond end of file.");
  EXPECT_FALSE(window_.SourceFile.IsOpen());
  std::filesystem::remove(picture);
  EXPECT_EQ(FailureOf(picture, dir_ / "Pic"), "File not found.");
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "Pic.bin"), bin);
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "Pic.plt"), plt);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt"}));
}

TEST_F(ConvertTest, EveryConversionStartsFromZeroedBuffers) {
  // A full 16 x 16 of colour 255, a failure in the last row of another, then
  // an 8 x 12 picture whose padding rows must be colour 0.
  BmpShape full = MakeShape(16, 16, 8);
  full.pixels.assign(256, 0xFF);
  ASSERT_TRUE(OpenAndConvert(Write(full, "full.bmp"), dir_ / "A").converted);
  auto cut = testing::BuildBmp(full);
  cut.resize(cut.size() - 20);
  testing::WriteFileBytes(dir_ / "cut.bmp", cut);
  EXPECT_EQ(FailureOf(dir_ / "cut.bmp", dir_ / "B"), "Read beyond end of file.");
  BmpShape small = MakeShape(8, 12, 8);
  small.pixels.assign(96, 0x11);
  ASSERT_TRUE(OpenAndConvert(Write(small, "small.bmp"), dir_ / "C").converted);
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "C.bin"), testing::ReferenceTiles(small));
  ASSERT_TRUE(OpenAndConvert(dir_ / "small.bmp", dir_ / "D").converted);
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "D.bin"), testing::ReadFileBytes(dir_ / "C.bin"));
}

// The window converts what it opened: a picture rewritten in between, even
// to the same size, is refused and nothing is written.
TEST_F(ConvertTest, PictureChangedSinceOpenedIsRefused) {
  const auto picture = Write(MakeShape(16, 16, 8));
  Open(picture);
  const struct {
    const char* name;
    BmpShape shape;
  } changes[] = {{"geometry", MakeShape(8, 32, 8)}, {"depth", MakeShape(32, 16, 4)}, {"same header", MakeShape(16, 16, 8)}};
  for (const auto& change : changes) {
    auto bytes = testing::BuildBmp(change.shape);
    bytes.push_back(0);  // the size differs even where the header does not
    testing::WriteFileBytes(picture, bytes);
    const ConvertOutcome outcome = InFile(dir_ / "Pic");
    EXPECT_FALSE(outcome.converted) << change.name;
    EXPECT_EQ(outcome.notice, kChangedNotice) << change.name;
  }
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"in.bmp"}));
  Open(picture);
  EXPECT_TRUE(InFile(dir_ / "Pic").converted);
}

// Only bitmaps are read as bitmaps: the signature and one plane.
TEST_F(ConvertTest, NotABitmapIsRefused) {
  auto bytes = testing::BuildBmp(MakeShape(8, 8, 4));
  const struct {
    const char* name;
    std::size_t at;
    std::uint8_t value;
  } cases[] = {{"signature", 0, 'P'}, {"planes zero", 26, 0}, {"two planes", 26, 2}};
  for (const auto& c : cases) {
    auto patched = bytes;
    patched[c.at] = c.value;
    testing::WriteFileBytes(dir_ / "in.bmp", patched);
    const ConvertOutcome outcome = OutcomeOf(ConvertFile(dir_ / "in.bmp", dir_ / "Pic"));
    EXPECT_EQ(outcome.notice, kNotBmpNotice) << c.name;
  }
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"in.bmp"}));
}

TEST_F(ConvertTest, EmptyBaseNameGivesDotFiles) {
  const auto picture = Write(MakeShape(8, 8, 4));
  ASSERT_TRUE(OpenAndConvert(picture, dir_ / "").converted);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{".bin", ".plt", "in.bmp"}));
}

TEST_F(ConvertTest, ReadOnlyPictureConverts) {
  const auto picture = Write(MakeShape(8, 8, 8));
  std::filesystem::permissions(picture, std::filesystem::perms::owner_read);
  EXPECT_TRUE(OpenAndConvert(picture, dir_ / "Pic").converted);
}

}  // namespace
}  // namespace tilora
