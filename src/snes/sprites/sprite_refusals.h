#pragma once

// The texts of every refusal of the sprite conversion, in one place so they
// read alike. Frames are named by their top-left pixel on the sheet.

#include <cstdint>
#include <string>

#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites::refusals {

std::string FrameSizeOutOfRange(int width, int height);
std::string SizesNotAPair(ObjectSizes sizes);
std::string PriorityOutOfRange(int priority);
std::string PalettesOutOfRange(int palettes);
std::string ColoursOutOfRange(int colours);
std::string OriginOutsideFrame(int x, int y, int width, int height);

Failure SheetNotWholeFrames(std::int32_t width, std::int32_t height, int frameWidth, int frameHeight);
Failure TooManyFrames(std::int64_t frames);
Failure NoPalettesForTruecolour();
Failure IndexPastReach(std::int32_t frameX, std::int32_t frameY, std::int32_t x, std::int32_t y, unsigned index);
Failure TooManyObjects(std::int32_t frameX, std::int32_t frameY);
Failure PalettesDoNotFit(int best, int palettes, int colours);
Failure TooManyTiles(int needed, std::int32_t frameX, std::int32_t frameY);
Failure Internal(const std::string& what);

}  // namespace tilora::sprites::refusals
