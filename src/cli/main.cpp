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
#include "cli/run_shared.h"
#include "cli/run_render.h"
#include "cli/utf8_arguments.h"
#include "convert/convert.h"

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

// A name compared resolved, as far as its folders exist, links followed.
std::string Resolved(const std::string& name) {
  std::error_code ec;
  const auto resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(name, ec), ec);
  std::string key = ec ? name : resolved.string();
#ifdef _WIN32
  for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
  return key;
}

// Two pictures of one run whose outputs are the same files ("a.bmp a.BMP",
// "x/../a.bmp a.bmp"): the second would silently replace the first's. An
// output that leads to another picture of the run would replace that
// picture, before or after it is read as -j has it.
std::optional<std::string> SharedOutputs(const tilora::cli::CommandLine& command) {
  const std::vector<std::string>& pictures = command.pictures;
  std::map<std::string, std::size_t> picture;  // resolved -> picture
  for (std::size_t i = 0; i < pictures.size(); ++i) picture.emplace(Resolved(pictures[i]), i);
  std::map<std::string, std::size_t> writer;  // output, resolved -> picture
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::string base = tilora::cli::BaseOf(pictures[i]);
    for (const std::string& output : tilora::OutputNames(base, command.settings)) {
      const std::string key = Resolved(output);
      if (const auto other = picture.find(key); other != picture.end() && other->second != i)
        return output + ", an output of " + pictures[i] + ", is the picture " + pictures[other->second] +
               " of the same run";
      const auto [it, fresh] = writer.emplace(key, i);
      if (!fresh && it->second != i)
        return pictures[it->second] + " and " + pictures[i] + " would both write " + base + ".plt and " + base +
               ".bin";
    }
  }
  return std::nullopt;
}

// The outputs of a joint run that are one of its pictures, or the same
// file twice: two pictures whose maps would have one name ("a.bmp a.png").
std::optional<std::string> JointClashes(const tilora::cli::CommandLine& command) {
  const std::vector<std::string>& pictures = command.pictures;
  std::map<std::string, std::size_t> picture;  // resolved -> picture
  for (std::size_t i = 0; i < pictures.size(); ++i) picture.emplace(Resolved(pictures[i]), i);
  std::map<std::string, std::optional<std::size_t>> writer;  // output, resolved -> its picture
  for (const tilora::cli::JointOutput& output : tilora::cli::JointOutputNames(command)) {
    const std::string key = Resolved(output.name);
    if (const auto other = picture.find(key); other != picture.end())
      return output.name + ", an output of the run, is the picture " + pictures[other->second];
    const auto [it, fresh] = writer.emplace(key, output.picture);
    if (fresh) continue;
    if (it->second && output.picture)
      return pictures[*it->second] + " and " + pictures[*output.picture] + " would both write " + output.name;
    return output.name + " would be written twice";
  }
  return std::nullopt;
}

// Runs every picture, on up to jobs threads; what each printed comes out in
// the order of the pictures, as one at a time would give it. Threads that
// cannot be had (too little memory for their stacks) leave the work to
// those that could.
bool RunAll(const tilora::cli::CommandLine& command) {
  const std::size_t count = command.pictures.size();
  std::vector<tilora::cli::PictureResult> results(count);
  std::atomic<std::size_t> next{0};
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min<std::size_t>(count, command.jobs > 0 ? static_cast<unsigned>(command.jobs) : cores);
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++)
      results[i] = tilora::cli::RunPicture(command, i, threads == 1);
  };
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) {
    try {
      pool.emplace_back(work);
    } catch (const std::exception&) {
      break;
    }
  }
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
  const tilora::cli::Parsed parsed = tilora::cli::ParseCommandLine(arguments);
  const tilora::cli::CommandLine& command = parsed.command;
  if (command.help) {
    std::fputs(tilora::cli::UsageText().c_str(), stdout);
    return Finish(kExitOk);
  }
  if (command.version) {
    std::printf("tilora-convert %s\n", TILORA_VERSION);
    return Finish(kExitOk);
  }
  if (!parsed.error.empty()) return UsageError(parsed.error);
  if (!command.render.empty()) {
    const tilora::cli::PictureResult result = tilora::cli::RunRender(command);
    std::fputs(result.err.c_str(), stderr);
    return Finish(result.done ? kExitOk : kExitFailed);
  }
  if (command.Joint()) {
    if (!command.info)
      if (const auto clash = JointClashes(command)) return UsageError(*clash);
    const tilora::cli::PictureResult result = tilora::cli::RunJoint(command);
    std::fputs(result.out.c_str(), stdout);
    std::fputs(result.err.c_str(), stderr);
    return Finish(result.done ? kExitOk : kExitFailed);
  }
  if (!command.info && !command.name)
    if (const auto shared = SharedOutputs(command)) return UsageError(*shared);
  return Finish(RunAll(command) ? kExitOk : kExitFailed);
}
