#pragma once

// The three ways EncodeForConsole encodes, each for a picture CheckPicture
// accepted at that depth, with sound settings.

#include "snes/encoders/console_encoding.h"

namespace tilora {

// The picture's tiles as they lie, without a map: one sub-palette only.
EncodeResult EncodePlainTiles(const Picture& picture, int bpp);

class RowsArriving;

// Deduplicated tiles and the map that places them. With arriving, the rows
// are still being decoded: each row of cells waits for its pixels and is
// checked as CheckPicture would before it is encoded.
EncodeResult EncodeTilemap(const Picture& picture, int bpp, const TileOptions& options,
                           const RowsArriving* arriving = nullptr);

// Deduplicated 16 x 16 blocks, each laid out as the console reads a block's
// four tiles, and the map whose entries name each block's first tile.
EncodeResult EncodeBlockMap(const Picture& picture, int bpp, const TileOptions& options);

// Chunky tiles and the fixed 128 x 128 byte map of mode 7.
EncodeResult EncodeMode7(const Picture& picture, const TileOptions& options);

}  // namespace tilora
