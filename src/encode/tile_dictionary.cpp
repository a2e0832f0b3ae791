#include "encode/tile_dictionary.h"

#include <bit>

namespace tilora::cells {
namespace {

constexpr std::uint64_t Tag(std::uint64_t hash) { return hash & 0xFFFFFFFFULL; }

}  // namespace

TileDictionary::TileDictionary(std::size_t expectedTiles) {
  // At most half full, so probe runs stay short.
  const std::size_t slots = std::bit_ceil(expectedTiles < 512 ? std::size_t{1024} : 2 * expectedTiles);
  slots_.assign(slots, 0);
  mask_ = slots - 1;
  tiles_.reserve(expectedTiles);
}

std::int64_t TileDictionary::Find(const CellRows& cell, std::uint64_t hash) const {
  for (std::size_t s = SlotOf(hash);; s = (s + 1) & mask_) {
    const std::uint64_t slot = slots_[s];
    if (slot == 0) return -1;
    if ((slot & 0xFFFFFFFFULL) != Tag(hash)) continue;
    const std::size_t tile = static_cast<std::size_t>(slot >> 32) - 1;
    if (tiles_[tile] == cell) return static_cast<std::int64_t>(tile);
  }
}

std::uint32_t TileDictionary::Add(const CellRows& cell, std::uint64_t hash) {
  if (2 * (tiles_.size() + 1) > slots_.size()) Grow();
  const auto number = static_cast<std::uint32_t>(tiles_.size());
  tiles_.push_back(cell);
  std::size_t s = SlotOf(hash);
  while (slots_[s] != 0) s = (s + 1) & mask_;
  slots_[s] = static_cast<std::uint64_t>(number + 1) << 32 | Tag(hash);
  return number;
}

Placement TileDictionary::Place(const CellRows& cell, bool flips) {
  const std::uint64_t hash = Hash(cell);
  if (const std::int64_t found = Find(cell, hash); found >= 0) return {static_cast<std::uint32_t>(found), kNoFlip};
  if (flips) {
    // A map entry flipped by f shows f(tile), so the cell is f(tile) when
    // f(cell) is stored: every flip is its own inverse.
    for (const unsigned flip : {kFlipH, kFlipV, kFlipHV}) {
      const CellRows flipped = Flipped(cell, flip);
      if (const std::int64_t found = Find(flipped, Hash(flipped)); found >= 0)
        return {static_cast<std::uint32_t>(found), flip};
    }
  }
  return {Add(cell, hash), kNoFlip};
}

void TileDictionary::Grow() {
  slots_.assign(2 * slots_.size(), 0);
  mask_ = slots_.size() - 1;
  for (std::size_t n = 0; n < tiles_.size(); ++n) {
    const std::uint64_t hash = Hash(tiles_[n]);
    std::size_t s = SlotOf(hash);
    while (slots_[s] != 0) s = (s + 1) & mask_;
    slots_[s] = static_cast<std::uint64_t>(n + 1) << 32 | Tag(hash);
  }
}

}  // namespace tilora::cells
