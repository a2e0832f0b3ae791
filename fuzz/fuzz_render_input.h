#pragma once

// How fuzz_render cuts its bytes into the settings and the three files
// --render reads, and how the seed corpus puts them together. A 14-byte
// header, then the tiles, the palette and the map:
//   0      bits 0-1 the depth (2, 4, 8 bpp, or mode 7), bit 2 a map, bit 3
//          screens, bit 4 16x16 tiles, bit 5 interleaved, bit 6 a size
//   1-2    the columns; 3-4 the tile base; 5 the palette base
//   6-9    the size drawn, width then height (with bit 6)
//   10-13  the lengths of the tiles and the palette; the map is the rest
// Words are little-endian. Settings the command line would refuse together
// are made to agree, as its checks would have them.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "snes/readback/render.h"

namespace tilora::fuzzing {

struct RenderFuzzInput {
  RenderInput settings;  // without the files' contents
  std::span<const std::uint8_t> tiles;
  std::span<const std::uint8_t> palette;
  std::span<const std::uint8_t> map;
};

inline constexpr std::size_t kRenderHeader = 14;

inline RenderFuzzInput SplitRenderInput(std::span<const std::uint8_t> bytes) {
  RenderFuzzInput parts;
  std::uint8_t header[kRenderHeader] = {};
  std::copy_n(bytes.begin(), std::min(bytes.size(), kRenderHeader), header);
  const auto word = [&](int at) { return static_cast<int>(header[at] | header[at + 1] << 8); };
  RenderInput& in = parts.settings;
  const int kind = header[0] & 3;
  in.options.mode7 = kind == 3;
  in.bpp = kind == 0 ? 2 : kind == 1 ? 4 : 8;
  in.options.interleave = in.options.mode7 && (header[0] & 0x20) != 0;
  in.options.map = !in.options.mode7 && (header[0] & 0x04) != 0;
  if (in.options.map) {
    in.options.screens = (header[0] & 0x08) != 0;
    in.options.tileSize = (header[0] & 0x10) != 0 ? 16 : 8;
    in.options.tileBase = word(3) & 0x3FF;
    in.options.paletteBase = in.bpp == 8 ? 0 : header[5] & 7;
  }
  in.columns = word(1);
  if ((header[0] & 0x40) != 0) {
    in.width = word(6);
    in.height = word(8);
  }
  const std::span<const std::uint8_t> rest = bytes.subspan(std::min(bytes.size(), kRenderHeader));
  const std::size_t tiles = std::min<std::size_t>(static_cast<std::size_t>(word(10)), rest.size());
  const std::size_t palette = std::min<std::size_t>(static_cast<std::size_t>(word(12)), rest.size() - tiles);
  parts.tiles = rest.first(tiles);
  parts.palette = rest.subspan(tiles, palette);
  parts.map = rest.subspan(tiles + palette);
  return parts;
}

inline std::vector<std::uint8_t> JoinRenderInput(const RenderInput& in, const std::vector<std::uint8_t>& tiles,
                                                 const std::vector<std::uint8_t>& palette,
                                                 const std::vector<std::uint8_t>& map) {
  const int kind = in.options.mode7 ? 3 : in.bpp == 2 ? 0 : in.bpp == 4 ? 1 : 2;
  const int flags = kind | (in.options.map ? 0x04 : 0) | (in.options.screens ? 0x08 : 0) |
                    (in.options.tileSize == 16 ? 0x10 : 0) | (in.options.interleave ? 0x20 : 0) | (in.width ? 0x40 : 0);
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(flags)};
  const auto word = [&](std::size_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
  };
  word(static_cast<std::size_t>(in.columns));
  word(static_cast<std::size_t>(in.options.tileBase));
  bytes.push_back(static_cast<std::uint8_t>(in.options.paletteBase));
  word(static_cast<std::size_t>(in.width));
  word(static_cast<std::size_t>(in.height));
  word(tiles.size());
  word(palette.size());
  bytes.insert(bytes.end(), tiles.begin(), tiles.end());
  bytes.insert(bytes.end(), palette.begin(), palette.end());
  bytes.insert(bytes.end(), map.begin(), map.end());
  return bytes;
}

}  // namespace tilora::fuzzing
