#pragma once

// The distinct tiles of a picture, found by hash: each stored once, numbered
// in the order they were added.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encode/cell_rows.h"

namespace tilora::cells {

struct Placement {
  std::uint32_t tile = 0;
  unsigned flip = kNoFlip;  // how the map entry flips the stored tile to show the cell
};

class TileDictionary {
 public:
  // expectedTiles only sizes the first table; it grows as needed.
  explicit TileDictionary(std::size_t expectedTiles);

  // The stored tile equal to cell (whose Hash is hash), or -1.
  std::int64_t Find(const CellRows& cell, std::uint64_t hash) const;
  std::uint32_t Add(const CellRows& cell, std::uint64_t hash);

  // The tile and flip that show cell, storing it when no tile does: an
  // identical tile first, then (with flips) one that shows it flipped
  // horizontally, vertically, both.
  Placement Place(const CellRows& cell, bool flips);

  std::size_t Size() const { return tiles_.size(); }
  const CellRows& Tile(std::size_t n) const { return tiles_[n]; }

 private:
  void Grow();
  std::size_t SlotOf(std::uint64_t hash) const { return static_cast<std::size_t>(hash >> 32) & mask_; }

  std::vector<CellRows> tiles_;
  // Per slot: the hash's low half, and the tile number + 1 (0: empty).
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
};

}  // namespace tilora::cells
