#pragma once

#include <cstdint>
#include <stdexcept>

namespace tilora {

// A PNG picture that cannot be read or written; what() is one line for the
// user, ending in a full stop.
class PngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest width and height read, which also bounds the memory a
// decoded picture takes (8192 x 8192 colours of 4 bytes: 256 MiB).
inline constexpr std::int32_t kPngMaxSide = 8192;

// Whether this build reads and writes PNG at all (builds without libspng
// refuse every PNG with a PngError).
bool PngSupported() noexcept;

}  // namespace tilora
