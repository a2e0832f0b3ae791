#pragma once

// Every size limit in one place: what the readers take, what one conversion
// makes, and what the console holds.

#include <cstdint>

namespace tilora::limits {

// Pictures read and converted: at most this wide and high (a bitmap stored
// top row first counts its height's magnitude).
inline constexpr std::int64_t kMaxWidth = 8192;
inline constexpr std::int64_t kMaxHeight = 4096;
// Bytes of plain tile data one conversion makes at the most.
inline constexpr std::int64_t kMaxTileBytes = std::int64_t{1} << 20;

// A PNG is read whole before it is decoded; none that fits the size limits
// comes near this.
inline constexpr std::int64_t kMaxPngFileBytes = std::int64_t{256} << 20;
// The largest side a PNG's header may give before anything else is read.
inline constexpr std::int32_t kMaxPngSide = 8192;
// The most pixels the bitmap reader takes, whatever its caller checked.
inline constexpr std::int64_t kMaxBmpPixels = std::int64_t{8192} * 8192;

// The console: tile numbers of a background map are 10 bits.
inline constexpr int kMaxMapTiles = 1024;
// Screens of 32 x 32 cells, at most 2 x 2 of them.
inline constexpr std::int32_t kScreenCells = 32;
inline constexpr std::int32_t kMaxScreenCells = 64;
// Mode 7: a 128 x 128 map of 256 tiles, 1024 x 1024 pixels.
inline constexpr std::int32_t kMode7Side = 1024;
inline constexpr int kMode7Tiles = 256;
// Eight sub-palettes; 256 colours of colour memory.
inline constexpr int kMaxSubPalettes = 8;
inline constexpr int kMaxColours = 256;
// 64 KiB of video memory.
inline constexpr std::int64_t kVideoMemoryBytes = 65536;
// Objects: 128 on the screen, 32 of them and 34 8-pixel slivers of them on
// one line, 512 tiles in the two name tables.
inline constexpr int kMaxObjects = 128;
inline constexpr int kLineObjects = 32;
inline constexpr int kLineSlivers = 34;
inline constexpr int kObjectTiles = 512;

// Tile data read back from a file: what one conversion makes at the most.
inline constexpr std::int64_t kMaxTileFileBytes = kMaxTileBytes;

}  // namespace tilora::limits
