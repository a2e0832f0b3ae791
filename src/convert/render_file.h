#pragma once

// The reverse of a conversion: tiles, a palette and a map read from files,
// whichever tool made them, drawn as the console shows them and written as
// a PNG.

#include <optional>
#include <string>

#include "io/failure.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

struct RenderRequest {
  std::string output;   // the PNG written
  std::string tiles;    // mode 7 with interleave: the video memory image
  std::string palette;
  std::string map;      // empty: none (plain tiles, or mode 7 interleaved)
  int bpp = 4;          // 2, 4 or 8; mode 7: 8
  TileOptions options;  // as the outputs were made; map is set by the map given
  std::int32_t columns = 0;  // see RenderInput
  std::int32_t width = 0;    // 0 x 0: all the outputs cover
  std::int32_t height = 0;
};

// Reads the files, draws what the console shows (an 8-bit palette PNG whose
// palette is the palette file's colours, so each pixel's index is the
// colour memory entry it shows) and writes it as an output set of one,
// never over a file read. Nothing is written on any failure.
std::optional<Failure> RenderFile(const RenderRequest& request);

}  // namespace tilora
