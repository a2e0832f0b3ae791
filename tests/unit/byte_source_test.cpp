#include "io/byte_source.h"

#include <gtest/gtest.h>

#include <vector>

#include "bmp_builder.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

// Reads inside the file's first bytes come from one read of them, the rest
// straight from the file: either way the bytes there, cut at the file's end.
TEST(FileSourceTest, ReadsWhatIsThereWhereverTheReadFalls) {
  constexpr std::size_t kHead = FileSource::kHeadBytes;
  const struct {
    std::int64_t position;
    std::size_t count;
  } reads[] = {{0, 8}, {10, 4}, {54, 1024}, {kHead - 4, 4}, {kHead - 4, 8}, {kHead, 16},
               {0, kHead}, {0, kHead + 1}, {5, 20000}, {6000, 100}, {9999, 10}, {20000, 4}};
  for (const std::size_t size : {std::size_t{100}, kHead, std::size_t{10000}}) {
    testing::TempDir dir;
    const Bytes file = Pattern(size);
    testing::WriteFileBytes(dir / "f", file);
    FileSource source(dir / "f");
    for (const auto& r : reads) {
      Bytes got(r.count, 0xEE);
      got.resize(source.ReadAt(r.position, got.data(), r.count));
      const auto from = std::min(static_cast<std::size_t>(r.position), size);
      const Bytes expected(file.begin() + static_cast<std::ptrdiff_t>(from),
                           file.begin() + static_cast<std::ptrdiff_t>(std::min(from + r.count, size)));
      EXPECT_EQ(got, expected) << size << " bytes, " << r.count << " at " << r.position;
    }
  }
}

}  // namespace
}  // namespace tilora
