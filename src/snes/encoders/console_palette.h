#pragma once

// The palettes of the console encoders' outputs, and how the console shows a
// colour word.

#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace tilora {

// The palette of a depth's outputs, low byte first: whole sub-palettes (4 or
// 16 words) up to the highest of subPalettes (a bit each), at least one; all
// 256 words at 8 bpp.
std::vector<std::uint8_t> PaletteFor(const Picture& picture, int bpp, std::uint8_t subPalettes);

// The word as the console shows it: each 5-bit channel c as c << 3 | c >> 2.
Rgb ShownColour(std::uint16_t word);

}  // namespace tilora
