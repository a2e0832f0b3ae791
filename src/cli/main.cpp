// tilora-convert: the converter for build pipelines, on the same conversion
// as the window.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/options.h"
#include "cli/run_picture.h"
#include "cli/utf8_arguments.h"

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

// Two pictures of one run whose outputs are the same files ("a.bmp a.BMP",
// "x/../a.bmp a.bmp"): the second would silently replace the first's.
// Names are compared resolved, as far as their folders exist.
std::optional<std::string> SharedOutputs(const std::vector<std::string>& pictures) {
  std::map<std::string, std::size_t> writer;  // output, resolved -> picture
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::string base = tilora::cli::BaseOf(pictures[i]);
    for (const char* extension : {".plt", ".bin"}) {
      std::error_code ec;
      const auto resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(base + extension), ec);
      std::string key = ec ? base + extension : resolved.string();
#ifdef _WIN32
      for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
      const auto [it, fresh] = writer.emplace(key, i);
      if (!fresh && it->second != i)
        return pictures[it->second] + " and " + pictures[i] + " would both write " + base + ".plt and " + base + ".bin";
    }
  }
  return std::nullopt;
}

// Runs every picture, on up to jobs threads; what each printed comes out in
// the order of the pictures, as one at a time would give it.
bool RunAll(const tilora::cli::Options& options) {
  const std::size_t count = options.pictures.size();
  std::vector<tilora::cli::PictureResult> results(count);
  std::atomic<std::size_t> next{0};
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min<std::size_t>(count, options.jobs > 0 ? static_cast<unsigned>(options.jobs) : cores);
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) results[i] = tilora::cli::RunPicture(options, i, threads == 1);
  };
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
  std::vector<std::string> arguments = tilora::Utf8Arguments(argc, argv);
  if (!arguments.empty()) arguments.erase(arguments.begin());  // the program's own name
  const tilora::cli::Parsed parsed = tilora::cli::ParseOptions(arguments);
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
  if (!options.info && !options.name)
    if (const auto shared = SharedOutputs(options.pictures)) return UsageError(*shared);
  return Finish(RunAll(options) ? kExitOk : kExitFailed);
}
