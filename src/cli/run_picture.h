#pragma once

#include <cstddef>
#include <string>

#include "cli/options.h"

namespace tilora::cli {

// What one picture's run printed and whether it succeeded.
struct PictureResult {
  bool done = false;
  std::string out;
  std::string err;
};

// Describes or converts picture number index of the command line; alone: no
// other picture is converted meanwhile, so a conversion may take a second
// thread of its own. Never throws: running out of memory is this picture's
// failure, and the others go on.
PictureResult RunPicture(const CommandLine& command, std::size_t index, bool alone) noexcept;

// A file name may hold anything but NUL; one line per failure must stay one
// line, so control characters are shown escaped.
std::string Printable(const std::string& text);

// A run that failed: the failure as one line on stderr, after the name of
// what it was about.
PictureResult FailedRun(const std::string& name, const Failure& failure);

// "art/hero.bmp" gives "art/hero"; dots in folder names are not extensions.
std::string BaseOf(const std::string& picture);

}  // namespace tilora::cli
