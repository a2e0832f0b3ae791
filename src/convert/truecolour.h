#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/settings.h"
#include "io/failure.h"
#include "palettes/packing/tile_pixels.h"
#include "picture/picture.h"

namespace tilora {

// A truecolour picture as colour indices into generated sub-palettes: index
// b * stride + k is colour k of sub-palette b, stride the depth's palette
// size; colour 0 of every sub-palette is the backdrop.
struct IndexedTruecolour {
  Picture picture;
  bool reduced = false;  // colours changed to fit
  double meanDeltaE = 0;
  double worstDeltaE = 0;
  int subPalettes = 0;
};

// Refuses a tile with more colours than a sub-palette holds (naming it), a
// picture whose colours need more sub-palettes than allowed, and, before
// any colour is reduced, a lossy reduction without a map whose colours
// need more than the one sub-palette plain tiles can take.
Result<IndexedTruecolour> IndexTruecolour(const Picture& picture, int bpp, const SubPaletteSettings& options,
                                          bool map);

// The colour every pixel of the picture shows, whether indexed or not.
std::vector<Rgba> ColoursOf(const Picture& picture);

// Sub-palettes a packing needs: the fewest found, or when a bound shows
// that more than 8 are needed, that bound.
struct FewestSubPalettes {
  int count = 0;         // 0: a tile has too many colours
  bool atLeast = false;  // count is the bound
};
// Alpha below this is transparent: the pixel takes colour 0.
inline constexpr std::uint8_t kOpaqueAlpha = 128;

// The picture's tiles for the packing, colours as ColoursOf gives them:
// transparent pixels take colour 0, and so do opaque ones of colourZero's
// 15-bit colour when opaqueTakeIt.
std::vector<packing::TilePixels> TilesOf(const Picture& picture, const std::vector<Rgba>& colours,
                                         std::optional<Rgb> colourZero, bool opaqueTakeIt);

// What --info tells of a truecolour picture.
struct TruecolourFigures {
  int colours15 = 0;     // distinct 15-bit colours
  int mostInATile = 0;   // most colours in one tile, colour 0 aside
  FewestSubPalettes fewest4bpp;  // of 16 colours
  FewestSubPalettes fewest2bpp;  // of 4
};
TruecolourFigures FiguresOfTruecolour(const Picture& picture);

}  // namespace tilora
