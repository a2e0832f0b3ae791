#pragma once

// One conversion of a picture value: settings in, the outputs' bytes or one
// failure out. No files: ConvertFile (convert_file.h) reads and writes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/settings.h"
#include "io/failure.h"
#include "picture/picture.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

class RowsArriving;

struct Conversion {
  EncodedOutputs encoded;              // tiles, map, palette or video memory, at encoded.bpp
  std::vector<std::uint8_t> preview;   // PNG of the console's view, when settings.preview names one
  std::vector<std::uint8_t> swatches;  // PNG of the sub-palettes, when settings.palettePng names one
  std::vector<std::uint8_t> tileSheet;  // PNG of the stored tiles, when settings.tilesPng names one
  std::vector<std::uint8_t> rom;       // the cartridge, when settings.rom names one
  // Sprites: the sheet's objects and frames (tiles and palette are in
  // encoded), their tables, and the tables as ca65 source when asked.
  std::optional<sprites::SpriteSheet> sprites;
  std::vector<std::uint8_t> oam;
  std::vector<std::uint8_t> oamAsm;
  int subPalettesMade = 0;             // generated ones; 0 when the picture's own table was used
  bool reduced = false;                // colours changed to fit the sub-palettes
  double meanDeltaE = 0;
  double worstDeltaE = 0;
  // What the user should know of a conversion that succeeded, or empty.
  std::string report;
};

// Converts the picture: the settings checked, the depth decided, sub-palettes
// made where asked, the tiles encoded and checked against the picture. With
// arriving, an indexed picture's rows are still being decoded by another
// thread (see EncodeForConsole).
Result<Conversion> Convert(const Picture& picture, const ConversionSettings& settings,
                           const RowsArriving* arriving = nullptr);

// The files a conversion writes, in the order they are put in place:
// base + ".plt", base + ".bin" and base + ".map" (or mode 7's base + ".vram"
// alone), then the preview, the swatches, the tile sheet and the cartridge
// under their own names.
struct NamedOutput {
  std::string name;
  const std::vector<std::uint8_t>* bytes;
};
std::vector<NamedOutput> OutputsOf(const Conversion& conversion, const std::string& base,
                                   const ConversionSettings& settings);
// Their names alone.
std::vector<std::string> OutputNames(const std::string& base, const ConversionSettings& settings);

}  // namespace tilora
