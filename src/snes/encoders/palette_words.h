#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "picture/picture.h"

namespace tilora {

// The console's colour word: blue in bits 10-14, green 5-9, red 0-4, each
// channel's top five bits (no rounding), bit 15 zero.
std::uint16_t ColourWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red);
inline std::uint16_t ColourWord(const Rgb& c) { return ColourWord(c.blue, c.green, c.red); }

// words colour words, low byte first: one for each colour given, 0 for the
// rest; colours beyond words are left out.
std::vector<std::uint8_t> EncodePaletteWords(std::span<const Rgb> colours, std::size_t words);

}  // namespace tilora
