#include <optional>

#include "encode/cell_scan.h"
#include "encode/console_encoders.h"
#include "encode/console_palette.h"
#include "encode/encode_refusals.h"
#include "encode/planar_tiles.h"

namespace tilora {
namespace {

bool AnyColour(const Picture& picture) {
  for (const std::uint8_t index : picture.indices)
    if (index != 0) return true;
  return false;
}

// The one sub-palette the tiles use (bit mask, 0 for none), or why there
// are several.
std::variant<std::uint8_t, Refusal> OnlySubPalette(const Picture& picture, int bpp) {
  if (bpp == 8) return static_cast<std::uint8_t>(AnyColour(picture) ? 1 : 0);
  int first = -1;
  std::int32_t firstX = 0;
  std::int32_t firstY = 0;
  std::optional<Refusal> refusal;
  const auto note = [&](std::int32_t cx, std::int32_t cy, const cells::CellRows&, int block) {
    if (block < 0 || block == first) return true;
    if (first < 0) {
      first = block;
      firstX = 8 * cx;
      firstY = 8 * cy;
      return true;
    }
    refusal = refusals::SeveralSubPalettesWithoutMap(firstX, firstY, first, 8 * cx, 8 * cy, block);
    return false;
  };
  if (auto mixed = cells::ForEachSplitCell(picture, cells::Depth::Of(bpp), note)) return *mixed;
  if (refusal) return *refusal;
  return static_cast<std::uint8_t>(first < 0 ? 0 : 1U << first);
}

}  // namespace

EncodeResult EncodePlainTiles(const Picture& picture, const TileOptions& options) {
  const auto subPalette = OnlySubPalette(picture, options.bpp);
  if (const auto* refusal = std::get_if<Refusal>(&subPalette)) return *refusal;
  EncodedOutputs out;
  out.subPalettes = std::get<std::uint8_t>(subPalette);
  // Index bits above the depth are the sub-palette's, which the tile encoder
  // leaves out.
  out.tiles = EncodePlanarTiles(picture, options.bpp);
  out.palette = PaletteFor(picture, options.bpp, out.subPalettes);
  out.tileCount = static_cast<int>(out.tiles.size() / PlanarTileSize(options.bpp));
  return out;
}

}  // namespace tilora
