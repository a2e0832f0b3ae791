#pragma once

// --max-tiles: the most tiles a conversion's tile data may hold, and the
// cell where a picture first needs one past them.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "io/failure.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

// The first cell of the picture, in reading order, that shows a stored tile
// numbered tile or above (the tile base taken off): where that tile first
// appears, as tiles are stored in order of first appearance. Plain tiles
// show tile n at cell n.
std::optional<TilePosition> FirstCellShowingTile(const EncodedOutputs& encoded, const TileOptions& options,
                                                 std::int32_t width, std::int32_t height, std::size_t tile);

// The refusal of one picture's outputs that hold more tiles than budget (a
// positive number), naming the cell of the first past it; nothing when
// they fit.
std::optional<Failure> OverTileBudget(const EncodedOutputs& encoded, const TileOptions& options, std::int32_t width,
                                      std::int32_t height, int budget);

}  // namespace tilora
