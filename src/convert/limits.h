#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "convert/picture_header.h"

namespace tilora {

inline constexpr int kPlaneWidth = 8192;
inline constexpr int kPlaneHeight = 4096;
inline constexpr std::size_t kTileBufferSize = 1u << 20;

// Geometry of a picture at a supported depth, all in 64-bit arithmetic so a
// hostile header cannot overflow it.
struct PictureGeometry {
  std::int64_t width = 0;      // pixels
  std::int64_t rows = 0;       // |Height|
  bool topDown = false;        // negative Height: rows stored top first
  std::int64_t rowBytes = 0;   // bytes that hold a row's pixels
  std::int64_t stride = 0;     // rowBytes rounded up to a multiple of 4
  std::int64_t tileSize = 0;   // 32 or 64
  std::int64_t tilesAcross = 0;
  std::int64_t tilesDown = 0;
  std::int64_t tileBytes = 0;  // size of the tile-data file
  std::int64_t paletteEntries = 0;
};

PictureGeometry GeometryOf(const PictureHeaderRecord& header, int depth);

// Why a picture at depth 4 or 8 cannot be converted within the fixed
// buffers, or nothing when it can.
std::optional<std::string> LimitNotice(const PictureHeaderRecord& header, int depth);

}  // namespace tilora
