#pragma once

// Runs the command-line converter, so the window's outputs can be compared
// with what tilora-convert writes for the same picture and options.

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
};

// tilora-convert ARGS, run in folder.
inline ConverterRun RunConverter(const std::filesystem::path& folder, const std::string& args) {
  const auto err = folder / ".err";
  const std::string command = "cd '" + folder.string() + "' && '" TILORA_CONVERT "' " + args + " 2>.err";
  const int raw = std::system(command.c_str());
  std::ifstream f(err);
  std::stringstream text;
  text << f.rdbuf();
  f.close();
  std::filesystem::remove(err);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
}

}  // namespace tilora::testing
