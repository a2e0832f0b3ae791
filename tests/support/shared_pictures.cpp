#include "shared_pictures.h"

#include <algorithm>
#include <random>
#include <set>

namespace tilora::testing {

std::vector<TileColours> RandomTilePool(int count, int colours, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<TileColours> pool(static_cast<std::size_t>(count));
  for (TileColours& tile : pool) {
    for (auto& c : tile) c = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colours));
    tile[0] = 1;  // never all colour 0
  }
  return pool;
}

PoolPicture PictureFromPool(const std::vector<TileColours>& pool, int width, int height, int bpp,
                            const std::vector<int>& blocks, bool flips, std::uint32_t seed) {
  std::mt19937 random(seed);
  PoolPicture p{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height))};
  for (int cy = 0; cy * 8 < height; ++cy)
    for (int cx = 0; cx * 8 < width; ++cx) {
      const TileColours& tile = pool[random() % pool.size()];
      const unsigned flip = flips ? random() % 4 : 0;
      const int block = blocks[random() % blocks.size()];
      for (int y = 0; y < 8 && cy * 8 + y < height; ++y)
        for (int x = 0; x < 8 && cx * 8 + x < width; ++x) {
          const int sx = flip & 1 ? 7 - x : x;
          const int sy = flip & 2 ? 7 - y : y;
          const int k = tile[static_cast<std::size_t>(sy * 8 + sx)];
          p.indices[static_cast<std::size_t>((cy * 8 + y) * width + cx * 8 + x)] =
              static_cast<std::uint8_t>(k == 0 ? 0 : block * (1 << bpp) + k);
        }
    }
  return p;
}

std::size_t NaiveDistinctTiles(const std::vector<PoolPicture>& pictures, int bpp, bool flips) {
  std::set<TileColours> seen;
  const int kMask = bpp == 8 ? 0xFF : (1 << bpp) - 1;
  for (const PoolPicture& p : pictures)
    for (int cy = 0; cy * 8 < p.height; ++cy)
      for (int cx = 0; cx * 8 < p.width; ++cx) {
        TileColours cell{};
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x) {
            const int px = cx * 8 + x, py = cy * 8 + y;
            if (px < p.width && py < p.height)
              cell[static_cast<std::size_t>(y * 8 + x)] =
                  static_cast<std::uint8_t>(p.indices[static_cast<std::size_t>(py * p.width + px)] & kMask);
          }
        TileColours first = cell;
        for (unsigned flip = 1; flips && flip < 4; ++flip) {
          TileColours turned{};
          for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
              turned[static_cast<std::size_t>(y * 8 + x)] =
                  cell[static_cast<std::size_t>((flip & 2 ? 7 - y : y) * 8 + (flip & 1 ? 7 - x : x))];
          first = std::min(first, turned);
        }
        seen.insert(first);
      }
  return seen.size();
}

}  // namespace tilora::testing
