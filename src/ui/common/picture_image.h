#pragma once

#include <QImage>

#include "picture/picture.h"

namespace tilora::ui {

// A picture value as Qt draws it, in the colours of its file (alpha kept
// where the file has it).
QImage ImageOf(const Picture& picture);

// An image of colours, as the readback draws the outputs.
QImage ImageOf(const RgbImage& image);

}  // namespace tilora::ui
