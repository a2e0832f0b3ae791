#pragma once

// Pictures of the outputs themselves, for the console preview and the
// converter's PNGs: the stored tiles as they sit in video memory, and the
// palette as swatches.

#include <cstdint>
#include <span>
#include <vector>

#include "picture/picture.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

// Palette words as the console shows them.
std::vector<Rgb> ShownPalette(const std::vector<std::uint8_t>& words);

// The stored tiles in order, columns across (empty slots after the last
// tile in kEmptySlot), each in the colours of the first sub-palette a map
// entry shows it in, colour 0 as the backdrop; in grey levels of its colour
// numbers (black to white over the numbers the stored tiles use) when grey
// is set or no entry shows it. Empty when the outputs cannot be read or
// hold no tile. width and height are the picture's.
RgbImage TileSheet(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width,
                   std::int32_t height, int columns, bool grey);
inline constexpr Rgb kEmptySlot{40, 44, 52};

// The same for pictures that share their tile data and palette, a map
// each: a tile in the first sub-palette any map shows it in, the pictures
// in order.
struct SheetPicture {
  const EncodedOutputs* outputs;
  std::int32_t width;
  std::int32_t height;
};
RgbImage TileSheet(std::span<const SheetPicture> pictures, const TileOptions& options, int columns, bool grey);

// The palette's colours in rows of a sub-palette each (16 a row at 8 bpp).
struct SwatchGrid {
  int across = 0;
  std::vector<Rgb> colours;  // row-major
  int Rows() const { return across > 0 ? (static_cast<int>(colours.size()) + across - 1) / across : 0; }
};
SwatchGrid Swatches(const EncodedOutputs& outputs);

// The grid drawn as squares of side pixels.
RgbImage SwatchPicture(const SwatchGrid& grid, int side);

}  // namespace tilora
