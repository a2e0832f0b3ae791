#include "snes/encoders/console_palette.h"

#include <bit>

#include "snes/encoders/palette_words.h"

namespace tilora {
namespace {

std::uint8_t Widened(unsigned channel) { return static_cast<std::uint8_t>(channel << 3 | channel >> 2); }

}  // namespace

std::vector<std::uint8_t> PaletteFor(const Picture& picture, int bpp, std::uint8_t subPalettes) {
  if (bpp == 8) return EncodePaletteWords(picture.palette, 256);
  const unsigned blocks = subPalettes == 0 ? 1 : std::bit_width(static_cast<unsigned>(subPalettes));
  return EncodePaletteWords(picture.palette, std::size_t{blocks} << bpp);
}

Rgb ShownColour(std::uint16_t word) {
  return {Widened(word & 0x1FU), Widened(word >> 5 & 0x1FU), Widened(word >> 10 & 0x1FU)};
}

}  // namespace tilora
