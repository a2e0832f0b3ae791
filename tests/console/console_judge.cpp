#include "console_judge.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifndef TILORA_CONSOLE_RUN
#error "TILORA_CONSOLE_RUN names the runner"
#endif

namespace tilora::console {

std::map<int, Frame> RunCartridge(const std::filesystem::path& cartridge, const std::vector<int>& frames,
                                  const std::vector<HeldButton>& held) {
  const std::string prefix = cartridge.string() + ".frame";
  std::string list;
  for (const int f : frames) list += (list.empty() ? "" : ",") + std::to_string(f);
  std::string command = "'" TILORA_CONSOLE_RUN "' '" + cartridge.string() + "' '" + prefix + "' " + list;
  for (const HeldButton& h : held)
    command += " " + h.button + ":" + std::to_string(h.first) + "-" + std::to_string(h.last);
  const std::string errors = prefix + ".err";
  command += " 2>'" + errors + "'";
  const int raw = std::system(command.c_str());
  if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) {
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    throw std::runtime_error("the console run failed: " + text.str());
  }
  std::map<int, Frame> shown;
  for (const int f : frames) {
    const std::string path = prefix + "-" + std::to_string(f) + ".ppm";
    shown[f] = ReadPpm(path);
    std::filesystem::remove(path);
  }
  std::filesystem::remove(errors);
  return shown;
}

std::uint32_t ShownWord(std::uint16_t word) {
  const auto widen = [](unsigned c) { return (c << 3 | c >> 2) & 0xFFU; };
  return widen(word & 0x1FU) << 16 | widen(word >> 5 & 0x1FU) << 8 | widen(word >> 10 & 0x1FU);
}

Frame ScreenOf(const Frame& picture, std::uint32_t backdrop, int x, int y) {
  Frame screen{256, 224, std::vector<std::uint32_t>(256 * 224, backdrop)};
  for (int sy = 0; sy < screen.height; ++sy)
    for (int sx = 0; sx < screen.width; ++sx) {
      const int px = sx + x, py = sy + y;
      if (px < picture.width && py < picture.height)
        screen.pixels[static_cast<std::size_t>(sy * screen.width + sx)] = picture.At(px, py);
    }
  return screen;
}

std::string Differences(const Frame& shown, const Frame& expected) {
  if (shown.width != expected.width || shown.height != expected.height)
    return "the frame is " + std::to_string(shown.width) + " x " + std::to_string(shown.height) + ", not " +
           std::to_string(expected.width) + " x " + std::to_string(expected.height);
  std::size_t count = 0;
  std::string first;
  for (int y = 0; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x)
      if (shown.At(x, y) != expected.At(x, y) && count++ == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "first at %d,%d: shown %06X, expected %06X", x, y, shown.At(x, y),
                      expected.At(x, y));
        first = text;
      }
  return count == 0 ? std::string() : std::to_string(count) + " pixels differ, " + first;
}

}  // namespace tilora::console
