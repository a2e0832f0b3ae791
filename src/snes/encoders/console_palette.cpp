#include "snes/encoders/console_palette.h"

#include <bit>

#include "snes/encoders/palette_words.h"

namespace tilora {
namespace {


}  // namespace

std::vector<std::uint8_t> PaletteFor(const Picture& picture, int bpp, std::uint8_t subPalettes) {
  if (bpp == 8) return EncodePaletteWords(picture.palette, 256);
  const unsigned blocks = subPalettes == 0 ? 1 : std::bit_width(static_cast<unsigned>(subPalettes));
  return EncodePaletteWords(picture.palette, std::size_t{blocks} << bpp);
}

Rgb ShownColour(std::uint16_t word) { return ShownRgb(static_cast<Colour15>(word & 0x7FFFU)); }

}  // namespace tilora
