#pragma once

#include <cstdint>

namespace tilora {

// 256 colour words, low byte first: blue in bits 10-14, green 5-9, red 0-4.
extern std::uint8_t PaletteArea[512];

// The colour word of one table entry; each channel keeps its top five bits.
std::uint16_t ColourWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

// Reads the colour table of the picture SourceFile is open on, from
// tableOffset, and writes 16 (depth 4) or 256 (depth 8) words into
// PaletteArea: words for the first `entries` table entries, zero for the
// rest. Any other depth does nothing. A table cut short by the end of the
// file raises IoError 100 after the words of the whole entries before it.
void EncodePalette(int depth, std::int64_t tableOffset, int entries);

}  // namespace tilora
