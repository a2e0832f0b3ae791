#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace tilora {

// Bytes of one planar tile: 16 at 2 bpp, 32 at 4 bpp, 64 at 8 bpp.
constexpr std::size_t PlanarTileSize(int bpp) { return static_cast<std::size_t>(8 * bpp); }

// Encodes the 8 x 8 colour indices at pixels (rows stride bytes apart) as a
// planar tile of bpp 2, 4 or 8: the byte of bit plane n for tile row i lies
// at 16 * (n / 2) + 2 * i + n % 2, the leftmost pixel in its top bit. Bits
// of an index above bpp are ignored.
void EncodePlanarTile(const std::uint8_t* pixels, std::size_t stride, int bpp, std::uint8_t* out);

// Every tile of an indexed picture in row-major order, padded with colour 0
// out to whole tiles.
std::vector<std::uint8_t> EncodePlanarTiles(const Picture& picture, int bpp);

}  // namespace tilora
