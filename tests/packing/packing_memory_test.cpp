// Peak memory of sub-palette packing, counted from the allocations
// themselves: this program's operator new keeps the bytes live and their
// peak, which unlike the resident set size do not depend on the tests run
// before.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>

#include "palettes/packing/subpalette_packing.h"

namespace {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};

// Each block starts with its size, so that a delete without one knows it.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::int64_t live = liveBytes += static_cast<std::int64_t>(size);
  for (std::int64_t peak = peakBytes; live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
  }
  return static_cast<char*>(block) + kHeader;
}

void Free(void* p) {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  liveBytes -= static_cast<std::int64_t>(*static_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

namespace tilora::packing {
namespace {

using Sets = std::vector<std::vector<Colour15>>;

// Bytes allocated beyond those live when it was made, at the most.
class PeakAbove {
 public:
  PeakAbove() : base_(liveBytes) { peakBytes = base_; }
  std::int64_t Bytes() const { return peakBytes - base_; }

 private:
  std::int64_t base_;
};

// `tiles` sets of `size` random colours of `pool`.
Sets Scattered(int tiles, int size, int pool, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<Colour15> colours(static_cast<std::size_t>(pool));
  for (int c = 0; c < pool; ++c) colours[static_cast<std::size_t>(c)] = static_cast<Colour15>(3 * c + 1);
  Sets sets(static_cast<std::size_t>(tiles));
  for (auto& set : sets) {
    std::shuffle(colours.begin(), colours.end(), random);
    set.assign(colours.begin(), colours.begin() + size);
  }
  return sets;
}

// A 1024 x 1024 picture of tiles of 15 of 30 colours, no two of which fit one
// sub-palette, once took 2.1 GB (a table of sets times sub-palettes) before
// it was refused; tiles of 3 of 100 colours keep every search busy.
TEST(PackingMemory, GrowsLinearlyWithTheDistinctSets) {
  const struct {
    int tiles, size, pool;
    PackingStatus status;
  } cases[] = {
      {16384, 15, 30, PackingStatus::kTooFewSubPalettes},
      {32768, 15, 30, PackingStatus::kTooFewSubPalettes},
      {16384, 3, 100, PackingStatus::kNoPackingFound},
  };
  for (const auto& c : cases) {
    const Sets sets = Scattered(c.tiles, c.size, c.pool, 5);
    const PeakAbove peak;
    const PackingOutcome outcome = PackSubPalettes(sets, {8, 16});
    EXPECT_EQ(outcome.status, c.status) << outcome.notice;
    // The input's own copies (sorted sets and their order) and the
    // searches' tables, a few hundred bytes a tile, and a colour table.
    EXPECT_LE(peak.Bytes(), (std::int64_t{1} << 20) + static_cast<std::int64_t>(c.tiles) * 512)
        << c.tiles << " tiles of " << c.size;
  }
}

}  // namespace
}  // namespace tilora::packing
