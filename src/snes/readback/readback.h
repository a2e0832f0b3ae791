#pragma once

// The outputs read back as the console reads them: the self-check, the
// picture the console shows, and the figures of a picture's tiles.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "snes/encoders/console_encoding.h"

namespace tilora {

// Figures for --info and the window's console preview.
struct TileFigures {
  int paletteEntries = 0;        // entries of the picture's colour table
  int coloursUsed = 0;           // distinct colour indices among the pixels
  int cells = 0;                 // 8 x 8 cells, padding included
  int distinctTiles = 0;         // cells that differ in their colours (k)
  int distinctWithFlips = 0;     // ... counting flipped copies as one
  std::uint8_t subPalettes = 0;  // as EncodedOutputs::subPalettes
  int tileSize = 8;              // 16: cells and distinct counts are of 16 x 16 blocks
  int laidOutTiles = 0;          // 16: tiles the distinct blocks with flips take, laid out
  int unusedTiles = 0;           // ... of which no block uses
};

// Rebuilds every pixel's sub-palette and colour from the outputs (through the
// map, from the video-memory image when interleaved) and compares them with
// the picture's; colour 0 matches in any sub-palette, and map entries beyond
// the picture must show colour 0. The first difference, as an internal
// error's text.
std::optional<std::string> SelfCheck(const Picture& picture, const TileOptions& options, const EncodedOutputs& outputs);

// The picture as the console would show the outputs: width x height colours,
// rows top first. Colour 0 of any sub-palette shows palette word 0 (the
// backdrop); each 5-bit channel c shows as c << 3 | c >> 2. Plain tiles show
// in the last sub-palette of the palette, the one they use. Entries the
// outputs do not hold show black.
std::vector<Rgb> ConsolePreview(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width,
                                std::int32_t height);

// Figures of the picture at bpp (2, 4 or 8) in tiles of tileSize (8 or 16),
// or why it does not fit them.
std::variant<TileFigures, Failure> FiguresOf(const Picture& picture, int bpp, int tileSize = 8);

}  // namespace tilora
