#pragma once

// Pictures of encoded outputs for the console preview: the tile sheet as the
// tiles sit in video memory, and the palette as swatches.

#include <QImage>

#include "snes/encoders/console_encoding.h"

namespace tilora::ui {

// The stored tiles in order, columns across, each in the colours of the
// first sub-palette a map entry shows it in (colour 0 as the backdrop), or
// in grey levels of its colour numbers when grey is set or no entry shows it.
QImage TileSheetImage(const EncodedOutputs& outputs, const TileOptions& options, int columns, bool grey);

// The palette words as the console shows them, one sub-palette a row (16 a
// row at 8 bpp), each a square of kSwatchSide pixels.
QImage SwatchImage(const EncodedOutputs& outputs, const TileOptions& options);

// The console's picture as an image.
QImage ConsoleImage(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width, std::int32_t height);

}  // namespace tilora::ui
