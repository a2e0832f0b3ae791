#pragma once

// A frame drawn as the console draws it: from its objects, the tile data
// (read as the console reads large objects) and their sub-palettes. The
// self-check compares these drawings with the sheet; the console preview
// shows them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {

// One 4 bpp tile: colour number of pixel x of row r in byte x of row r.
using TileRows = std::array<std::uint64_t, 8>;

// The tile data decoded, a tile each 32 bytes; a partial last tile is left
// out.
std::vector<TileRows> DecodeObjectTiles(const std::vector<std::uint8_t>& tiles);

// The tile the console reads for tile column c and row r of an object named
// n: the column wraps within its row of 16 tiles and the row within its
// table of 256, never carrying into the table bit.
int ObjectTileAt(int n, int c, int r);

// Per pixel of the frame, row-major: 16 p + k where an object shows colour
// k of sub-palette p, 0 where none does.
struct DrawnFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// Why a frame cannot be drawn: which of its objects, and what it does
// ("reads tile 9, past the tile data").
struct DrawFault {
  std::size_t object = 0;
  std::string what;
};

// The frame's objects of sizes drawn in order with the origin at (originX,
// originY) of a width x height frame. Refused: an object with a tile,
// sub-palette or priority out of range, one that reads past the tile
// data, shows an opaque pixel outside the frame or where another object
// does, or shows none at all.
std::variant<DrawnFrame, DrawFault> DrawFrame(const std::vector<TileRows>& tiles, const SpriteFrame& frame,
                                              ObjectSizes sizes, int originX, int originY, int width, int height);

// Per slot of the two name tables (kTableTiles), the sub-palette of the
// first object, frames in order, that shows a tile from it; -1 for none.
std::vector<int> FirstObjectPalettes(const SpriteSheet& sheet);

}  // namespace tilora::sprites
