#include "console_frame.h"

#include <fstream>
#include <stdexcept>

namespace tilora::console {

void WritePpm(const std::string& path, const Frame& frame) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << frame.width << ' ' << frame.height << "\n255\n";
  for (const std::uint32_t c : frame.pixels) {
    const char rgb[3] = {static_cast<char>(c >> 16 & 0xFF), static_cast<char>(c >> 8 & 0xFF), static_cast<char>(c & 0xFF)};
    out.write(rgb, 3);
  }
  if (!out) throw std::runtime_error("cannot write " + path);
}

Frame ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int most = 0;
  Frame frame;
  in >> magic >> frame.width >> frame.height >> most;
  in.get();
  if (!in || magic != "P6" || most != 255 || frame.width < 1 || frame.height < 1 || frame.width > 4096 ||
      frame.height > 4096)
    throw std::runtime_error("not a frame: " + path);
  frame.pixels.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
  for (std::uint32_t& c : frame.pixels) {
    unsigned char rgb[3];
    in.read(reinterpret_cast<char*>(rgb), 3);
    c = static_cast<std::uint32_t>(rgb[0]) << 16 | static_cast<std::uint32_t>(rgb[1]) << 8 | rgb[2];
  }
  if (!in) throw std::runtime_error("frame cut short: " + path);
  return frame;
}

}  // namespace tilora::console
