#pragma once

// The distinct 16 x 16 blocks of a picture, for maps whose entries each show
// four tiles. A map entry flipped one way shows its block's four tiles each
// flipped that way and swapped across the block, so a block and its mirror
// images are one entry of the table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "snes/cells/cell_rows.h"
#include "snes/cells/tile_dictionary.h"

namespace tilora::cells {

// Cells in reading order: top-left, top-right, bottom-left, bottom-right
// (cell x + 2 y).
struct Block {
  std::array<CellRows, 4> cell;
  bool operator==(const Block&) const = default;
};

// The block as a map entry with these flip bits shows it: cell i shows cell
// i ^ flip of the stored block, flipped.
inline Block FlippedBlock(const Block& block, unsigned flip) {
  Block out;
  for (unsigned i = 0; i < 4; ++i) FlipInto(block.cell[i ^ (flip & 3U)], flip, out.cell[i]);
  return out;
}

class BlockDictionary {
 public:
  explicit BlockDictionary(bool flips) : flips_(flips) {}

  // The stored block and flip that show block, storing it as a new one
  // when none does: an identical block first, then (with flips) one that
  // shows it flipped horizontally, vertically, both.
  Placement Place(const Block& block);

  // The all-colour-0 block: the stored one, or a new one.
  std::uint32_t BlankBlock() { return Place(Block{}).tile; }

  std::size_t Size() const { return blocks_.size(); }
  const Block& At(std::size_t n) const { return blocks_[n]; }

 private:
  struct BlockHash {
    std::size_t operator()(const Block& block) const {
      std::uint64_t h = 0;
      for (const CellRows& cell : block.cell) h = h * 0x9E3779B97F4A7C15ULL + Hash(cell);
      return static_cast<std::size_t>(h ^ h >> 29);
    }
  };

  bool flips_;
  std::vector<Block> blocks_;
  // Every orientation entered, each mapping to the block and the flip that
  // shows it; the first entered wins for a symmetric block.
  std::unordered_map<Block, Placement, BlockHash> shown_;
};

}  // namespace tilora::cells
