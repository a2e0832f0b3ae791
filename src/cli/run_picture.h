#pragma once

#include <cstddef>
#include <string>

#include "cli/options.h"

namespace tilora::cli {

extern const char* const kUsage;

// What one picture's run printed and whether it succeeded.
struct PictureResult {
  bool done = false;
  std::string out;
  std::string err;
};

// Describes or converts picture number index of the options; alone: no
// other picture is converted meanwhile, so a conversion may take a second
// thread of its own.
PictureResult RunPicture(const Options& options, std::size_t index, bool alone);

// "art/hero.bmp" gives "art/hero"; dots in folder names are not extensions.
std::string BaseOf(const std::string& picture);

}  // namespace tilora::cli
