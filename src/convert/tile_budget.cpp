#include "convert/tile_budget.h"

#include <string>

#include "snes/encoders/map_entry.h"
#include "snes/encoders/map_layout.h"

namespace tilora {

std::optional<TilePosition> FirstCellShowingTile(const EncodedOutputs& encoded, const TileOptions& options,
                                                 std::int32_t width, std::int32_t height, std::size_t tile) {
  const std::int32_t across = (width + 7) / 8;
  const std::int32_t down = (height + 7) / 8;
  if (across <= 0 || down <= 0) return std::nullopt;
  if (!options.map && !options.mode7) {
    const std::size_t cells = static_cast<std::size_t>(across) * static_cast<std::size_t>(down);
    if (tile >= cells) return std::nullopt;
    return TilePosition{static_cast<std::int32_t>(tile % static_cast<std::size_t>(across)) * 8,
                        static_cast<std::int32_t>(tile / static_cast<std::size_t>(across)) * 8};
  }
  MapLayout layout = kMode7Layout;
  if (!options.mode7) {
    const auto made = MapLayoutFor(across, down, options.screens);
    if (!std::holds_alternative<MapLayout>(made)) return std::nullopt;
    layout = std::get<MapLayout>(made);
  }
  const bool interleaved = options.mode7 && options.interleave;
  const std::vector<std::uint8_t>& bytes = interleaved ? encoded.vram : encoded.map;
  for (std::int32_t cy = 0; cy < down && cy < layout.rows; ++cy)
    for (std::int32_t cx = 0; cx < across && cx < layout.columns; ++cx) {
      const std::size_t i = layout.IndexOf(cx, cy);
      std::size_t shown = 0;
      if (options.mode7) {
        const std::size_t at = interleaved ? 2 * i : i;
        if (at >= bytes.size()) return std::nullopt;
        shown = bytes[at];
      } else {
        if (2 * i + 1 >= bytes.size()) return std::nullopt;
        // Numbers below the tile base wrap round, as the encoder wrote them.
        shown = (MapEntryOf(MapWordAt(bytes.data(), i)).tile - static_cast<unsigned>(options.tileBase)) & 0x3FFU;
      }
      if (shown >= tile) return TilePosition{8 * cx, 8 * cy};
    }
  return std::nullopt;
}

std::optional<Failure> OverTileBudget(const EncodedOutputs& encoded, const TileOptions& options, std::int32_t width,
                                      std::int32_t height, int budget) {
  if (budget <= 0 || encoded.tileCount <= budget) return std::nullopt;
  return Refused("The picture needs " + std::to_string(encoded.tileCount) + " tiles; --max-tiles allows " +
                     std::to_string(budget) + ".",
                 FirstCellShowingTile(encoded, options, width, height, static_cast<std::size_t>(budget)));
}

}  // namespace tilora
