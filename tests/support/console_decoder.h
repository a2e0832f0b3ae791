#pragma once

// A deliberately naive reading of the console's tile and map formats, one
// pixel and one bit at a time: what the tests hold the encoders' outputs
// against.

#include <cstdint>
#include <vector>

namespace tilora::testing {

struct TiledImage {
  std::vector<std::uint8_t> tiles;
  std::vector<std::uint8_t> map;  // empty: plain tiles, row-major
  int bpp = 4;                    // 2, 4, 8; mode 7's chunky tiles: 8
  bool mode7 = false;
  int columns = 0;  // cells across the map (or the picture, without one)
  bool screens = false;
  int tileBase = 0;
  int paletteBase = 0;
  int tileSize = 8;  // 16: an entry shows tiles n, n+1 (right), n+16 (below), n+17
};

struct ShownPixel {
  int tile = 0;     // as stored in the tile data
  int palette = 0;  // the map's palette field less the base
  int colour = 0;   // within the sub-palette
  int flips = 0;    // bit 0 horizontal, bit 1 vertical
  bool priority = false;
};

// The map entry of cell (cx, cy) (in entries: 16 pixels a side at tile
// size 16), found the way the console finds it.
unsigned MapEntry(const TiledImage& image, int cx, int cy);

// Colour of pixel (column, row) of a stored tile, unflipped.
int TileColour(const TiledImage& image, int tile, int column, int row);

// What the console shows at pixel (x, y).
ShownPixel ShownAt(const TiledImage& image, int x, int y);

// The map and the tiles of a mode 7 video-memory image.
TiledImage SplitVram(const std::vector<std::uint8_t>& vram);

}  // namespace tilora::testing
