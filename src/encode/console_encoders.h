#pragma once

// The three ways EncodeForConsole encodes, each for a picture CheckPicture
// accepted and options OptionsProblem accepted.

#include "encode/console_encoding.h"

namespace tilora {

// The picture's tiles as they lie, without a map: one sub-palette only.
EncodeResult EncodePlainTiles(const Picture& picture, const TileOptions& options);

// Deduplicated tiles and the map that places them.
EncodeResult EncodeTilemap(const Picture& picture, const TileOptions& options);

// Chunky tiles and the fixed 128 x 128 byte map of mode 7.
EncodeResult EncodeMode7(const Picture& picture, const TileOptions& options);

}  // namespace tilora
