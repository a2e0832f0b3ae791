#pragma once

// What the console preview's save commands write, without widgets: the
// conversion it shows, and a cartridge of the same settings, each as one
// output set.

#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "ui/console_preview/shared_set.h"

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

// The files a shared set writes under base, in the order they are put in
// place, as tilora-convert --shared base writes them: base.plt, base.bin,
// then each picture's map beside it (its name without its extension, and
// .map). pictures are the set's names as the outputs are to be named.
std::vector<std::string> SharedOutputNames(const std::string& base, const std::vector<std::string>& pictures);

// Writes a shared set's conversion as one output set under those names.
// Refused when a picture has changed since the set was read, and when an
// output would be one of the pictures.
Result<ConvertedFiles> SaveShared(const SharedSet& set, const SharedConversion& conversion, const std::string& base,
                                  const std::vector<std::string>& pictures);

// Converts the set with settings and writes the cartridge that shows its
// first picture, as tilora-convert --shared --rom does, alone, to rom.
Result<ConvertedFiles> SaveSharedCartridge(const SharedSet& set, const ConversionSettings& settings,
                                           const std::string& rom);

inline constexpr const char* kSetChangedNotice =
    "The picture has changed since the set was chosen. Choose the set again, then save it.";

}  // namespace tilora::ui
