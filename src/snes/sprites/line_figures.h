#pragma once

// How busy a frame's lines are: the console draws at most 32 objects and
// 34 8-pixel slivers of them on one line, and counts an object on every
// line it spans, where it is transparent too.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "snes/sprites/frame_cover.h"

namespace tilora::sprites {

FrameFigures FiguresOf(const std::vector<Placement>& objects);

// The warning for a frame past the console's limits on one line, or nothing.
std::optional<std::string> LineWarning(std::int32_t frameX, std::int32_t frameY, const FrameFigures& figures);

}  // namespace tilora::sprites
