// tilora-convert: the converter for build pipelines, on the same header
// reading, acceptance test and conversion as the window.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// Two pictures of one run whose outputs are the same files ("a.bmp a.BMP",
// "x/../a.bmp a.bmp"): the second would silently replace the first's.
// Names are compared resolved, as far as their folders exist.
std::optional<std::string> SharedOutputs(const std::vector<std::string>& pictures) {
  std::map<std::string, std::size_t> writer;  // output, resolved -> picture
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::string base = BaseOf(pictures[i]);
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
      return kExitOk;
    } else if (arg == "--version") {
      std::printf("tilora-convert %s\n", TILORA_VERSION);
      return kExitOk;
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
  if (!options.info)
    if (const auto shared = SharedOutputs(options.pictures)) return UsageError(*shared);

  bool allDone = true;
  for (const auto& picture : options.pictures) {
    const bool done = options.info ? Describe(picture)
                                   : Convert(picture, options.haveName ? options.name : BaseOf(picture));
    allDone = allDone && done;
  }
  return allDone ? kExitOk : kExitFailed;
}
