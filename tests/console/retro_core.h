#pragma once

// A headless libretro frontend: loads a core, runs a cartridge a frame at a
// time with buttons held, and keeps the frames it is asked for. The core
// keeps global state, so one process runs one cartridge.

#include <cstdint>
#include <filesystem>

#include "console_frame.h"

namespace tilora::console {

enum class Button { B, Y, Select, Start, Up, Down, Left, Right, A, X, L, R };

class RetroCore {
 public:
  // Loads the core library and starts it; folder is where it may keep
  // files. Throws std::runtime_error with a one-line reason.
  RetroCore(const std::filesystem::path& core, const std::filesystem::path& folder);
  ~RetroCore();
  RetroCore(const RetroCore&) = delete;
  RetroCore& operator=(const RetroCore&) = delete;

  // Powers the console on with the cartridge image; throws when the core
  // refuses it.
  void Load(const std::filesystem::path& cartridge);

  // Runs one frame with the given buttons held (bit n: Button n) and
  // returns it; a core that repeats the last frame gives it again.
  const Frame& RunFrame(std::uint16_t held);

 private:
  void* library_ = nullptr;
  void (*run_)() = nullptr;
  bool gameLoaded_ = false;
};

// The console's picture from a core's frame: a frame drawn at twice the
// width (each pixel twice) is halved; anything else is returned as it is.
Frame ConsolePixels(const Frame& frame);

}  // namespace tilora::console
