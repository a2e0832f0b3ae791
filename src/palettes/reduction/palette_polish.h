#pragma once

// Fine-tuning of reduced sub-palettes for the measure that counts. Internal
// to the colour reduction.

#include <vector>

#include "palettes/reduction/reduction_model.h"

namespace tilora::packing::detail {

// Steps each entry of each sub-palette to a neighbouring 15-bit colour (one
// level up or down in one channel) while that lowers the summed CIEDE2000
// of the pixels it serves; k-means placed the entries by plain Lab
// distance. paletteOf gives each tile's sub-palette. Never raises the error.
void PolishForDeltaE2000(const PictureColours& picture, const std::vector<int>& paletteOf, Palettes& palettes);

}  // namespace tilora::packing::detail
