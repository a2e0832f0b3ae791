#include "convert/palette_area.h"

#include <algorithm>

#include "support/checked_file.h"
#include "support/io_error.h"

namespace tilora {

std::uint8_t PaletteArea[512];

std::uint16_t ColourWord(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return static_cast<std::uint16_t>((blue >> 3) << 10 | (green >> 3) << 5 | (red >> 3));
}

void EncodePalette(int depth, std::int64_t tableOffset, int entries) {
  if (depth != 4 && depth != 8) return;
  const int full = depth == 4 ? 16 : 256;
  entries = std::clamp(entries, 0, full);
  std::uint8_t table[256 * 4];
  std::size_t got = 0;
  // The spare fourth byte of the last entry is never needed, so a table that
  // lacks only that byte is whole.
  const std::size_t wanted = entries > 0 ? 4 * static_cast<std::size_t>(entries) - 1 : 0;
  if (wanted > 0) {
    SourceFile.Seek(tableOffset);
    got = SourceFile.ReadUpTo(table, wanted);
  }
  for (int i = 0; i < full; ++i) {
    const auto at = 4 * static_cast<std::size_t>(i);
    const bool present = i < entries && at + 3 <= got;
    if (i < entries && !present) throw IoError(kErrReadBeyondEnd);
    const std::uint16_t word = present ? ColourWord(table[at], table[at + 1], table[at + 2]) : 0;
    PaletteArea[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
    PaletteArea[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
  }
}

}  // namespace tilora
