// Runs a cartridge on the emulated console and writes the frames asked for
// as binary PPM pictures, so a test process can judge them without loading
// the core itself (the core keeps global state: one cartridge a process).
//
//   tilora_console_run CARTRIDGE OUT_PREFIX FRAME[,FRAME...] [BUTTON:FIRST-LAST]...
//
// Writes OUT_PREFIX-FRAME.ppm for each frame (0 is the first after power-on).
// BUTTON (up, down, left, right, a, b, x, y, l, r, start, select) is held
// from frame FIRST to frame LAST.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "retro_core.h"

#ifndef TILORA_LIBRETRO_CORE
#define TILORA_LIBRETRO_CORE "/usr/lib/x86_64-linux-gnu/libretro/bsnes_mercury_accuracy_libretro.so"
#endif

namespace {

using tilora::console::Button;

struct Hold {
  Button button;
  int first = 0;
  int last = 0;
};

int Number(const std::string& text) {
  int value = 0;
  const auto [at, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || at != text.data() + text.size() || value < 0)
    throw std::runtime_error("not a frame number: '" + text + "'");
  return value;
}

std::vector<int> Frames(const std::string& list) {
  std::vector<int> frames;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    frames.push_back(Number(list.substr(start, comma - start)));
    start = comma + 1;
  }
  std::sort(frames.begin(), frames.end());
  return frames;
}

Hold HoldOf(const std::string& text) {
  static const std::map<std::string, Button> kButtons = {
      {"b", Button::B},         {"y", Button::Y},         {"select", Button::Select}, {"start", Button::Start},
      {"up", Button::Up},       {"down", Button::Down},   {"left", Button::Left},     {"right", Button::Right},
      {"a", Button::A},         {"x", Button::X},         {"l", Button::L},           {"r", Button::R}};
  const auto colon = text.find(':');
  const auto dash = text.find('-', colon);
  if (colon == std::string::npos || dash == std::string::npos) throw std::runtime_error("not BUTTON:FIRST-LAST: " + text);
  const auto button = kButtons.find(text.substr(0, colon));
  if (button == kButtons.end()) throw std::runtime_error("no such button: " + text.substr(0, colon));
  return {button->second, Number(text.substr(colon + 1, dash - colon - 1)), Number(text.substr(dash + 1))};
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc < 4) throw std::runtime_error("usage: tilora_console_run CARTRIDGE OUT_PREFIX FRAME[,FRAME...] [BUTTON:FIRST-LAST]...");
    const std::filesystem::path cartridge = argv[1];
    const std::string prefix = argv[2];
    const std::vector<int> frames = Frames(argv[3]);
    std::vector<Hold> holds;
    for (int i = 4; i < argc; ++i) holds.push_back(HoldOf(argv[i]));

    const std::filesystem::path folder = prefix + "-core";
    std::filesystem::create_directories(folder);
    tilora::console::RetroCore core(TILORA_LIBRETRO_CORE, folder);
    core.Load(cartridge);
    std::size_t next = 0;
    for (int frame = 0; next < frames.size(); ++frame) {
      std::uint16_t held = 0;
      for (const Hold& h : holds)
        if (frame >= h.first && frame <= h.last) held = static_cast<std::uint16_t>(held | 1U << static_cast<unsigned>(h.button));
      const tilora::console::Frame& shown = core.RunFrame(held);
      for (; next < frames.size() && frames[next] == frame; ++next)
        tilora::console::WritePpm(prefix + "-" + std::to_string(frame) + ".ppm", tilora::console::ConsolePixels(shown));
    }
    std::filesystem::remove_all(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tilora_console_run: %s\n", e.what());
    return 1;
  }
  return 0;
}
