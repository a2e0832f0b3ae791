#pragma once

// A picture cut into 8x8 tiles of 24-bit pixels, the input of sub-palette
// generation.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "picture/colour.h"

namespace tilora::packing {

inline constexpr int kTileSide = 8;
inline constexpr int kTilePixels = kTileSide * kTileSide;

struct TilePixels {
  std::array<Rgb, kTilePixels> rgb{};  // top row first, left to right
  std::uint64_t transparent = 0;          // bit i: pixel i takes colour 0

  bool IsTransparent(int i) const { return (transparent >> i & 1u) != 0; }
};

// Tiles row by row, each row left to right. Pixels beyond the picture's
// right and bottom edges are transparent, as are pixels whose 15-bit colour
// equals colourZero's. pixels holds width * height colours, top row first.
std::vector<TilePixels> CutIntoTiles(std::span<const Rgb> pixels, int width, int height,
                                     std::optional<Rgb> colourZero);

// Each tile's distinct 15-bit colours, ascending, transparent pixels left
// out: what lossless packing takes.
std::vector<std::vector<Colour15>> TileColourSets(std::span<const TilePixels> tiles);

}  // namespace tilora::packing
