#pragma once

// Large blocks on transparent huge pages (Linux): what the converter's
// operator new hands out for its large buffers. A fresh process pays a page
// fault for every 4 KiB page it first writes; a buffer on whole 2 MiB pages
// pays one for each of those.

#include <cstddef>

namespace tilora::huge_pages {

inline constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Bytes mapped for a block of size bytes: whole huge pages where the last
// one is at least half used, else whole small pages after the huge ones; 0
// for a block better left to malloc (under half a huge page, or too large
// to note).
std::size_t MappedLength(std::size_t size);

// A block of at least size bytes aligned to a huge page, or nullptr when
// the block is better left to malloc or cannot be had.
void* Allocate(std::size_t size) noexcept;

// Unmaps p when Allocate gave it and it is still out; false for any other
// pointer, which the caller frees as usual.
bool Release(void* p) noexcept;

}  // namespace tilora::huge_pages
