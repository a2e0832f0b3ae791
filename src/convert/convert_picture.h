#pragma once

#include <string>

#include "convert/convert_file.h"

namespace tilora {

// The window's "In File": converts the picture the last open read, as that
// open saw it, into base + ".plt" and base + ".bin".
ConvertOutcome ConvertPicture(const std::string& path, const std::string& base, const OpenedPicture& opened);

inline constexpr const char* kStaleHeaderNotice =
    "The last picture opened could not be read in full or was refused, so it cannot be "
    "converted. Open an uncompressed picture first.";

}  // namespace tilora
