#include "reference_encoder.h"

namespace tilora::testing {

int ReferencePixel(const BmpSpec& spec, std::int64_t x, std::int64_t y) {
  const std::int64_t rows = spec.height < 0 ? -static_cast<std::int64_t>(spec.height) : spec.height;
  if (y >= rows) return 0;
  if (x < spec.width) {
    const auto index = static_cast<std::size_t>(y * spec.width + x);
    const int v = index < spec.pixels.size() ? spec.pixels[index] : 0;
    return spec.depth == 4 ? (v & 0x0F) : v;
  }
  // At 4 bpp with an odd width the row's filler nibble is the next pixel.
  if (spec.depth == 4 && spec.width % 2 == 1 && x == spec.width) return spec.filler & 0x0F;
  return 0;
}

std::vector<std::uint8_t> ReferenceTile(const std::uint8_t (&pixels)[64], int depth) {
  std::vector<std::uint8_t> tile(depth == 4 ? 32 : 64, 0);
  for (int i = 0; i < 8; ++i)
    for (int n = 0; n < depth; ++n)
      for (int k = 0; k < 8; ++k) {
        const int bit = (pixels[8 * i + k] >> n) & 1;
        const int at = 16 * (n / 2) + 2 * i + n % 2;
        tile[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(tile[static_cast<std::size_t>(at)] | bit << (7 - k));
      }
  return tile;
}

std::vector<std::uint8_t> ReferenceTiles(const BmpSpec& spec) {
  const std::int64_t rows = spec.height < 0 ? -static_cast<std::int64_t>(spec.height) : spec.height;
  const std::int64_t w8 = (spec.width + 7) / 8 * 8;
  const std::int64_t h8 = (rows + 7) / 8 * 8;
  std::vector<std::uint8_t> out;
  for (std::int64_t ty = 0; ty < h8; ty += 8)
    for (std::int64_t tx = 0; tx < w8; tx += 8) {
      std::uint8_t pixels[64];
      for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 8; ++k)
          pixels[8 * i + k] = static_cast<std::uint8_t>(ReferencePixel(spec, tx + k, ty + i));
      const auto tile = ReferenceTile(pixels, spec.depth);
      out.insert(out.end(), tile.begin(), tile.end());
    }
  return out;
}

std::vector<std::uint8_t> ReferencePalette(const BmpSpec& spec) {
  const int full = spec.depth == 4 ? 16 : 256;
  std::int64_t entries = full;
  if (spec.coloursUsed >= 1 && spec.coloursUsed < static_cast<std::uint32_t>(full)) entries = spec.coloursUsed;
  const std::int64_t room = (static_cast<std::int64_t>(DataOffsetOf(spec)) - 14 - spec.headerSize) / 4;
  if (room < entries) entries = room;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(2 * full), 0);
  for (int i = 0; i < entries; ++i) {
    const auto e = PaletteEntry(spec, i);  // blue, green, red
    const int word = (e[0] / 8) * 1024 + (e[1] / 8) * 32 + e[2] / 8;
    out[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(word % 256);
    out[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(word / 256);
  }
  return out;
}

}  // namespace tilora::testing
