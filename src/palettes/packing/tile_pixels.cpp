#include "palettes/packing/tile_pixels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

namespace tilora::packing {

std::vector<TilePixels> CutIntoTiles(std::span<const Rgb> pixels, int width, int height,
                                     std::optional<Rgb> colourZero) {
  if (width < 0 || height < 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw std::invalid_argument("CutIntoTiles: the pixels do not match the picture's size");
  const int across = (width + kTileSide - 1) / kTileSide;
  const int down = (height + kTileSide - 1) / kTileSide;
  const std::optional<Colour15> zero =
      colourZero ? std::optional<Colour15>(Colour15Of(*colourZero)) : std::nullopt;
  std::vector<TilePixels> tiles(static_cast<std::size_t>(across) * static_cast<std::size_t>(down));
  for (int ty = 0; ty < down; ++ty) {
    for (int tx = 0; tx < across; ++tx) {
      TilePixels& tile = tiles[static_cast<std::size_t>(ty * across + tx)];
      for (int i = 0; i < kTilePixels; ++i) {
        const int x = tx * kTileSide + i % kTileSide;
        const int y = ty * kTileSide + i / kTileSide;
        if (x >= width || y >= height) {
          tile.transparent |= std::uint64_t{1} << i;
          continue;
        }
        const Rgb c = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)];
        tile.rgb[static_cast<std::size_t>(i)] = c;
        if (zero && Colour15Of(c) == *zero) tile.transparent |= std::uint64_t{1} << i;
      }
    }
  }
  return tiles;
}

std::vector<std::vector<Colour15>> TileColourSets(std::span<const TilePixels> tiles) {
  std::vector<std::vector<Colour15>> sets;
  sets.reserve(tiles.size());
  // Per colour, the last tile that took it (plus one): each pixel is looked
  // at once, and only a tile's few distinct colours are sorted.
  std::vector<std::uint32_t> lastTile(kColour15Count, 0);
  std::array<Colour15, kTilePixels> distinct{};
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const auto mark = static_cast<std::uint32_t>(t + 1);
    std::size_t count = 0;
    for (int i = 0; i < kTilePixels; ++i) {
      if (tiles[t].IsTransparent(i)) continue;
      const Colour15 c = Colour15Of(tiles[t].rgb[static_cast<std::size_t>(i)]);
      if (lastTile[c] == mark) continue;
      lastTile[c] = mark;
      distinct[count++] = c;
    }
    std::sort(distinct.begin(), distinct.begin() + static_cast<std::ptrdiff_t>(count));
    sets.emplace_back(distinct.begin(), distinct.begin() + static_cast<std::ptrdiff_t>(count));
  }
  return sets;
}

}  // namespace tilora::packing
