#pragma once

#include "snes/encoders/console_encoding.h"

namespace tilora {

class RowsArriving;

// The outputs for the picture, or why it cannot be encoded so. Runs
// SelfCheck on the outputs before returning them; a failed check returns a
// Refusal of kind Internal, and no outputs.
//
// With arriving, the picture's rows are still being decoded on another
// thread: a map is encoded a row of cells at a time as they arrive, every
// other way waits for the last row. The result is the one the whole picture
// gives; when the rows stop before the last, a Refusal of kind Internal
// that the decoding's own failure should replace.
EncodeResult EncodeForConsole(const Picture& picture, const TileOptions& options,
                              const RowsArriving* arriving = nullptr);

}  // namespace tilora
