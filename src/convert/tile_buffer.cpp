#include "convert/tile_buffer.h"

#include <algorithm>
#include <cstring>

#include "convert/pixel_plane.h"

namespace tilora {

alignas(64) std::uint8_t TileBuffer[kTileBufferSize];

namespace {

std::size_t DirtyBytes = 0;

// Eight pixels as a 64-bit word with the leftmost pixel in the top byte.
std::uint64_t LoadPixelsMsbFirst(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int k = 0; k < 8; ++k) v = v << 8 | p[k];
  return v;
}

// Transposes an 8 x 8 bit matrix held one row per byte, so that byte n of the
// result gathers bit n of every byte: the bit plane n of eight pixels.
std::uint64_t Transpose8x8(std::uint64_t x) {
  std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
  x = x ^ t ^ (t << 28);
  return x;
}

std::uint8_t Plane(std::uint64_t planes, int n) { return static_cast<std::uint8_t>(planes >> (8 * n)); }

}  // namespace

void EncodeTile4(int x, int y, std::size_t offset) {
  std::uint8_t* out = TileBuffer + offset;
  for (int i = 0; i < 8; ++i) {
    std::uint64_t v = LoadPixelsMsbFirst(&PixelPlane[y + i][x]);
    // Even columns hold their colour in the high nibble, odd ones in the low;
    // the leftmost (even) pixel is now the top byte.
    v = ((v >> 4) & 0x0F000F000F000F00ULL) | (v & 0x000F000F000F000FULL);
    const std::uint64_t planes = Transpose8x8(v);
    out[2 * i] = Plane(planes, 0);
    out[2 * i + 1] = Plane(planes, 1);
    out[16 + 2 * i] = Plane(planes, 2);
    out[17 + 2 * i] = Plane(planes, 3);
  }
}

void EncodeTile8(int x, int y, std::size_t offset) {
  std::uint8_t* out = TileBuffer + offset;
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t planes = Transpose8x8(LoadPixelsMsbFirst(&PixelPlane[y + i][x]));
    for (int n = 0; n < 8; ++n) out[16 * (n / 2) + 2 * i + n % 2] = Plane(planes, n);
  }
}

void EncodeTiles(int depth) {
  if (depth != 4 && depth != 8) return;
  if (LimitNotice(PictureHeader, depth)) return;
  const PictureGeometry g = GeometryOf(PictureHeader, depth);
  const auto tileSize = static_cast<std::size_t>(g.tileSize);
  std::size_t offset = 0;
  for (std::int64_t ty = 0; ty < g.tilesDown; ++ty) {
    for (std::int64_t tx = 0; tx < g.tilesAcross; ++tx) {
      if (depth == 4)
        EncodeTile4(static_cast<int>(tx * 8), static_cast<int>(ty * 8), offset);
      else
        EncodeTile8(static_cast<int>(tx * 8), static_cast<int>(ty * 8), offset);
      offset += tileSize;
    }
  }
  DirtyBytes = std::max(DirtyBytes, offset);
}

void ClearTileBuffer() {
  std::memset(TileBuffer, 0, DirtyBytes);
  DirtyBytes = 0;
}

}  // namespace tilora
