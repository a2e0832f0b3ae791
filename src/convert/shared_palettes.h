#pragma once

// The colours of a shared conversion: pictures that keep their indices
// under one colour table, or sub-palettes made for the tiles of all the
// pictures together; either way after the sub-palettes already in colour
// memory, which stay exactly as they are.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "convert/settings.h"
#include "io/failure.h"
#include "picture/colour.h"
#include "picture/picture.h"

namespace tilora {

// A failure of a shared conversion and the picture it concerns; none: the
// run as a whole.
struct SharedFailure {
  Failure failure;
  std::optional<std::size_t> picture;
};

// Colour words already in colour memory, kept first.
struct ExistingPalette {
  std::vector<std::uint16_t> words;
  std::string name;  // the file they came from, for messages
};

// Colours per sub-palette at bpp: 4, 16, or 256 at 8 bpp.
inline int SubPaletteStride(int bpp) { return bpp == 8 ? 256 : 1 << bpp; }

// How many sub-palettes existing words take at bpp, a partial last one
// counted whole.
int ExistingSubPalettes(const ExistingPalette& existing, int bpp);

// The palette of indexed pictures that keep their indices: whole
// sub-palettes up to the highest of subPalettes (a bit each; all 256 words
// at 8 bpp), and at least the existing words, which come first as they are.
// Every other entry is the colour of the first table that holds it, 0 where
// none does. Refused, naming the picture, the earlier one (or the palette
// file) and the entry, when two give an entry colours that differ in 15 bits.
std::variant<std::vector<std::uint8_t>, SharedFailure> SharedTablePalette(std::span<const Picture* const> pictures,
                                                                          std::span<const std::string> names,
                                                                          int bpp, std::uint8_t subPalettes,
                                                                          const ExistingPalette& existing);

// Pictures of any kind as colour indices into sub-palettes made for all
// their tiles together (index b * stride + k is colour k of sub-palette b).
struct SharedIndexing {
  std::vector<Picture> pictures;      // indexed at the depth, one per picture given
  std::vector<std::uint8_t> palette;  // words: the existing ones, then the new sub-palettes
  int existingSubPalettes = 0;
  int subPalettesMade = 0;
  Colour15 colourZero = 0;
  bool opaqueTakeColourZero = true;  // opaque pixels of colourZero's colour take colour 0
  bool reduced = false;
  double meanDeltaE = 0;
  double worstDeltaE = 0;
};

// A tile whose colours one existing sub-palette holds takes the first such;
// the others get sub-palettes made for them (at most options.palettes, and
// no more than the depth has room for after the existing ones). Colour 0 is
// the existing palette's first word; without one, options.colourZero, else
// black when any picture has transparent pixels, else the first picture's
// top-left pixel. Refused, naming the picture and the tile, when a tile
// has more colours than a sub-palette holds or the tiles need more
// sub-palettes than there is room for.
std::variant<SharedIndexing, SharedFailure> IndexTogether(std::span<const Picture* const> pictures, int bpp,
                                                          const SubPaletteSettings& options,
                                                          const ExistingPalette& existing);

}  // namespace tilora
