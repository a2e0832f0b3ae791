#pragma once

#include <cstdint>

#include "convert/settings.h"
#include "snes/encoders/console_encoding.h"
#include "snes/rom/rom_builder.h"

namespace tilora {

// The cartridge that shows the outputs of a picture of width x height, or
// why the console cannot; named in its header after the file it is
// written to (settings.rom).
rom::RomResult CartridgeOf(const EncodedOutputs& encoded, const ConversionSettings& settings, std::int32_t width,
                           std::int32_t height);

}  // namespace tilora
