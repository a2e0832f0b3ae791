#pragma once

// The console's 15-bit colour words: blue in bits 10-14, green 5-9, red 0-4.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace tilora {

// Each channel keeps its top five bits.
std::uint16_t ColourWordOf(const Rgb& colour);

// count words, low byte first: the table's entries, 0 for those it lacks.
std::vector<std::uint8_t> PaletteBytes(const std::vector<Rgb>& table, std::size_t count);

// The palette of a depth's outputs: whole sub-palettes (4 or 16 words) up
// to the highest of subPalettes (a bit each), at least one; all 256 words at
// 8 bpp.
std::vector<std::uint8_t> PaletteFor(const Picture& picture, int bpp, std::uint8_t subPalettes);

// The word as the console shows it: each 5-bit channel c as c << 3 | c >> 2.
Rgb ShownColour(std::uint16_t word);

}  // namespace tilora
