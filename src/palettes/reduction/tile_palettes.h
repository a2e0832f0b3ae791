#pragma once

// Sub-palettes for a picture's tiles and every pixel's colour index: the
// lossless packing when the colours fit, otherwise (when allowed) a colour
// reduction. What the converter's --palettes, --colours, --lossy and
// --dither options ask for.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "palettes/packing/subpalette_packing.h"
#include "palettes/packing/tile_pixels.h"
#include "palettes/reduction/colour_difference.h"

namespace tilora::packing {

struct TilePalettes {
  // Each ascending, at most colours - 1 long: entry k is colour index k + 1.
  // Ordered by the first tile that uses them; never empty.
  std::vector<std::vector<Colour15>> palettes;
  std::vector<int> tilePalette;  // per tile, an index into palettes
  // Per tile and pixel (top row first): 0 for transparent pixels, otherwise
  // the colour index in the tile's sub-palette.
  std::vector<std::array<std::uint8_t, kTilePixels>> pixelIndex;
  bool reduced = false;  // colours changed: the packing alone did not fit
  // CIEDE2000 between each opaque pixel's 15-bit colour and the colour it
  // got; 0 when nothing was reduced.
  double meanDeltaE = 0;
  double worstDeltaE = 0;
};

struct TilePaletteOptions {
  PaletteLimits limits;
  bool lossy = false;   // reduce colours when the packing does not fit
  bool dither = false;  // with lossy: diffuse the reduction's error within each tile
};

struct TilePaletteOutcome {
  bool made = false;
  std::string notice;  // why not, for the user, when !made
  TilePalettes result;
};

// The packing of the tiles' colours when it fits the limits; otherwise,
// with lossy, a reduction (see ReduceColours), and without it a refusal
// whose notice names the tile with too many colours or the fewest
// sub-palettes found. Impossible limits are refused with LimitsNotice.
TilePaletteOutcome MakeTilePalettes(std::span<const TilePixels> tiles, const TilePaletteOptions& options);

// The colour indices of a lossless packing of the tiles' colours.
TilePalettes IndexPixels(std::span<const TilePixels> tiles, const SubPalettes& packing);

// Sets meanDeltaE and worstDeltaE from the pixels' indices.
void MeasureDeltaE(std::span<const TilePixels> tiles, TilePalettes& result);

}  // namespace tilora::packing
