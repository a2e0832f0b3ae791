#include "snes/cells/tile_dictionary.h"

#include <bit>

namespace tilora::cells {
namespace {

constexpr std::uint64_t kLowHalf = 0xFFFFFFFFULL;

}  // namespace

TileDictionary::TileDictionary(std::size_t expectedTiles, bool flips) : flips_(flips) {
  // At most half full, so probe runs stay short.
  const std::size_t entries = (flips ? 4 : 1) * expectedTiles;
  const std::size_t slots = std::bit_ceil(entries < 512 ? std::size_t{1024} : 2 * entries);
  slots_.assign(slots, 0);
  mask_ = slots - 1;
  tiles_.reserve(expectedTiles);
}

std::int64_t TileDictionary::Find(const CellRows& cell, std::uint64_t hash) const {
  for (std::size_t s = SlotOf(hash);; s = (s + 1) & mask_) {
    const std::uint64_t slot = slots_[s];
    if (slot == 0) return -1;
    if ((slot & kLowHalf) != (hash & kLowHalf)) continue;
    const std::size_t tile = static_cast<std::size_t>(slot >> 34) - 1;
    const auto flip = static_cast<unsigned>(slot >> 32 & 3);
    if (ShowsAs(tiles_[tile], flip, cell)) return static_cast<std::int64_t>(tile << 2 | flip);
  }
}

std::uint32_t TileDictionary::Add(const CellRows& cell, std::uint64_t hash) {
  if (2 * (entries_ + 4) > slots_.size()) {
    slots_.assign(2 * slots_.size(), 0);
    mask_ = slots_.size() - 1;
    entries_ = 0;
    for (std::size_t n = 0; n < tiles_.size(); ++n) Enter(n, Hash(tiles_[n]));
  }
  tiles_.push_back(cell);
  Enter(tiles_.size() - 1, hash);
  return static_cast<std::uint32_t>(tiles_.size() - 1);
}

void TileDictionary::Enter(std::size_t n, std::uint64_t hash) {
  const CellRows& tile = tiles_[n];
  Insert(hash, n, kNoFlip);
  if (!flips_) return;
  // A map entry flipped by f shows f(tile); an orientation equal to an
  // earlier one (a symmetric tile) keeps the earlier, preferred flip.
  CellRows seen[4] = {tile};
  for (unsigned flip = kFlipH; flip <= kFlipHV; ++flip) {
    seen[flip] = Flipped(tile, flip);
    bool repeated = false;
    for (unsigned earlier = 0; earlier < flip; ++earlier) repeated |= seen[earlier] == seen[flip];
    if (!repeated) Insert(Hash(seen[flip]), n, flip);
  }
}

void TileDictionary::Insert(std::uint64_t hash, std::size_t n, unsigned flip) {
  std::size_t s = SlotOf(hash);
  while (slots_[s] != 0) s = (s + 1) & mask_;
  slots_[s] = (static_cast<std::uint64_t>(n + 1) << 2 | flip) << 32 | (hash & kLowHalf);
  ++entries_;
}

}  // namespace tilora::cells
