#include "palettes/packing/tile_pixels.h"

#include <algorithm>
#include <stdexcept>

namespace tilora::packing {

std::vector<TilePixels> CutIntoTiles(std::span<const Rgb888> pixels, int width, int height,
                                     std::optional<Rgb888> colourZero) {
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
        const Rgb888 c = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
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
  for (const TilePixels& tile : tiles) {
    std::vector<Colour15> set;
    for (int i = 0; i < kTilePixels; ++i)
      if (!tile.IsTransparent(i)) set.push_back(Colour15Of(tile.rgb[static_cast<std::size_t>(i)]));
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    sets.push_back(std::move(set));
  }
  return sets;
}

}  // namespace tilora::packing
