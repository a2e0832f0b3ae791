#pragma once

// Where the tiles of 16 x 16 blocks lie in the tile data. The console reads
// an entry naming tile n as tiles n, n + 1 (right), n + 16 (below) and
// n + 17, so blocks go two tiles apart along rows of 16 tiles, eight to a
// pair of rows. Only the last pair of rows can leave tiles unused: the top
// row's tiles right of its last block.

#include <cstddef>
#include <cstdint>

namespace tilora {

// The first tile of block b, from the start of the tile data.
constexpr std::uint32_t BlockFirstTile(std::size_t b) { return static_cast<std::uint32_t>(32 * (b / 8) + 2 * (b % 8)); }

// The tile of cell i (x + 2 y) of a block whose first tile is n.
constexpr std::uint32_t BlockCellTile(std::uint32_t n, unsigned i) { return n + (i & 1U) + 16 * (i >> 1); }

// Tiles from the first of block 0 to the last of block blocks - 1.
constexpr std::size_t BlockTableTiles(std::size_t blocks) { return blocks == 0 ? 0 : BlockFirstTile(blocks - 1) + 18; }

}  // namespace tilora
