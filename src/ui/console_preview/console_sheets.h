#pragma once

// The palette as the console preview shows it: swatches with a border.

#include <QImage>

#include "snes/readback/sheets.h"

namespace tilora::ui {

// One sub-palette a row (16 a row at 8 bpp), each a square of kSwatchSide
// pixels with a dark border.
QImage SwatchImage(const SwatchGrid& grid);

}  // namespace tilora::ui
