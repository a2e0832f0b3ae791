// A conversion interrupted between its two replacements: the outputs already
// there keep their contents, the one already replaced included, no
// temporary file stays, and the next conversion starts clean.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "bmp_builder.h"
#include "conversion_outcome.h"
#include "convert/convert_file.h"
#include "reference_encoder.h"
#include "io/io_error.h"
#include "io/output_set/output_set.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::BmpShape;
using testing::TempDir;

BmpShape Picture(std::int32_t w, std::int32_t h, std::uint16_t depth, std::uint32_t seed) {
  BmpShape s;
  s.width = w;
  s.height = h;
  s.depth = depth;
  s.pixels = testing::RandomPixels(static_cast<std::size_t>(w * h), 1 << depth, seed);
  return s;
}

// A conversion whose output set fails where hook says.
Result<ConvertedFiles> ConvertWithHook(const std::string& picture, const std::string& base,
                                       std::function<void(std::size_t)> hook) {
  FileConversionOptions options;
  options.outputSet.beforeReplace = std::move(hook);
  return ConvertFile(picture, base, {}, options);
}

struct InterruptCase {
  const char* name;
  std::size_t failBefore;  // 0: before the palette is replaced; 1: before the tile data
};

void PrintTo(const InterruptCase& c, std::ostream* os) { *os << c.name; }

class InterruptedTest : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(InterruptedTest, EarlierOutputsSurviveAndNothingIsLeft) {
  TempDir dir;
  const BmpShape earlier = Picture(16, 16, 8, 1);
  const BmpShape later = Picture(24, 8, 4, 2);  // other sizes, so a mix-up shows
  testing::WriteFileBytes(dir / "earlier.bmp", testing::BuildBmp(earlier));
  testing::WriteFileBytes(dir / "later.bmp", testing::BuildBmp(later));
  ASSERT_TRUE(ConvertFile(dir / "earlier.bmp", dir / "Pic"));

  const std::size_t failBefore = GetParam().failBefore;
  const auto failed = ConvertWithHook(dir / "later.bmp", dir / "Pic", [failBefore](std::size_t index) {
    if (index == failBefore) throw IoError(5, "", "injected fault");
  });
  EXPECT_EQ(testing::FailureTextOf(failed), "injected fault.");

  // The palette goes first, and is put back when the tile data fails.
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.plt"), testing::ReferencePalette(earlier));
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), testing::ReferenceTiles(earlier));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "earlier.bmp", "later.bmp"}));

  ASSERT_TRUE(ConvertFile(dir / "later.bmp", dir / "Pic"));
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), testing::ReferenceTiles(later));
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.plt"), testing::ReferencePalette(later));
}

INSTANTIATE_TEST_SUITE_P(Points, InterruptedTest,
                         ::testing::Values(InterruptCase{"before_palette", 0}, InterruptCase{"before_tile_data", 1}),
                         [](const ::testing::TestParamInfo<InterruptCase>& p) { return std::string(p.param.name); });

// A fault of another kind than IoError, such as running out of memory while
// the outputs are moved, cleans up the same way, and is told as such.
TEST(InterruptedTest, ForeignExceptionLeavesNoTemporary) {
  TempDir dir;
  const BmpShape picture = Picture(8, 8, 8, 3);
  testing::WriteFileBytes(dir / "in.bmp", testing::BuildBmp(picture));
  const auto failed = ConvertWithHook(dir / "in.bmp", dir / "Pic", [](std::size_t) { throw std::bad_alloc(); });
  EXPECT_EQ(testing::FailureTextOf(failed), "Out of memory.");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"in.bmp"});
}

}  // namespace
}  // namespace tilora
