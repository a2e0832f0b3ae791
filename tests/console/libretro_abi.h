#pragma once

// The part of the libretro core interface this frontend uses, declared from
// the published ABI (no development package ships it on Debian).

#include <cstddef>
#include <cstdint>

namespace tilora::console::retro {

inline constexpr unsigned kEnvGetCanDupe = 3;
inline constexpr unsigned kEnvGetSystemDirectory = 9;
inline constexpr unsigned kEnvSetPixelFormat = 10;
inline constexpr unsigned kEnvGetVariable = 15;
inline constexpr unsigned kEnvSetVariables = 16;
inline constexpr unsigned kEnvGetVariableUpdate = 17;
inline constexpr unsigned kEnvGetLogInterface = 27;
inline constexpr unsigned kEnvGetContentDirectory = 30;
inline constexpr unsigned kEnvGetSaveDirectory = 31;
// Flags a core may or into a command; the command is the low 16 bits.
inline constexpr unsigned kEnvCommandMask = 0xFFFF;

inline constexpr int kPixelFormatXrgb8888 = 1;
inline constexpr unsigned kDeviceJoypad = 1;

struct Variable {
  const char* key;
  const char* value;
};

struct GameInfo {
  const char* path;
  const void* data;
  std::size_t size;
  const char* meta;
};

struct SystemInfo {
  const char* libraryName;
  const char* libraryVersion;
  const char* validExtensions;
  bool needFullpath;
  bool blockExtract;
};

using LogPrintf = void (*)(int level, const char* format, ...);
struct LogCallback {
  LogPrintf log;
};

using EnvironmentFn = bool (*)(unsigned command, void* data);
using VideoRefreshFn = void (*)(const void* data, unsigned width, unsigned height, std::size_t pitch);
using AudioSampleFn = void (*)(std::int16_t left, std::int16_t right);
using AudioBatchFn = std::size_t (*)(const std::int16_t* data, std::size_t frames);
using InputPollFn = void (*)();
using InputStateFn = std::int16_t (*)(unsigned port, unsigned device, unsigned index, unsigned id);

}  // namespace tilora::console::retro
