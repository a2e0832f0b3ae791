// tilora-convert: the converter for build pipelines, on the same header
// reading, acceptance test and conversion as the window.

#include <cstdio>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "formats/bmp/bmp_layout.h"
#include "support/byte_source.h"
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

// A file name may hold anything but NUL; one line per failure must stay one
// line, so control characters are shown escaped.
std::string Printable(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

void Report(const std::string& picture, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", Printable(picture).c_str(), Printable(tilora::FailureText(text)).c_str());
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

// "art/hero.bmp" gives "art/hero"; dots in folder names are not extensions.
std::string BaseOf(const std::string& picture) {
  const auto slash = picture.find_last_of("/\\");
  const auto leafStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = picture.find_last_of('.');
  if (dot == std::string::npos || dot <= leafStart) return picture;
  return picture.substr(0, dot);
}

bool Describe(const std::string& picture) {
  try {
    tilora::FileSource source(picture);
    const tilora::BmpLayout layout = tilora::ReadBmpLayout(source);
    const tilora::PictureHeaderRecord header = tilora::HeaderOf(layout);
    std::printf("%s\n%s\n", tilora::ResolutionText(header).c_str(), tilora::FormatText(header).c_str());
    if (!tilora::IsBmp(layout)) {
      Report(picture, tilora::kNotBmpNotice);
      return false;
    }
    if (!tilora::IsAccepted(header)) {
      Report(picture, tilora::kCompressionNotice);
      return false;
    }
  } catch (const tilora::IoError& e) {
    Report(picture, e.what());
    return false;
  }
  return true;
}

bool Convert(const std::string& picture, const std::string& base) {
  try {
    const tilora::ConvertOutcome outcome = tilora::ConvertFile(picture, base);
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
  Options options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.pictures.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return Finish(kExitOk);
    } else if (arg == "--version") {
      std::printf("tilora-convert %s\n", TILORA_VERSION);
      return Finish(kExitOk);
    } else if (arg == "--info") {
      options.info = true;
    } else if (arg == "--name" || arg.rfind("--name=", 0) == 0) {
      if (options.haveName) return UsageError("--name given twice");
      if (arg == "--name") {
        if (i + 1 >= argc) return UsageError("--name needs a base name");
        options.name = argv[++i];
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
  return Finish(allDone ? kExitOk : kExitFailed);
}
