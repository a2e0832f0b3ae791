// tilora-convert: the converter for build pipelines, on the same conversion
// as the window.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/options.h"
#include "cli/run_picture.h"

#ifndef TILORA_VERSION
#define TILORA_VERSION "0"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tilora-convert: %s\nTry 'tilora-convert --help'.\n", message.c_str());
  return kExitUsage;
}

// Standard output that cannot be written (a full disk, a closed pipe) is a
// failure, not a success with nothing shown.
int Finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "tilora-convert: cannot write to standard output\n");
    return kExitFailed;
  }
  return status;
}

// Runs every picture, on up to jobs threads; what each printed comes out in
// the order of the pictures, as one at a time would give it.
bool RunAll(const tilora::cli::Options& options) {
  const std::size_t count = options.pictures.size();
  std::vector<tilora::cli::PictureResult> results(count);
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) results[i] = tilora::cli::RunPicture(options, i);
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min<std::size_t>(count, options.jobs > 0 ? static_cast<unsigned>(options.jobs) : cores);
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& thread : pool) thread.join();

  bool allDone = true;
  for (const auto& result : results) {
    std::fputs(result.out.c_str(), stdout);
    std::fputs(result.err.c_str(), stderr);
    allDone = allDone && result.done;
  }
  return allDone;
}

}  // namespace

int main(int argc, char** argv) {
  const tilora::cli::Parsed parsed = tilora::cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  const tilora::cli::Options& options = parsed.options;
  if (options.help) {
    std::fputs(tilora::cli::kUsage, stdout);
    return Finish(kExitOk);
  }
  if (options.version) {
    std::printf("tilora-convert %s\n", TILORA_VERSION);
    return Finish(kExitOk);
  }
  if (!parsed.error.empty()) return UsageError(parsed.error);
  return Finish(RunAll(options) ? kExitOk : kExitFailed);
}
