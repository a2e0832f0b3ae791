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

// Describes or converts picture number index of the options.
PictureResult RunPicture(const Options& options, std::size_t index);

// "art/hero.bmp" gives "art/hero"; dots in folder names are not extensions.
std::string BaseOf(const std::string& picture);

}  // namespace tilora::cli
