#include "convert/limits.h"

#include "formats/picture_file.h"

namespace tilora {

std::optional<std::string> LimitNotice(std::int64_t width, std::int64_t height, int bpp) {
  if (auto notice = SizeNotice(width, height)) return notice;
  const std::int64_t rows = height < 0 ? -height : height;
  const std::int64_t tiles = (width + 7) / 8 * ((rows + 7) / 8);
  const std::int64_t capacity = kMaxTileBytes / (8 * bpp);
  if (tiles > capacity)
    return "The picture needs " + std::to_string(tiles) + " tiles; at most " + std::to_string(capacity) +
           " are converted at " + std::to_string(bpp) + " bits per pixel.";
  return std::nullopt;
}

}  // namespace tilora
