#include "convert/convert_picture.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "convert/picture_header.h"
#include "reference_encoder.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::BmpSpec;
using testing::TempDir;

struct GoldenCase {
  const char* name;
  BmpSpec spec;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, OutputsMatchReferenceEncoder) {
  TempDir dir;
  BmpSpec spec = GetParam().spec;
  const auto rows = static_cast<std::size_t>(spec.height < 0 ? -spec.height : spec.height);
  if (spec.pixels.empty())
    spec.pixels = testing::RandomPixels(static_cast<std::size_t>(spec.width) * rows, 1 << spec.depth, 7);
  testing::WriteFileBytes(dir / "in.bmp", testing::BuildBmp(spec));
  ReadHeader(dir / "in.bmp");
  const ConvertOutcome outcome = ConvertPicture(dir / "in.bmp", dir / "Pic");
  ASSERT_TRUE(outcome.converted) << outcome.notice;
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), testing::ReferenceTiles(spec));
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.plt"), testing::ReferencePalette(spec));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "in.bmp"}));
}

BmpSpec Spec(std::int32_t w, std::int32_t h, std::uint16_t depth) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.depth = depth;
  return s;
}

BmpSpec WithFiller(BmpSpec s, std::uint8_t filler) {
  s.filler = filler;
  return s;
}

BmpSpec WithHeader(BmpSpec s, std::uint32_t headerSize) {
  s.headerSize = headerSize;
  return s;
}

BmpSpec WithTable(BmpSpec s, int entries, std::uint32_t coloursUsed) {
  s.tableEntries = entries;
  s.coloursUsed = coloursUsed;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, GoldenTest,
    ::testing::Values(
        GoldenCase{"d4_1x1", Spec(1, 1, 4)}, GoldenCase{"d8_1x1", Spec(1, 1, 8)},
        GoldenCase{"d4_8x8", Spec(8, 8, 4)}, GoldenCase{"d8_8x8", Spec(8, 8, 8)},
        GoldenCase{"d4_9x8", WithFiller(Spec(9, 8, 4), 0xA5)}, GoldenCase{"d8_9x8", Spec(9, 8, 8)},
        GoldenCase{"d4_8x9", Spec(8, 9, 4)}, GoldenCase{"d8_8x9", Spec(8, 9, 8)},
        GoldenCase{"d4_odd", WithFiller(Spec(13, 11, 4), 0x3C)}, GoldenCase{"d8_odd", Spec(13, 11, 8)},
        GoldenCase{"d4_256x224", Spec(256, 224, 4)}, GoldenCase{"d8_256x224", Spec(256, 224, 8)},
        GoldenCase{"d4_topdown", Spec(16, -16, 4)}, GoldenCase{"d8_topdown", Spec(21, -10, 8)},
        GoldenCase{"d4_header124", WithHeader(Spec(16, 16, 4), 124)},
        GoldenCase{"d8_header108", WithHeader(Spec(16, 8, 8), 108)},
        GoldenCase{"d8_short_table_used", WithTable(Spec(16, 8, 8), 20, 20)},
        GoldenCase{"d8_short_table_unannounced", WithTable(Spec(16, 8, 8), 5, 0)},
        GoldenCase{"d4_largest", Spec(2048, 1024, 4)}, GoldenCase{"d8_largest", Spec(1024, 1024, 8)},
        GoldenCase{"d4_widest", Spec(8192, 32, 4)}, GoldenCase{"d8_tallest", Spec(32, 4096, 8)}),
    [](const ::testing::TestParamInfo<GoldenCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tilora
