// tilora-convert: the converter for build pipelines, on the same header
// reading, acceptance test and conversion as the window.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/utf8_arguments.h"
#include "convert/convert_picture.h"
#include "convert/picture_header.h"
#include "support/io_error.h"

#ifndef TILORA_VERSION
#define TILORA_VERSION "0"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: tilora-convert [--name BASE] PICTURE...\n"
    "       tilora-convert --info PICTURE...\n"
    "\n"
    "Converts 4- and 8-bit-per-pixel uncompressed BMP pictures into planar 8x8\n"
    "tile data (BASE.bin) and 15-bit palette words (BASE.plt).\n"
    "\n"
    "  --name BASE  base name of the outputs (one picture only); relative to the\n"
    "               current folder. Default: the picture's path without extension.\n"
    "  --info       print each picture's resolution and format instead\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "\n"
    "Exit status: 0 all converted, 1 a picture failed or was refused, 2 usage error.\n";

struct Options {
  bool info = false;
  bool haveName = false;
  std::string name;
  std::vector<std::string> pictures;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tilora-convert: %s\nTry 'tilora-convert --help'.\n", message.c_str());
  return kExitUsage;
}

void Report(const std::string& picture, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", picture.c_str(), tilora::FailureText(text).c_str());
}

// "art/hero.bmp" gives "art/hero"; dots in folder names are not extensions.
std::string BaseOf(const std::string& picture) {
  const auto slash = picture.find_last_of("/\\");
  const auto leafStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = picture.find_last_of('.');
  if (dot == std::string::npos || dot <= leafStart) return picture;
  return picture.substr(0, dot);
}

// Reads the header and applies the acceptance test; false after reporting.
bool OpenPicture(const std::string& picture) {
  try {
    tilora::ReadHeader(picture);
  } catch (const tilora::IoError& e) {
    Report(picture, e.what());
    return false;
  }
  return true;
}

bool Describe(const std::string& picture) {
  if (!OpenPicture(picture)) return false;
  std::printf("%s\n%s\n", tilora::ResolutionText(tilora::PictureHeader).c_str(),
              tilora::FormatText(tilora::PictureHeader).c_str());
  if (!tilora::PictureHeaderAccepted) {
    Report(picture, tilora::kCompressionNotice);
    return false;
  }
  return true;
}

bool Convert(const std::string& picture, const std::string& base) {
  if (!OpenPicture(picture)) return false;
  if (!tilora::PictureHeaderAccepted) {
    Report(picture, tilora::kCompressionNotice);
    return false;
  }
  try {
    const tilora::ConvertOutcome outcome = tilora::ConvertPicture(picture, base);
    if (!outcome.converted) {
      Report(picture, outcome.notice);
      return false;
    }
  } catch (const tilora::IoError& e) {
    Report(picture, e.what());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = tilora::Utf8Arguments(argc, argv);
  const std::size_t count = arguments.size();
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < count; ++i) {
    const std::string& arg = arguments[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.pictures.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    } else if (arg == "--version") {
      std::printf("tilora-convert %s\n", TILORA_VERSION);
      return kExitOk;
    } else if (arg == "--info") {
      options.info = true;
    } else if (arg == "--name" || arg.rfind("--name=", 0) == 0) {
      if (options.haveName) return UsageError("--name given twice");
      if (arg == "--name") {
        if (i + 1 >= count) return UsageError("--name needs a base name");
        options.name = arguments[++i];
      } else {
        options.name = arg.substr(7);
      }
      options.haveName = true;
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
  }
  if (options.pictures.empty()) return UsageError("no picture given");
  if (options.info && options.haveName) return UsageError("--info and --name cannot be combined");
  if (options.haveName && options.pictures.size() > 1)
    return UsageError("--name takes one picture only");

  bool allDone = true;
  for (const auto& picture : options.pictures) {
    const bool done = options.info ? Describe(picture)
                                   : Convert(picture, options.haveName ? options.name : BaseOf(picture));
    allDone = allDone && done;
  }
  return allDone ? kExitOk : kExitFailed;
}
