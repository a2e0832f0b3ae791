#include "io/huge_page_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tilora::huge_pages {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

struct Length {
  std::size_t size;
  std::size_t mapped;
};

// Half a huge page or more is worth one; less goes to malloc, and a last
// huge page less than half used is left to small pages.
TEST(HugePageBlocksTest, MapsWholeHugePagesWhereTheyAreHalfUsed) {
  const Length lengths[] = {
      {0, 0},
      {kMiB - 1, 0},
      {kMiB, 2 * kMiB},
      {2 * kMiB, 2 * kMiB},
      {2 * kMiB + 1, 2 * kMiB + 4096},
      {3 * kMiB - 1, 3 * kMiB},
      {3 * kMiB, 4 * kMiB},
      {SIZE_MAX, 0},
  };
  for (const Length& l : lengths) EXPECT_EQ(MappedLength(l.size), l.mapped) << l.size;
}

TEST(HugePageBlocksTest, BlocksAreAlignedWritableAndReleasedOnce) {
  EXPECT_EQ(Allocate(100), nullptr);
  void* block = Allocate(3 * kMiB);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHugePage, 0U);
  std::memset(block, 0x5A, 3 * kMiB);
  EXPECT_TRUE(Release(block));
  EXPECT_FALSE(Release(block));
  void* other = std::malloc(64);
  EXPECT_FALSE(Release(other));
  std::free(other);
}

// Past the blocks it can note, Allocate leaves the rest to malloc; the
// blocks it gave stay releasable.
TEST(HugePageBlocksTest, BlocksBeyondTheNotedOnesGoToMalloc) {
  std::vector<void*> blocks;
  for (int i = 0; i < 100; ++i) {
    void* block = Allocate(kMiB);  // only address space until written
    if (block == nullptr) break;
    blocks.push_back(block);
  }
  EXPECT_GT(blocks.size(), 8U);
  EXPECT_LT(blocks.size(), 100U);
  for (void* block : blocks) EXPECT_TRUE(Release(block));
  void* again = Allocate(kMiB);
  EXPECT_NE(again, nullptr);
  EXPECT_TRUE(Release(again));
}

}  // namespace
}  // namespace tilora::huge_pages
