#pragma once

#include <cstdint>
#include <stdexcept>

#include "picture/limits.h"

namespace tilora {

// A PNG picture that cannot be read or written; what() is one line for the
// user, ending in a full stop.
class PngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest width and height read.
inline constexpr std::int32_t kPngMaxSide = limits::kMaxPngSide;

// Whether this build reads and writes PNG at all (builds without libspng
// refuse every PNG with a PngError).
bool PngSupported() noexcept;

}  // namespace tilora
