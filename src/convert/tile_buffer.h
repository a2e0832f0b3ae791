#pragma once

#include <cstdint>

#include "convert/limits.h"

namespace tilora {

// The encoded tiles; its first bytes are the tile-data file.
extern std::uint8_t TileBuffer[kTileBufferSize];

// Cuts the picture in PixelPlane into planar 8 x 8 tiles in TileBuffer, tile
// rows top first, tiles left to right. depth is 4 or 8; anything else, or a
// picture whose tiles do not fit, does nothing.
void EncodeTiles(int depth);

// Encodes the tile whose top-left pixel is at column x, row y of PixelPlane
// into TileBuffer at offset. The byte of bit plane n for tile row i lies at
// 16 * (n / 2) + 2 * i + n % 2, the leftmost pixel in its top bit.
void EncodeTile4(int x, int y, std::size_t offset);
void EncodeTile8(int x, int y, std::size_t offset);

// Sets back to zero what EncodeTiles wrote since the last clearing.
void ClearTileBuffer();

}  // namespace tilora
