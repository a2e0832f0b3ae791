#pragma once

// What the console preview's save commands write, without widgets: the
// conversion it shows, and a cartridge of the same settings, each as one
// output set.

#include <string>

#include "convert/convert_file.h"

namespace tilora::ui {

// Writes conversion, made from the picture opened as decoded, under base as
// tilora-convert would with settings; refused when the file has changed
// since it was opened.
Result<ConvertedFiles> SaveConversion(const DecodedFile& decoded, const Conversion& conversion,
                                      const std::string& base, const ConversionSettings& settings);

// Converts the opened picture with settings and writes the cartridge that
// shows it to rom, alone, as one output set: nothing half-written is left
// on a failure, and a refusal of the cartridge builder writes nothing.
Result<ConvertedFiles> SaveCartridge(const DecodedFile& decoded, const ConversionSettings& settings,
                                     const std::string& rom);

}  // namespace tilora::ui
