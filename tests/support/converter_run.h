#pragma once

// Runs the command-line converter in a folder and takes what it printed.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tilora::testing {

struct ConverterRun {
  int status = -1;
  std::string err;
  std::string out;
};

// tilora-convert ARGS (as the shell reads them), run in folder through
// wrapper, a command the converter's path and arguments are appended to.
inline ConverterRun RunConverterWith(const std::filesystem::path& folder, const std::string& wrapper,
                                     const std::string& args) {
  const auto take = [](const std::filesystem::path& path) {
    std::ifstream f(path);
    std::stringstream text;
    text << f.rdbuf();
    f.close();
    std::filesystem::remove(path);
    return text.str();
  };
  const std::string command =
      "cd '" + folder.string() + "' && " + wrapper + "'" TILORA_CONVERT "' " + args + " >.out 2>.err";
  const int raw = std::system(command.c_str());
  ConverterRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = take(folder / ".err");
  run.out = take(folder / ".out");
  return run;
}

// tilora-convert ARGS (as the shell reads them), run in folder.
inline ConverterRun RunConverter(const std::filesystem::path& folder, const std::string& args) {
  return RunConverterWith(folder, "", args);
}

}  // namespace tilora::testing
