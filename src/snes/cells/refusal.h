#pragma once

// Why a picture cannot be encoded as asked.

#include <cstdint>
#include <optional>
#include <string>

namespace tilora {

enum class RefusalKind {
  Picture,   // the picture does not fit the options
  Usage,     // the options contradict one another
  Internal,  // the outputs failed the self-check: a fault of ours
};

// The pixel position of a tile's top-left corner.
struct TilePosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const TilePosition&) const = default;
};

// A one-line text for the user; tile positions are pixel positions "x,y" of
// the tile's top-left corner.
struct Refusal {
  RefusalKind kind = RefusalKind::Picture;
  std::string message;
  // The tile to point at, so a window can mark it without reading the text:
  // the one the message names, or the first past a tile limit.
  std::optional<TilePosition> tile;
};

}  // namespace tilora
