#pragma once

// The console preview's figures in plain words, one a line: a picture's
// tiles and what they take, a sprite sheet's frames, or a shared set's.

#include <QString>

#include "ui/console_preview/console_preview_model.h"

namespace tilora::ui {

QString FiguresText(const ConsoleRendering& rendering);

}  // namespace tilora::ui
