#pragma once

// Floyd-Steinberg error diffusion inside one tile. Internal to the colour
// reduction.

#include <array>
#include <cstdint>
#include <vector>

#include "palettes/packing/tile_pixels.h"
#include "palettes/reduction/colour_difference.h"

namespace tilora::packing::detail {

// Colour indices (1 to palette.size(), 0 for transparent pixels) for a
// tile's pixels, each the entry nearest in Lab to its 15-bit colour plus the
// error carried from its neighbours. Error moves only between opaque pixels
// of the tile, so a tile's look never depends on another's. palette must not
// be empty when the tile has opaque pixels.
std::array<std::uint8_t, kTilePixels> DitherTile(const TilePixels& tile, const std::vector<Colour15>& palette);

}  // namespace tilora::packing::detail
