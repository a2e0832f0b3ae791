#pragma once

#include <cstdint>
#include <span>

#include "formats/png/png_error.h"
#include "picture/picture.h"

namespace tilora {

// Whether the bytes start with the eight-byte PNG signature.
bool LooksLikePng(std::span<const std::uint8_t> firstBytes) noexcept;

// Decodes a whole PNG file. Palette pictures of 1, 2, 4 and 8 bits come out
// indexed, at the file's bit depth, with the PLTE entries as palette; every
// other colour type comes out as truecolour at its stored bits per pixel,
// 16-bit samples cut to their top 8 bits, a tRNS colour key made alpha 0.
// Throws PngError for a damaged file, one larger than kPngMaxSide either
// way, or a palette picture using an index beyond its palette.
Picture DecodePng(std::span<const std::uint8_t> bytes);

}  // namespace tilora
