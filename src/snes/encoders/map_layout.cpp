#include "snes/encoders/map_layout.h"

#include "snes/cells/encode_refusals.h"

namespace tilora {

std::variant<MapLayout, Failure> MapLayoutFor(std::int32_t cellsAcross, std::int32_t cellsDown, bool screens,
                                              int tileSize) {
  if (!screens) return MapLayout{cellsAcross, cellsDown, false};
  if (cellsAcross > 64 || cellsDown > 64) return refusals::TooLargeForScreens(cellsAcross, cellsDown, tileSize);
  const auto screenSide = [](std::int32_t cells) { return cells <= 32 ? 32 : 64; };
  return MapLayout{screenSide(cellsAcross), screenSide(cellsDown), true};
}

}  // namespace tilora
