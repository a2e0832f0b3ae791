#pragma once

// The distinct tiles of a picture, found by hash: each stored once, numbered
// in the order they were added. With flips, every orientation of a stored
// tile is in the table too, so any cell costs one hash and one probe.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "snes/cells/cell_rows.h"

namespace tilora::cells {

struct Placement {
  std::uint32_t tile = 0;
  unsigned flip = kNoFlip;  // how the map entry flips the stored tile to show the cell
};

class TileDictionary {
 public:
  // expectedTiles only sizes the first table; it grows as needed.
  TileDictionary(std::size_t expectedTiles, bool flips);

  // The stored tile and flip that show cell: an identical tile first, then
  // (with flips) one that shows it flipped horizontally, vertically, both.
  std::optional<Placement> Find(const CellRows& cell) const {
    const std::int64_t found = Find(cell, Hash(cell));
    if (found < 0) return std::nullopt;
    return Unpacked(found);
  }
  std::uint32_t Add(const CellRows& cell) { return Add(cell, Hash(cell)); }

  // Find, storing the cell as a new tile when no tile shows it.
  Placement Place(const CellRows& cell) {
    const std::uint64_t hash = Hash(cell);
    const std::int64_t found = Find(cell, hash);
    if (found >= 0) return Unpacked(found);
    return {Add(cell, hash), kNoFlip};
  }

  // The all-colour-0 tile: the stored one, or a new one.
  std::uint32_t BlankTile() {
    const CellRows blank;
    const auto found = Find(blank);
    return found ? found->tile : Add(blank);
  }

  std::size_t Size() const { return tiles_.size(); }
  const CellRows& Tile(std::size_t n) const { return tiles_[n]; }

 private:
  // The tile number << 2 | flip, or -1: a plain number comes back in a
  // register, which matters once per cell.
  std::int64_t Find(const CellRows& cell, std::uint64_t hash) const;
  static Placement Unpacked(std::int64_t found) {
    return {static_cast<std::uint32_t>(found >> 2), static_cast<unsigned>(found & 3)};
  }
  std::uint32_t Add(const CellRows& cell, std::uint64_t hash);
  // Enters each distinct orientation of tile n, in the order of preference.
  void Enter(std::size_t n, std::uint64_t hash);
  void Insert(std::uint64_t hash, std::size_t n, unsigned flip);
  std::size_t SlotOf(std::uint64_t hash) const { return static_cast<std::size_t>(hash >> 32) & mask_; }

  bool flips_;
  std::vector<CellRows> tiles_;
  // Per slot: the hash's low half; above it the flip in two bits and the
  // tile number + 1 (0: empty) in thirty.
  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
  std::size_t entries_ = 0;
};

}  // namespace tilora::cells
