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

namespace tilora {

struct TileOptions {
  int bpp = 4;              // 2, 4 or 8; not used in mode 7
  bool map = false;         // deduplicate the tiles and produce the map
  bool flips = true;        // map: a flipped copy of a tile is the same tile
  int tileBase = 0;         // map: added to every tile number, 0-1023
  int paletteBase = 0;      // map: added to every palette field, 0-7 (0 at 8 bpp)
  bool priority = false;    // map: bit 13 on every entry
  bool blankTile = false;   // map: tile 0 is all colour 0
  bool screens = false;     // map: whole 32 x 32 screens in the console's order
  bool mode7 = false;       // chunky tiles and a 128 x 128 byte map
  bool interleave = false;  // mode 7: one 32 KiB video-memory image as well
};

enum class RefusalKind {
  Picture,   // the picture does not fit the options
  Usage,     // the options contradict one another
  Internal,  // the outputs failed the self-check: a fault of ours
};

// The pixel position of a tile's top-left corner.
struct TilePosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const TilePosition&) const = default;
};

// A one-line text for the user; tile positions are pixel positions "x,y" of
// the tile's top-left corner.
struct Refusal {
  RefusalKind kind = RefusalKind::Picture;
  std::string message;
  // The tile to point at, so a window can mark it without reading the text:
  // the one the message names, or the first past a tile limit.
  std::optional<TilePosition> tile;
};

struct EncodedOutputs {
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
  int mapColumns = 0;  // the map's size in cells (0 without a map)
  int mapRows = 0;
  std::uint8_t subPalettes = 0;  // bit b: a tile with colours of sub-palette b
};

using EncodeResult = std::variant<EncodedOutputs, Refusal>;

// Figures for --info and the window's console preview.
struct TileFigures {
  int paletteEntries = 0;        // entries of the picture's colour table
  int coloursUsed = 0;           // distinct colour indices among the pixels
  int cells = 0;                 // 8 x 8 cells, padding included
  int distinctTiles = 0;         // cells that differ in their colours (k)
  int distinctWithFlips = 0;     // ... counting flipped copies as one
  std::uint8_t subPalettes = 0;  // as EncodedOutputs::subPalettes
};

// Why these options cannot go together or are out of range, as a usage text;
// nothing when they are sound. EncodeForConsole checks this too.
std::optional<std::string> OptionsProblem(const TileOptions& options);

class RowsArriving;

// The outputs for the picture, or why it cannot be encoded so. Runs
// SelfCheck on the outputs before returning them; a failed check returns a
// Refusal of kind Internal, and no outputs.
//
// With arriving, the picture's rows are still being decoded on another
// thread: a map is encoded a row of cells at a time as they arrive, every
// other way waits for the last row. The result is the one the whole picture
// gives; when the rows stop before the last, a Refusal of kind Internal
// that the decoding's own failure should replace.
EncodeResult EncodeForConsole(const Picture& picture, const TileOptions& options,
                              const RowsArriving* arriving = nullptr);

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

// Figures of the picture at bpp (2, 4 or 8), or why it does not fit that
// depth.
std::variant<TileFigures, Refusal> FiguresOf(const Picture& picture, int bpp);

}  // namespace tilora
