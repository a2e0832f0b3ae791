#pragma once

#include "snes/encoders/console_encoding.h"

namespace tilora {

class RowsArriving;

// The outputs of an indexed picture at bpp (2, 4 or 8; mode 7 is 8), laid
// out as options say, or why it cannot be encoded so. The settings must have
// passed CheckSettings. Runs SelfCheck on the outputs before returning them;
// a failed check returns an Internal failure, and no outputs.
//
// With arriving, the picture's rows are still being decoded on another
// thread: a map is encoded a row of cells at a time as they arrive, every
// other way waits for the last row. The result is the one the whole picture
// gives; when the rows stop before the last, an Internal failure that the
// decoding's own failure should replace.
EncodeResult EncodeForConsole(const Picture& picture, int bpp, const TileOptions& options,
                              const RowsArriving* arriving = nullptr);

}  // namespace tilora
