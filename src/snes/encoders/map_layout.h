#pragma once

// Where each cell's entry lies in the map: row-major, or in whole 32 x 32
// screens, screens left to right and then top to bottom, each row-major.

#include <cstddef>
#include <cstdint>
#include <variant>

#include "snes/encoders/console_encoding.h"

namespace tilora {

struct MapLayout {
  std::int32_t columns = 0;  // the map's size in cells
  std::int32_t rows = 0;
  bool screens = false;

  std::size_t Entries() const { return static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows); }

  std::size_t IndexOf(std::int32_t cx, std::int32_t cy) const {
    if (!screens)
      return static_cast<std::size_t>(cy) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(cx);
    const std::int32_t screen = (cy / 32) * (columns / 32) + cx / 32;
    return static_cast<std::size_t>(1024 * screen + 32 * (cy % 32) + cx % 32);
  }
};

// The layout of a map for a picture of cellsAcross x cellsDown cells (of
// tileSize pixels, 8 or 16, one entry each); with screens, each side
// rounded up to 32 or 64 cells, and refused beyond 64.
std::variant<MapLayout, Failure> MapLayoutFor(std::int32_t cellsAcross, std::int32_t cellsDown, bool screens,
                                              int tileSize = 8);

// Map entries a picture of width or height pixels needs one way.
constexpr std::int32_t EntriesFor(std::int64_t pixels, int tileSize) {
  return static_cast<std::int32_t>((pixels + tileSize - 1) / tileSize);
}

constexpr MapLayout kMode7Layout{128, 128, false};

}  // namespace tilora
