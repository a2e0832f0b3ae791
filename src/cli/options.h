#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/settings.h"

namespace tilora::cli {

// Everything a command line asks for: the conversion's one settings value,
// and what only the converter has (the pictures, their base name, the jobs).
struct CommandLine {
  bool help = false;
  bool version = false;
  bool info = false;
  std::optional<std::string> name;  // base name of the outputs (one picture)
  // One tileset and palette for every picture, under this base name.
  std::optional<std::string> shared;
  std::optional<std::string> mapDir;  // --shared: the folder of the maps
  // Tiles and colour words already in video memory, kept first.
  std::string inTiles;
  std::string inPalette;
  ConversionSettings settings;
  int jobs = 0;  // 0: one per core
  // Files given after the options: pictures, or with render the files drawn
  // (TILES PALETTE [MAP]).
  std::vector<std::string> pictures;
  // Whether --sprites was given, and the options that need it, as given.
  bool spritesGiven = false;
  std::vector<std::string> spriteOptions;

  // A run that converts its pictures together, or builds on what is
  // already in video memory.
  bool Joint() const { return shared || !inTiles.empty() || !inPalette.empty(); }

  // The PNG --render writes, and how the files it reads lie.
  std::string render;
  int columns = 0;
  int width = 0;   // --size: 0 x 0 draws all the files cover
  int height = 0;
};

// The command line, or the usage error that stops the run (exit status 2).
struct Parsed {
  CommandLine command;
  std::string error;
};

Parsed ParseCommandLine(const std::vector<std::string>& args);

// --help, made from the same table the parser reads.
std::string UsageText();

}  // namespace tilora::cli
