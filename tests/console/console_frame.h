#pragma once

// A frame as the console drew it, and its PPM form between the process that
// runs the core and the test that judges it.

#include <cstdint>
#include <string>
#include <vector>

namespace tilora::console {

// width x height colours 0xRRGGBB, rows top first.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

// Binary PPM (P6, 8 bits a channel). Both throw std::runtime_error.
void WritePpm(const std::string& path, const Frame& frame);
Frame ReadPpm(const std::string& path);

}  // namespace tilora::console
