#pragma once

// Runs cartridges on the emulated console (a process each, through
// tilora_console_run) and compares what it shows with what should be shown.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "console_frame.h"

namespace tilora::console {

struct HeldButton {
  std::string button;  // as tilora_console_run names it: up, down, left, right...
  int first = 0;
  int last = 0;
};

// The frames asked for, by number from power-on; throws std::runtime_error
// with the runner's message when it fails.
std::map<int, Frame> RunCartridge(const std::filesystem::path& cartridge, const std::vector<int>& frames,
                                  const std::vector<HeldButton>& held = {});

// A 15-bit colour word as the console shows it, 0xRRGGBB.
std::uint32_t ShownWord(std::uint16_t word);

// The screen (256 x 224) showing picture (width x height colours 0xRRGGBB)
// scrolled by (x, y), the backdrop beyond it.
Frame ScreenOf(const Frame& picture, std::uint32_t backdrop, int x, int y);

// Where two frames differ, for a failure message; empty when they do not.
std::string Differences(const Frame& shown, const Frame& expected);

}  // namespace tilora::console
