#pragma once

// A deliberately naive encoder, one pixel and one bit at a time, straight
// from the file format's description; the expected bytes of the tests.

#include <cstdint>
#include <vector>

#include "bmp_builder.h"

namespace tilora::testing {

// The colour index of the pixel at (x, y) as the converter must see it,
// including the padding out to whole tiles.
int ReferencePixel(const BmpShape& shape, std::int64_t x, std::int64_t y);

std::vector<std::uint8_t> ReferenceTiles(const BmpShape& shape);
std::vector<std::uint8_t> ReferencePalette(const BmpShape& shape);

// One tile from 64 colour indices (row by row), at depth 4 or 8.
std::vector<std::uint8_t> ReferenceTile(const std::uint8_t (&pixels)[64], int depth);

}  // namespace tilora::testing
