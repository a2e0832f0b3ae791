#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "picture/limits.h"

namespace tilora {

using limits::kMaxHeight;
using limits::kMaxTileBytes;
using limits::kMaxWidth;

// Why a picture of this size cannot be converted into plain tile data at bpp
// bits per pixel, or nothing when it can. height is as the file gives it: negative for rows
// stored top first.
std::optional<std::string> LimitNotice(std::int64_t width, std::int64_t height, int bpp);

}  // namespace tilora
