#include "snes/encoders/palette_words.h"

#include <algorithm>

namespace tilora {

std::uint16_t ColourWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return Colour15Of(Rgb{red, green, blue});
}

std::vector<std::uint8_t> EncodePaletteWords(std::span<const Rgb> colours, std::size_t words) {
  std::vector<std::uint8_t> out(2 * words, 0);
  const std::size_t count = std::min(words, colours.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t word = ColourWord(colours[i]);
    out[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
  }
  return out;
}

}  // namespace tilora
