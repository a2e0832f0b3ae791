#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tilora::cli {

// Everything the command line can say, as given; the conversion's own
// options are made from it once it has been checked.
struct Options {
  bool help = false;
  bool version = false;
  bool info = false;
  std::optional<std::string> name;
  std::optional<std::string> preview;     // PNG of the picture as the console shows it
  std::optional<std::string> palettePng;  // PNG of the sub-palettes' swatches
  std::optional<std::string> rom;         // a cartridge that shows the outputs
  int bpp = 0;                            // 0: the picture's own
  bool map = false;
  bool noFlip = false;
  std::optional<int> tileBase;
  std::optional<int> paletteBase;
  bool priority = false;
  bool blankTile = false;
  bool screens = false;
  bool mode7 = false;
  bool interleave = false;
  std::optional<int> palettes;
  std::optional<int> colours;
  bool lossy = false;
  bool dither = false;
  std::optional<std::uint32_t> colourZero;  // 0xRRGGBB
  int jobs = 0;                              // 0: one per core
  std::vector<std::string> pictures;
};

// The options, or the usage error that stops the run (exit status 2).
struct Parsed {
  Options options;
  std::string error;
};

Parsed ParseOptions(const std::vector<std::string>& args);

}  // namespace tilora::cli
