#pragma once

#include <string>

namespace tilora {

// What a conversion ended with when it did not fail: converted, or refused
// with a notice for the user (an unsupported depth, a picture over limits).
struct ConvertOutcome {
  bool converted = false;
  std::string notice;
};

// Converts the picture at path, as the last ReadHeader described it, into
// base + ".plt" and base + ".bin" (relative names against the current
// folder) as one set (see WriteOutputSet). Raises IoError on a failed read
// or write; then both outputs are as they were and no working file is left.
ConvertOutcome ConvertPicture(const std::string& path, const std::string& base);

// The refusal of a depth other than 4 or 8.
std::string DepthNotice(int depth);

inline constexpr const char* kStaleHeaderNotice =
    "The last picture opened could not be read in full or was refused, so it cannot be "
    "converted. Open an uncompressed picture first.";

}  // namespace tilora
