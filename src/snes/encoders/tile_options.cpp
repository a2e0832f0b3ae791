#include <string>

#include "snes/encoders/console_encoding.h"

namespace tilora {
namespace {

// The first of the map's own options that is set, by its name in a
// sentence; nothing when none is.
const char* MapOnlyOptionSet(const TileOptions& options) {
  if (options.tileBase != 0) return "A tile base";
  if (options.paletteBase != 0) return "A palette base";
  if (options.priority) return "Priority";
  if (options.blankTile) return "A blank tile";
  if (options.screens) return "The screen layout";
  return nullptr;
}

}  // namespace

std::optional<std::string> OptionsProblem(const TileOptions& options) {
  if (options.interleave && !options.mode7) return "Interleaving applies only to mode 7.";
  if (options.mode7) {
    if (const char* option = MapOnlyOptionSet(options)) return std::string(option) + " does not apply in mode 7.";
    return std::nullopt;
  }
  if (options.bpp != 2 && options.bpp != 4 && options.bpp != 8)
    return "The output depth must be 2, 4 or 8 bpp, not " + std::to_string(options.bpp) + ".";
  if (options.tileBase < 0 || options.tileBase > 1023)
    return "The tile base must lie in 0-1023, not " + std::to_string(options.tileBase) + ".";
  if (options.paletteBase < 0 || options.paletteBase > 7)
    return "The palette base must lie in 0-7, not " + std::to_string(options.paletteBase) + ".";
  if (!options.map) {
    if (const char* option = MapOnlyOptionSet(options)) return std::string(option) + " applies only to map output.";
    if (!options.flips) return "Turning flips off applies only to map output.";
    return std::nullopt;
  }
  if (options.bpp == 8 && options.paletteBase != 0)
    return "A palette base does not apply at 8 bpp: its map entries have no palette field.";
  return std::nullopt;
}

}  // namespace tilora
