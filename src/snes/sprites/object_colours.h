#pragma once

// The sub-palette each object takes and its pixels' colours within it. An
// indexed sheet's objects take the block their colours come from. A
// truecolour sheet's get sub-palettes packed from their colour sets; where
// those do not fit, the sheet's colours are packed by the 8 x 8 cells of
// each frame, as a background's tiles are, and each pixel becomes colour k
// of the sub-palette its cell takes, which its objects then keep to.

#include <cstdint>
#include <optional>
#include <vector>

#include "palettes/reduction/colour_difference.h"
#include "palettes/packing/subpalette_packing.h"
#include "snes/sprites/frame_cover.h"

namespace tilora::sprites {

using ColourSets = std::vector<std::vector<packing::Colour15>>;

class ObjectColours {
 public:
  // Each object takes its class, the block of an indexed sheet's colours.
  static ObjectColours OfBlocks(const Picture& sheet, const std::vector<Covering>& coverings);
  // Sub-palettes packed from the objects' colours; nothing when more than
  // settings.palettes are needed, and best says how many.
  static std::optional<ObjectColours> PackedByObject(const std::vector<FramePixels>& shapes,
                                                     const std::vector<Covering>& coverings,
                                                     const SpriteSettings& settings, int& best);
  // Sub-palettes made already, each object taking its class.
  static ObjectColours OfClasses(ColourSets palettes, const std::vector<Covering>& coverings);

  int PaletteOf(int shape, std::size_t object) const {
    return palettes_[static_cast<std::size_t>(shape)][object];
  }
  // The colour (1-15) of an opaque pixel in the sub-palette its object takes.
  int ColourIndex(FramePixel p, int palette) const {
    if ((p & kTruecolour) == 0) return ColourInBlock(p);
    return packing::ColourIndexIn(packed_[static_cast<std::size_t>(palette)],
                                  static_cast<packing::Colour15>(p & 0x7FFF));
  }
  // 16 little-endian words a sub-palette, up to the highest one used.
  const std::vector<std::uint8_t>& Words() const { return words_; }
  int SubPalettes() const { return static_cast<int>(words_.size() / 32); }

 private:
  void WordsOf(const ColourSets& palettes);

  std::vector<std::vector<int>> palettes_;  // per shape, per object
  ColourSets packed_;
  std::vector<std::uint8_t> words_;
};

// Truecolour shapes as colour k of sub-palette b (16 b + k, k > 0), the
// sub-palettes packed from the colours of each shape's 8 x 8 cells; nothing
// when more than settings.palettes are needed, and best says how many (0
// when a cell alone has too many colours).
struct CellColours {
  std::vector<FramePixels> shapes;
  ColourSets palettes;
};
std::optional<CellColours> ColoursByCells(const std::vector<FramePixels>& shapes, const SpriteSettings& settings,
                                          int& best);

}  // namespace tilora::sprites
