#pragma once

// Colour reduction for pictures whose colours do not pack into the
// sub-palettes: tiles grouped by colour content, each group's colours
// clustered in Lab, tiles moved to the sub-palette that shows them best,
// repeated while the CIEDE2000 error falls.

#include <span>

#include "palettes/reduction/tile_palettes.h"

namespace tilora::packing {

// Always fits the limits. A picture whose colours pack losslessly comes back
// unchanged (reduced false, no error). With dither, each tile's pixels are
// chosen with Floyd-Steinberg error diffusion inside the tile. Throws
// std::invalid_argument for limits LimitsNotice refuses.
TilePalettes ReduceColours(std::span<const TilePixels> tiles, PaletteLimits limits, bool dither);

// The baseline the reduction is measured against: tiles grouped by median
// cut of their mean colour, each group's colours median-cut in RGB, and
// every pixel mapped to the nearest colour of its group's sub-palette in RGB.
TilePalettes ReduceColoursByMedianCut(std::span<const TilePixels> tiles, PaletteLimits limits);

}  // namespace tilora::packing
