#include "convert/limits.h"

namespace tilora {

PictureGeometry GeometryOf(const PictureHeaderRecord& header, int depth) {
  PictureGeometry g;
  g.width = header.Width;
  g.topDown = header.Height < 0;
  g.rows = g.topDown ? -static_cast<std::int64_t>(header.Height) : header.Height;
  const std::int64_t width = g.width > 0 ? g.width : 0;
  g.rowBytes = depth == 4 ? (width + 1) / 2 : width;
  g.stride = (g.rowBytes + 3) / 4 * 4;
  g.tileSize = depth == 4 ? 32 : 64;
  g.tilesAcross = (width + 7) / 8;
  g.tilesDown = (g.rows + 7) / 8;
  g.tileBytes = g.tilesAcross * g.tilesDown * g.tileSize;
  g.paletteEntries = depth == 4 ? 16 : 256;
  return g;
}

std::optional<std::string> LimitNotice(const PictureHeaderRecord& header, int depth) {
  const PictureGeometry g = GeometryOf(header, depth);
  if (header.Width <= 0 || header.Width > kPlaneWidth)
    return "The picture is " + std::to_string(header.Width) +
           " pixels wide; only widths from 1 to " + std::to_string(kPlaneWidth) + " are converted.";
  if (g.rows == 0 || g.rows > kPlaneHeight)
    return "The picture is " + std::to_string(header.Height) +
           " pixels high; only heights from 1 to " + std::to_string(kPlaneHeight) +
           " (negative when stored top row first) are converted.";
  const std::int64_t capacity = static_cast<std::int64_t>(kTileBufferSize) / g.tileSize;
  if (g.tilesAcross * g.tilesDown > capacity)
    return "The picture needs " + std::to_string(g.tilesAcross * g.tilesDown) + " tiles; at most " +
           std::to_string(capacity) + " are converted at " + std::to_string(depth) + " bits per pixel.";
  if (header.DataOffset < 0)
    return "The pixel data offset " + std::to_string(header.DataOffset) + " is negative.";
  return std::nullopt;
}

}  // namespace tilora
