#pragma once

#include <cstdint>

#include "convert/limits.h"

namespace tilora {

// The working image, one byte per pixel, top row first. At depth 4 a pixel
// in an even column keeps its colour in the high four bits, one in an odd
// column in the low four bits; the tile encoder takes them from there.
extern std::uint8_t PixelPlane[kPlaneHeight][kPlaneWidth];

// Fills PixelPlane from the picture SourceFile is open on, as PictureHeader
// describes it. depth is 4 or 8; anything else, or a picture outside the
// plane, does nothing. Raises IoError; a row cut short by the end of the file
// fails with 100 after the bytes before the first missing one are stored.
void ReadPixels(int depth);

// Sets back to zero what ReadPixels wrote since the last clearing.
void ClearPixelPlane();

}  // namespace tilora
