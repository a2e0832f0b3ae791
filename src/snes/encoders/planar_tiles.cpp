#include "snes/encoders/planar_tiles.h"

#include <algorithm>
#include <cstring>

#include "snes/cells/tile_kernels.h"

namespace tilora {
namespace {

#if TILORA_TILE_SSE2
constexpr auto Encode8 = tile_kernels::Encode8Sse2;
#else
constexpr auto Encode8 = tile_kernels::Encode8Portable;
#endif

}  // namespace

namespace {

// Planes 0-1, 2-3, ... follow one another, so a shallower tile is the first
// part of the eight-plane one. A fixed size keeps the copy a few moves
// rather than a call, which matters once per tile.
template <int Bpp>
void EncodeTileAt(const std::uint8_t* pixels, std::size_t stride, std::uint8_t* out) {
  if constexpr (Bpp == 8) {
    Encode8(pixels, stride, out);
  } else {
    std::uint8_t full[64];
    Encode8(pixels, stride, full);
    std::memcpy(out, full, PlanarTileSize(Bpp));
  }
}

template <int Bpp>
void EncodeAllTiles(const Picture& picture, std::uint8_t* dest) {
  const std::size_t width = static_cast<std::size_t>(std::max(picture.width, 0));
  const std::size_t height = static_cast<std::size_t>(std::max(picture.height, 0));
  const std::size_t across = (width + 7) / 8;
  const std::size_t down = (height + 7) / 8;
  constexpr std::size_t kTileSize = PlanarTileSize(Bpp);
  for (std::size_t ty = 0; ty < down; ++ty) {
    const std::size_t rows = std::min<std::size_t>(8, height - 8 * ty);
    for (std::size_t tx = 0; tx < across; ++tx, dest += kTileSize) {
      const std::size_t columns = std::min<std::size_t>(8, width - 8 * tx);
      const std::uint8_t* first = picture.indices.data() + 8 * ty * width + 8 * tx;
      if (rows == 8 && columns == 8) {
        EncodeTileAt<Bpp>(first, width, dest);
        continue;
      }
      // A tile at the right or bottom edge: padding pixels are colour 0.
      std::uint8_t block[64] = {};
      for (std::size_t r = 0; r < rows; ++r) std::memcpy(block + 8 * r, first + r * width, columns);
      EncodeTileAt<Bpp>(block, 8, dest);
    }
  }
}

}  // namespace

void EncodePlanarTile(const std::uint8_t* pixels, std::size_t stride, int bpp, std::uint8_t* out) {
  if (bpp == 2) EncodeTileAt<2>(pixels, stride, out);
  else if (bpp == 4) EncodeTileAt<4>(pixels, stride, out);
  else EncodeTileAt<8>(pixels, stride, out);
}

std::vector<std::uint8_t> EncodePlanarTiles(const Picture& picture, int bpp) {
  const std::size_t across = (static_cast<std::size_t>(std::max(picture.width, 0)) + 7) / 8;
  const std::size_t down = (static_cast<std::size_t>(std::max(picture.height, 0)) + 7) / 8;
  std::vector<std::uint8_t> out(across * down * PlanarTileSize(bpp));
  if (bpp == 2) EncodeAllTiles<2>(picture, out.data());
  else if (bpp == 4) EncodeAllTiles<4>(picture, out.data());
  else EncodeAllTiles<8>(picture, out.data());
  return out;
}

}  // namespace tilora
