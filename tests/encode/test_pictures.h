#pragma once

// Indexed pictures for the console encoders' tests and benchmark.

#include <cstdint>
#include <vector>

#include "convert/encode_for_console.h"
#include "picture/picture.h"

namespace tilora::testing {

// Tile options with the depth they are encoded at, as the tests give them.
struct EncodingOptions : TileOptions {
  int bpp = 4;
};
inline EncodeResult Encode(const Picture& picture, const EncodingOptions& options) {
  return EncodeForConsole(picture, options.bpp, options);
}

// width x height pixels of colour 0, with a colour table of 256 entries.
Picture BlankPicture(std::int32_t width, std::int32_t height);

void SetPixel(Picture& picture, std::int32_t x, std::int32_t y, std::uint8_t index);

// A picture whose cells repeat a few random shapes (one of them its own
// mirror image), some flipped, each cell
// in one of the given sub-palettes; its colour-0 pixels carry a random
// sub-palette number (colour 0 of any sub-palette is colour 0).
struct Generation {
  std::int32_t width = 64;
  std::int32_t height = 64;
  int bpp = 4;
  std::vector<int> blocks = {0};
  int shapes = 12;
  int flippedPercent = 25;
  bool blankCells = true;  // some cells all colour 0
  std::uint32_t seed = 1;
  // Shapes drawn as tile art (a ground with rectangles, lines, discs and
  // dithered patches) rather than random pixels.
  bool drawn = false;
  // 16: the shapes, flips and sub-palettes are of 16 x 16 blocks (random
  // pixels only).
  int cellSize = 8;
};
Picture Generated(const Generation& generation);

// count cells (columns across) of as many shapes that differ even when
// flipped, none of them all colour 0, then copies of the first ones to fill
// whole rows.
Picture DistinctTiles(int count, int columns, int bpp);

}  // namespace tilora::testing
