#pragma once

// Encodes an indexed picture for the console's background layers: planar
// tiles at 2, 4 or 8 bpp with sub-palettes, optionally deduplicated into a
// tilemap, or mode 7's chunky tiles and fixed 128 x 128 map. Values in,
// values out: no files, no Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "picture/picture.h"
#include "io/failure.h"

namespace tilora {

// How the tiles are laid out; the depth is decided apart, once, for each
// picture (see ConversionSettings).
struct TileOptions {
  bool map = false;         // deduplicate the tiles and produce the map
  bool flips = true;        // map: a flipped copy of a tile is the same tile
  int tileBase = 0;         // map: added to every tile number, 0-1023
  int paletteBase = 0;      // map: added to every palette field, 0-7 (0 at 8 bpp)
  bool priority = false;    // map: bit 13 on every entry
  bool blankTile = false;   // map: tile 0 is all colour 0
  bool screens = false;     // map: whole 32 x 32 screens in the console's order
  // map: 16 puts each entry over a 16 x 16 block of tiles n, n + 1, n + 16
  // and n + 17, as BGMODE's per-layer size bit has the console read them.
  int tileSize = 8;
  bool mode7 = false;       // chunky tiles and a 128 x 128 byte map
  bool interleave = false;  // mode 7: one 32 KiB video-memory image as well
};

struct EncodedOutputs {
  int bpp = 4;  // 2, 4 or 8; 8 in mode 7
  // Tile data: planar tiles (8 * bpp bytes each), or mode 7's chunky tiles
  // (64 bytes each, one colour index per pixel, rows top first).
  std::vector<std::uint8_t> tiles;
  // Map: empty without map output; 16-bit little-endian words, one a cell
  // (in screen order with screens); mode 7: 128 x 128 bytes, row-major.
  std::vector<std::uint8_t> map;
  // 15-bit colour words, little-endian: whole sub-palettes (4 or 16 words)
  // up to the highest one used, at least one; 256 words at 8 bpp and mode 7.
  std::vector<std::uint8_t> palette;
  // Mode 7 with interleave: 32 KiB, word i = map byte i | tile byte i << 8.
  std::vector<std::uint8_t> vram;

  int tileCount = 0;   // tiles in the tile data
  int unusedTiles = 0;  // 16 x 16 blocks: tiles of the laid-out table no block uses
  int mapColumns = 0;  // the map's size in cells (0 without a map)
  int mapRows = 0;
  std::uint8_t subPalettes = 0;  // bit b: a tile with colours of sub-palette b
};

using EncodeResult = std::variant<EncodedOutputs, Failure>;

// A depth the console's background tiles come in: 2, 4 or 8 bits per pixel.
inline bool IsTileDepth(int bpp) { return bpp == 2 || bpp == 4 || bpp == 8; }

}  // namespace tilora
