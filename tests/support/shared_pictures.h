#pragma once

// Pictures whose cells come from one pool of tiles, flipped and in several
// sub-palettes, as the backgrounds of a level share their tiles; and the
// distinct tiles of such pictures counted the naive way, cell by cell.

#include <array>
#include <cstdint>
#include <vector>

namespace tilora::testing {

using TileColours = std::array<std::uint8_t, 64>;  // colours within a sub-palette, rows top first

// count tiles of colours 0 to colours - 1, none all colour 0.
std::vector<TileColours> RandomTilePool(int count, int colours, std::uint32_t seed);

struct PoolPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;  // row-major: block * (1 << bpp) + colour
};

// A picture of cells drawn from the pool (flipped at random when flips),
// each in one of blocks; cells past the picture's edge are cut.
PoolPicture PictureFromPool(const std::vector<TileColours>& pool, int width, int height, int bpp,
                            const std::vector<int>& blocks, bool flips, std::uint32_t seed);

// The distinct cells of all the pictures (colours within their sub-palette,
// padded with colour 0 to whole cells), a cell and its flipped copies one
// when flips.
std::size_t NaiveDistinctTiles(const std::vector<PoolPicture>& pictures, int bpp, bool flips);

}  // namespace tilora::testing
