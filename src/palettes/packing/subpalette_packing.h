#pragma once

// Lossless sub-palette packing: which sub-palettes to make so that every
// tile finds all its colours in one of them.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "picture/colour.h"

namespace tilora::packing {

// How many sub-palettes there are and how many colours each holds, colour 0
// included: 8 x 16 at 4 bpp, 8 x 4 at 2 bpp, 1 x 256 at 8 bpp.
struct PaletteLimits {
  int palettes = 8;
  int colours = 16;
};

inline constexpr int kMaxPalettes = 8;
inline constexpr int kMaxPaletteColours = 256;

// Why the limits are impossible, or empty when they are fine: 1 to 8
// sub-palettes of 2 to 256 colours, at most 256 colours in all.
std::string LimitsNotice(PaletteLimits limits);

// Sub-palettes and the one each tile takes its colours from.
struct SubPalettes {
  // Each ascending and at most colours - 1 long: entry k is colour index
  // k + 1. Ordered by the first tile that uses them. Never empty: a picture
  // without colours gets one empty sub-palette.
  std::vector<std::vector<Colour15>> palettes;
  // Per tile, an index into palettes whose entries hold all its colours;
  // 0 for tiles without colours.
  std::vector<int> tilePalette;
};

enum class PackingStatus {
  kFits,
  kBadLimits,              // LimitsNotice says why
  kTileHasTooManyColours,  // tile, tileColours say which and how many
  kNoPackingFound,         // packing holds the best found, best sub-palettes long
  kTooFewSubPalettes,      // fewestPossible proves the limit too low; nothing was packed
};

struct PackingOutcome {
  PackingStatus status = PackingStatus::kFits;
  // When it fits; with kNoPackingFound the best packing found, which needs
  // more sub-palettes than allowed.
  SubPalettes packing;
  int best = 0;                 // sub-palettes in packing; 0 with kTooFewSubPalettes
  // No packing needs fewer sub-palettes; from the colour count and tiles no
  // two of which fit one sub-palette together. 0 when refused before packing.
  int fewestPossible = 0;
  std::size_t tile = 0;         // kTileHasTooManyColours: the first such tile
  std::size_t tileColours = 0;  // and its number of colours
  std::string notice;           // for the user; empty when it fits

  bool Fits() const { return status == PackingStatus::kFits; }
};

// Finds as few sub-palettes as it can (exactly the fewest for pictures with
// up to some twenty distinct maximal colour sets), unless a lower bound shows
// at once that more than limits.palettes are needed. tileSets holds each
// tile's 15-bit colours without colour 0, in any order, repeats allowed; a
// value above 0x7FFF raises std::invalid_argument. Its work is bounded by
// counts, not time, and its memory grows linearly with the distinct sets:
// the same sets give the same result on every machine.
PackingOutcome PackSubPalettes(std::span<const std::vector<Colour15>> tileSets, PaletteLimits limits);

// Plain first-fit decreasing over the tiles' distinct sets, the baseline
// PackSubPalettes is measured against.
PackingOutcome PackFirstFitDecreasing(std::span<const std::vector<Colour15>> tileSets, PaletteLimits limits);

// Colour index (1 to colours - 1) of colour in a sub-palette, or 0 when it
// is not in it.
int ColourIndexIn(const std::vector<Colour15>& palette, Colour15 colour);

}  // namespace tilora::packing
