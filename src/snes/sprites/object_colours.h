#pragma once

// The sub-palette each object takes and its pixels' colours within it. An
// indexed sheet's objects take the block their colours come from; a
// truecolour sheet's get sub-palettes packed from their colour sets.

#include <cstdint>
#include <variant>
#include <vector>

#include "encode/colour_difference.h"
#include "encode/subpalette_packing.h"
#include "snes/sprites/frame_cover.h"
#include "snes/sprites/frame_shapes.h"

namespace tilora::sprites {

class ObjectColours {
 public:
  static std::variant<ObjectColours, Refusal> Make(const Picture& sheet, const SpriteSettings& settings,
                                                   const FrameShapes& shapes, const std::vector<Covering>& coverings);

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
  std::vector<std::vector<int>> palettes_;  // per shape, per object
  std::vector<std::vector<packing::Colour15>> packed_;
  std::vector<std::uint8_t> words_;
};

}  // namespace tilora::sprites
