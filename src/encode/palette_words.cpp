#include "encode/palette_words.h"

#include <bit>

namespace tilora {
namespace {

std::uint8_t Widened(unsigned channel) { return static_cast<std::uint8_t>(channel << 3 | channel >> 2); }

}  // namespace

std::uint16_t ColourWordOf(const Rgb& colour) {
  return static_cast<std::uint16_t>((colour.blue >> 3) << 10 | (colour.green >> 3) << 5 | (colour.red >> 3));
}

std::vector<std::uint8_t> PaletteBytes(const std::vector<Rgb>& table, std::size_t count) {
  std::vector<std::uint8_t> bytes(2 * count, 0);
  for (std::size_t i = 0; i < count && i < table.size(); ++i) {
    const std::uint16_t word = ColourWordOf(table[i]);
    bytes[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
  }
  return bytes;
}

std::vector<std::uint8_t> PaletteFor(const Picture& picture, int bpp, std::uint8_t subPalettes) {
  if (bpp == 8) return PaletteBytes(picture.palette, 256);
  const unsigned blocks = subPalettes == 0 ? 1 : std::bit_width(static_cast<unsigned>(subPalettes));
  return PaletteBytes(picture.palette, std::size_t{blocks} << bpp);
}

Rgb ShownColour(std::uint16_t word) {
  return {Widened(word & 0x1FU), Widened(word >> 5 & 0x1FU), Widened(word >> 10 & 0x1FU)};
}

}  // namespace tilora
