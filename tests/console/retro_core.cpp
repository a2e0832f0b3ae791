#include "retro_core.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "libretro_abi.h"

namespace tilora::console {
namespace {

// What the core's callbacks reach: they are plain functions, and a process
// runs one core.
struct Session {
  std::string folder;
  std::map<std::string, std::string> variables;  // key -> the value answered
  std::uint16_t held = 0;
  Frame frame;
  bool frameSeen = false;
};
Session* session = nullptr;

// The core's options: the first choice of each ("Description; first|second").
void TakeVariables(const retro::Variable* list) {
  for (; list && list->key; ++list) {
    const std::string text = list->value ? list->value : "";
    const auto semicolon = text.find("; ");
    std::string choices = semicolon == std::string::npos ? text : text.substr(semicolon + 2);
    session->variables[list->key] = choices.substr(0, choices.find('|'));
  }
}

__attribute__((format(printf, 2, 3))) void Log(int level, const char* format, ...) {
  if (level < 3) return;  // debug, info and warnings are the core's own business
  std::va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

bool Environment(unsigned command, void* data) {
  switch (command & retro::kEnvCommandMask) {
    case retro::kEnvSetPixelFormat:
      return *static_cast<const int*>(data) == retro::kPixelFormatXrgb8888;
    case retro::kEnvGetSystemDirectory:
    case retro::kEnvGetSaveDirectory:
    case retro::kEnvGetContentDirectory:
      *static_cast<const char**>(data) = session->folder.c_str();
      return true;
    case retro::kEnvSetVariables:
      TakeVariables(static_cast<const retro::Variable*>(data));
      return true;
    case retro::kEnvGetVariable: {
      auto* variable = static_cast<retro::Variable*>(data);
      const auto found = session->variables.find(variable->key ? variable->key : "");
      variable->value = found == session->variables.end() ? nullptr : found->second.c_str();
      return found != session->variables.end();
    }
    case retro::kEnvGetVariableUpdate:
      *static_cast<bool*>(data) = false;
      return true;
    case retro::kEnvGetCanDupe:
      *static_cast<bool*>(data) = true;
      return true;
    case retro::kEnvGetLogInterface:
      static_cast<retro::LogCallback*>(data)->log = Log;
      return true;
    default:
      return false;
  }
}

void VideoRefresh(const void* data, unsigned width, unsigned height, std::size_t pitch) {
  session->frameSeen = true;
  if (!data) return;  // the same frame as before
  Frame& frame = session->frame;
  frame.width = static_cast<int>(width);
  frame.height = static_cast<int>(height);
  frame.pixels.resize(static_cast<std::size_t>(width) * height);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (unsigned y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(bytes + y * pitch);
    for (unsigned x = 0; x < width; ++x) frame.pixels[static_cast<std::size_t>(y) * width + x] = row[x] & 0xFFFFFFU;
  }
}

void AudioSample(std::int16_t, std::int16_t) {}
std::size_t AudioBatch(const std::int16_t*, std::size_t frames) { return frames; }
void InputPoll() {}

std::int16_t InputState(unsigned port, unsigned device, unsigned, unsigned id) {
  if (port != 0 || device != retro::kDeviceJoypad || id > 15) return 0;
  return static_cast<std::int16_t>(session->held >> id & 1U);
}

template <typename F>
F Symbol(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (!symbol) throw std::runtime_error(std::string("the core has no ") + name);
  return reinterpret_cast<F>(symbol);
}

}  // namespace

RetroCore::RetroCore(const std::filesystem::path& core, const std::filesystem::path& folder) {
  if (session) throw std::runtime_error("one core per process");
  library_ = dlopen(core.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) throw std::runtime_error(std::string("cannot load the core: ") + dlerror());
  session = new Session;
  session->folder = folder.string();
  Symbol<void (*)(retro::EnvironmentFn)>(library_, "retro_set_environment")(Environment);
  Symbol<void (*)(retro::VideoRefreshFn)>(library_, "retro_set_video_refresh")(VideoRefresh);
  Symbol<void (*)(retro::AudioSampleFn)>(library_, "retro_set_audio_sample")(AudioSample);
  Symbol<void (*)(retro::AudioBatchFn)>(library_, "retro_set_audio_sample_batch")(AudioBatch);
  Symbol<void (*)(retro::InputPollFn)>(library_, "retro_set_input_poll")(InputPoll);
  Symbol<void (*)(retro::InputStateFn)>(library_, "retro_set_input_state")(InputState);
  Symbol<void (*)()>(library_, "retro_init")();
  run_ = Symbol<void (*)()>(library_, "retro_run");
}

RetroCore::~RetroCore() {
  if (gameLoaded_) Symbol<void (*)()>(library_, "retro_unload_game")();
  Symbol<void (*)()>(library_, "retro_deinit")();
  // The core stays mapped: some leave threads or handlers behind, and the
  // process ends soon after.
  delete session;
  session = nullptr;
}

void RetroCore::Load(const std::filesystem::path& cartridge) {
  std::ifstream file(cartridge, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.good() && !file.eof()) throw std::runtime_error("cannot read " + cartridge.string());
  const std::string path = cartridge.string();
  const retro::GameInfo game{path.c_str(), bytes.data(), bytes.size(), nullptr};
  if (!Symbol<bool (*)(const retro::GameInfo*)>(library_, "retro_load_game")(&game))
    throw std::runtime_error("the core refused the cartridge " + path);
  gameLoaded_ = true;
  Symbol<void (*)(unsigned, unsigned)>(library_, "retro_set_controller_port_device")(0, retro::kDeviceJoypad);
}

const Frame& RetroCore::RunFrame(std::uint16_t held) {
  session->held = held;
  session->frameSeen = false;
  run_();
  if (!session->frameSeen) throw std::runtime_error("the core ran a frame without drawing it");
  return session->frame;
}

Frame ConsolePixels(const Frame& frame) {
  if (frame.width != 512) return frame;
  Frame half{256, frame.height, {}};
  half.pixels.reserve(static_cast<std::size_t>(256) * static_cast<std::size_t>(frame.height));
  for (std::size_t i = 0; i < frame.pixels.size(); i += 2) {
    if (frame.pixels[i] != frame.pixels[i + 1]) return frame;  // a true high-resolution frame
    half.pixels.push_back(frame.pixels[i]);
  }
  return half;
}

}  // namespace tilora::console
