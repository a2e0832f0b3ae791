#include "reference_encoder.h"

namespace tilora::testing {

int ReferencePixel(const BmpShape& shape, std::int64_t x, std::int64_t y) {
  const std::int64_t rows = shape.height < 0 ? -static_cast<std::int64_t>(shape.height) : shape.height;
  if (y >= rows) return 0;
  if (x < shape.width) {
    const auto index = static_cast<std::size_t>(y * shape.width + x);
    const int v = index < shape.pixels.size() ? shape.pixels[index] : 0;
    return v & ((1 << shape.depth) - 1);
  }
  // Padding, a 4-bit row's filler nibble included, is colour 0.
  return 0;
}

std::vector<std::uint8_t> ReferenceTile(const std::uint8_t (&pixels)[64], int depth) {
  std::vector<std::uint8_t> tile(static_cast<std::size_t>(8 * depth), 0);
  for (int i = 0; i < 8; ++i)
    for (int n = 0; n < depth; ++n)
      for (int k = 0; k < 8; ++k) {
        const int bit = (pixels[8 * i + k] >> n) & 1;
        const int at = 16 * (n / 2) + 2 * i + n % 2;
        tile[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(tile[static_cast<std::size_t>(at)] | bit << (7 - k));
      }
  return tile;
}

std::vector<std::uint8_t> ReferenceTiles(const BmpShape& shape) {
  const std::int64_t rows = shape.height < 0 ? -static_cast<std::int64_t>(shape.height) : shape.height;
  const std::int64_t w8 = (shape.width + 7) / 8 * 8;
  const std::int64_t h8 = (rows + 7) / 8 * 8;
  std::vector<std::uint8_t> out;
  for (std::int64_t ty = 0; ty < h8; ty += 8)
    for (std::int64_t tx = 0; tx < w8; tx += 8) {
      std::uint8_t pixels[64];
      for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 8; ++k)
          pixels[8 * i + k] = static_cast<std::uint8_t>(ReferencePixel(shape, tx + k, ty + i));
      const auto tile = ReferenceTile(pixels, shape.depth);
      out.insert(out.end(), tile.begin(), tile.end());
    }
  return out;
}

std::vector<std::uint8_t> ReferencePalette(const BmpShape& shape) {
  const int full = shape.depth == 4 ? 16 : 256;
  std::int64_t entries = full;
  if (shape.coloursUsed >= 1 && shape.coloursUsed < static_cast<std::uint32_t>(full)) entries = shape.coloursUsed;
  const std::int64_t room = (static_cast<std::int64_t>(DataOffsetOf(shape)) - 14 - shape.headerSize) / EntryBytesOf(shape);
  if (room < entries) entries = room;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(2 * full), 0);
  for (int i = 0; i < entries; ++i) {
    const auto e = PaletteEntry(shape, i);  // blue, green, red
    const int word = (e[0] / 8) * 1024 + (e[1] / 8) * 32 + e[2] / 8;
    out[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(word % 256);
    out[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(word / 256);
  }
  return out;
}

}  // namespace tilora::testing
