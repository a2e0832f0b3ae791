#include "palettes/reduction/tile_dither.h"

#include <algorithm>
#include <limits>

namespace tilora::packing::detail {
namespace {

using Channels = std::array<double, 3>;

Channels RgbOf(Colour15 c) {
  const Rgb rgb = ShownRgb(c);
  return {static_cast<double>(rgb.red), static_cast<double>(rgb.green), static_cast<double>(rgb.blue)};
}

// Right, below left, below, below right, with the classic weights.
constexpr struct {
  int dx, dy;
  double share;
} kSpread[] = {{1, 0, 7.0 / 16}, {-1, 1, 3.0 / 16}, {0, 1, 5.0 / 16}, {1, 1, 1.0 / 16}};

}  // namespace

std::array<std::uint8_t, kTilePixels> DitherTile(const TilePixels& tile, const std::vector<Colour15>& palette) {
  std::vector<Lab> labs;
  std::vector<Channels> rgbs;
  for (Colour15 c : palette) {
    labs.push_back(LabOf15(c));
    rgbs.push_back(RgbOf(c));
  }
  std::array<Channels, kTilePixels> carried{};
  std::array<std::uint8_t, kTilePixels> index{};
  for (int i = 0; i < kTilePixels; ++i) {
    if (tile.IsTransparent(i)) continue;
    const auto slot = static_cast<std::size_t>(i);
    Channels wanted = RgbOf(Colour15Of(tile.rgb[slot]));
    for (std::size_t c = 0; c < 3; ++c) wanted[c] = std::clamp(wanted[c] + carried[slot][c], 0.0, 255.0);
    const Lab lab = LabOfSrgb(wanted[0], wanted[1], wanted[2]);
    std::size_t chosen = 0;
    double best = std::numeric_limits<double>::max();
    for (std::size_t k = 0; k < labs.size(); ++k) {
      const double d = LabDistanceSquared(lab, labs[k]);
      if (d < best) best = d, chosen = k;
    }
    index[slot] = static_cast<std::uint8_t>(chosen + 1);
    const int x = i % kTileSide, y = i / kTileSide;
    for (const auto& s : kSpread) {
      const int nx = x + s.dx, ny = y + s.dy;
      if (nx < 0 || nx >= kTileSide || ny >= kTileSide) continue;
      const int n = ny * kTileSide + nx;
      if (tile.IsTransparent(n)) continue;
      for (std::size_t c = 0; c < 3; ++c)
        carried[static_cast<std::size_t>(n)][c] += s.share * (wanted[c] - rgbs[chosen][c]);
    }
  }
  return index;
}

}  // namespace tilora::packing::detail
