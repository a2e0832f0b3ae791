#include "io/huge_page_blocks.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>

namespace tilora::huge_pages {
namespace {

constexpr std::size_t kSmallPage = 4096;
// A block's length is noted in small pages in the low bits of its aligned
// address.
constexpr std::uintptr_t kLengthBits = kHugePage - 1;
constexpr std::size_t kMaxPages = kLengthBits;

// The blocks out, each one word (address | pages), so that claiming and
// clearing a slot is one atomic step. A threaded run holds a few blocks a
// picture at once; with every slot taken, blocks go to malloc.
constexpr int kSlots = 64;
std::atomic<std::uintptr_t> slots[kSlots];
std::atomic<int> blocksOut{0};

std::uintptr_t Address(void* p) { return reinterpret_cast<std::uintptr_t>(p); }
void* Pointer(std::uintptr_t a) { return reinterpret_cast<void*>(a); }

// An anonymous mapping of length bytes whose start is aligned to a huge
// page: a longer one, trimmed at both ends.
void* MapAligned(std::size_t length) {
  const std::size_t span = length + kHugePage;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t base = Address(raw);
  const std::uintptr_t start = (base + kHugePage - 1) & ~kLengthBits;
  if (start > base) ::munmap(raw, start - base);
  const std::uintptr_t end = start + length;
  if (base + span > end) ::munmap(Pointer(end), base + span - end);
  // Only advice: where huge pages are off or none is free, small ones serve.
  ::madvise(Pointer(start), length, MADV_HUGEPAGE);
  return Pointer(start);
}

bool Note(std::uintptr_t word) {
  for (std::atomic<std::uintptr_t>& slot : slots) {
    std::uintptr_t empty = 0;
    if (slot.load(std::memory_order_relaxed) == 0 && slot.compare_exchange_strong(empty, word)) {
      blocksOut.fetch_add(1, std::memory_order_release);
      return true;
    }
  }
  return false;
}

}  // namespace

std::size_t MappedLength(std::size_t size) {
  // Past the length a slot can note, or near the top of the address space,
  // malloc decides.
  constexpr std::uint64_t kMaxBytes = std::uint64_t{kMaxPages} * kSmallPage - kHugePage;
  if (size < kHugePage / 2 || size > kMaxBytes || size > SIZE_MAX / 4) return 0;
  const std::size_t tail = size % kHugePage;
  if (tail == 0 || tail >= kHugePage / 2) return (size + kHugePage - 1) & ~kLengthBits;
  return (size + kSmallPage - 1) & ~(kSmallPage - 1);
}

void* Allocate(std::size_t size) noexcept {
  const std::size_t length = MappedLength(size);
  if (length == 0) return nullptr;
  void* p = MapAligned(length);
  if (p == nullptr) return nullptr;
  if (!Note(Address(p) | length / kSmallPage)) {
    ::munmap(p, length);
    return nullptr;
  }
  return p;
}

bool Release(void* p) noexcept {
  const std::uintptr_t address = Address(p);
  // Every block of ours is aligned to a huge page; almost nothing else is.
  if ((address & kLengthBits) != 0 || address == 0 || blocksOut.load(std::memory_order_acquire) == 0) return false;
  for (std::atomic<std::uintptr_t>& slot : slots) {
    std::uintptr_t word = slot.load(std::memory_order_acquire);
    if ((word & ~kLengthBits) != address || !slot.compare_exchange_strong(word, 0)) continue;
    blocksOut.fetch_sub(1, std::memory_order_relaxed);
    ::munmap(p, (word & kLengthBits) * kSmallPage);
    return true;
  }
  return false;
}

}  // namespace tilora::huge_pages
