#pragma once

#include <cstdint>
#include <vector>

#include "formats/bmp/bmp_layout.h"
#include "picture/limits.h"
#include "picture/picture.h"

namespace tilora {

// The colour table entries a picture's pixels may use: the full table of its
// depth, lowered to the colours-used count and to the whole entries that lie
// before the pixel data; none above 8 bits per pixel. Raises IoError 100 when
// the colours-used field is cut off.
std::int64_t BmpTableEntries(ByteSource& source, const BmpLayout& layout);

// Raises IoError 100 when the table is cut short. The spare fourth byte of
// the last entry is never needed, so a table lacking only that is whole.
std::vector<Rgb> ReadBmpColourTable(ByteSource& source, const BmpLayout& layout, std::int64_t entries);

// How a 16- or 32-bit picture's channels lie. Bit fields are read only in
// the standard layouts (5-5-5; 8-8-8 with alpha on top); alpha only where
// the header gives an alpha mask.
struct BmpChannels {
  bool standard = true;
  bool alpha = false;
};
BmpChannels ReadBmpChannels(ByteSource& source, const BmpLayout& layout);
inline constexpr std::uint16_t kBmpBitFields = 3;

// Reads an uncompressed picture (or one with standard bit fields): 1, 2, 4 and 8 bits per pixel as colour
// indices with their table, 16, 24 and 32 as colours. The caller has held
// the size against its limits. Raises IoError 100 when rows are cut short.
Picture ReadBmpPicture(ByteSource& source, const BmpLayout& layout);

// The largest picture ReadBmpPicture takes, whatever the caller checked.
inline constexpr std::int64_t kMaxBmpPixels = limits::kMaxBmpPixels;

}  // namespace tilora
