#pragma once

// A sprite sheet as the console preview shows it: each frame drawn from its
// objects, tiles and sub-palettes as the console draws it, and the object
// name tables.

#include <cstdint>

#include "snes/sprites/sprite_sheet.h"
#include "ui/console_preview/console_preview_model.h"

namespace tilora::ui {

// Fills rendering's view, outlines and tile sheet from a sheet converted
// with settings from a picture of width x height; a frame that cannot be
// drawn is a refusal of kind Internal.
void ShowSprites(const sprites::SpriteSheet& sheet, const sprites::SpriteSettings& settings, std::int32_t width,
                 std::int32_t height, ConsoleRendering& rendering);

// Transparent pixels, in squares of kCheckerSide of two greys.
inline constexpr int kCheckerSide = 4;
QRgb TransparentAt(int x, int y);

}  // namespace tilora::ui
