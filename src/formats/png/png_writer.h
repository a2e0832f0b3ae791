#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/png/png_error.h"
#include "picture/picture.h"

namespace tilora {

// An 8-bit RGB PNG file of the pixels, rows top first. Throws PngError when
// the size is not positive or does not match the pixel count.
std::vector<std::uint8_t> EncodePngRgb(std::int32_t width, std::int32_t height, std::span<const Rgb> pixels);

// A palette PNG file of an indexed picture of depth 1, 2, 4 or 8 with 1 to
// 2^depth palette entries. Throws PngError for any other picture, or one
// whose indices run past its palette.
std::vector<std::uint8_t> EncodePngIndexed(const Picture& picture);

// A palette PNG file of one index a pixel (rows top first) with 1 to 256
// palette entries, at the fewest bits a pixel (1, 2, 4 or 8) the palette
// needs, its image data stored without compression and without filters:
// written as fast as the bytes can be copied, for pictures as large as the
// console shows. Throws PngError for a size that does not match, a palette
// of no entries or more than 256, or an index past it.
std::vector<std::uint8_t> EncodePngIndexedStored(std::int32_t width, std::int32_t height,
                                                 std::span<const std::uint8_t> indices, std::span<const Rgb> palette);

}  // namespace tilora
