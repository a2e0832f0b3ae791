#pragma once

// The picture the console shows for tiles, a palette and a map read from
// files, whichever tool made them. Nothing is guessed: the caller says how
// the outputs were made, and a map that names a tile, a sub-palette or a
// colour the files do not hold is refused, naming the entry.

#include <cstdint>
#include <string>
#include <vector>

#include "io/failure.h"
#include "picture/picture.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

struct RenderInput {
  int bpp = 4;          // 2, 4 or 8; 8 in mode 7
  TileOptions options;  // map: a map is given; its tile size, screens, bases; mode 7, interleave
  // The map's entries across (32 or 64 with screens); without a map, the
  // tiles across. Mode 7's map is 128 across, whatever this says.
  std::int32_t columns = 0;
  // The top-left width x height pixels are drawn (the picture's size);
  // 0 x 0: all that the map, or the tiles, cover.
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> tiles;     // planar, or mode 7's chunky tiles
  std::vector<std::uint16_t> map;      // planar maps' entries, in the file's order
  std::vector<std::uint8_t> mode7Map;  // mode 7: 128 x 128 tile numbers
  std::vector<std::uint8_t> vram;      // mode 7 with interleave: map and tiles
  std::vector<std::uint16_t> palette;  // 1 to 256 colour words
  // The files' names, for the messages.
  std::string tilesName;
  std::string mapName;
  std::string paletteName;
};

// What the console shows: the colour memory entry of each pixel, rows top
// first, and the palette's colours as the console shows them (every entry
// below colours.size()). Colour 0 of any sub-palette shows entry 0, the
// backdrop.
struct ShownEntries {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> entries;
  std::vector<Rgb> colours;
};

// The most pixels drawn each way, and in all: what a conversion makes.
inline constexpr std::int32_t kMaxRenderSide = 8192;
inline constexpr std::int64_t kMaxRenderPixels = std::int64_t{8192} * 4096;

Result<ShownEntries> Render(const RenderInput& input);

}  // namespace tilora
