#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tilora {

inline constexpr std::int64_t kMaxWidth = 8192;
inline constexpr std::int64_t kMaxHeight = 4096;
// Bytes of tile data one conversion makes at the most.
inline constexpr std::int64_t kMaxTileBytes = std::int64_t{1} << 20;

// Why a picture of this size cannot be read at all, or nothing when it can.
// height is as the file gives it: negative for rows stored top first.
std::optional<std::string> SizeNotice(std::int64_t width, std::int64_t height);

// Why a picture of this size cannot be converted into plain tile data at bpp
// bits per pixel, or nothing when it can. height is as the file gives it: negative for rows
// stored top first.
std::optional<std::string> LimitNotice(std::int64_t width, std::int64_t height, int bpp);

}  // namespace tilora
