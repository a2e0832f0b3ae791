#include <algorithm>
#include <bit>
#include <optional>

#include "snes/cells/cell_scan.h"
#include "picture/limits.h"
#include "snes/encoders/console_encoders.h"
#include "snes/encoders/console_palette.h"
#include "snes/cells/encode_refusals.h"
#include "snes/encoders/map_entry.h"
#include "snes/encoders/map_layout.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/cells/tile_dictionary.h"

namespace tilora {
namespace {

using cells::CellRows;

constexpr int kTileLimit = limits::kMaxMapTiles;


std::vector<std::uint8_t> PlanarTilesOf(const cells::TileDictionary& dictionary, int bpp) {
  const std::size_t size = PlanarTileSize(bpp);
  std::vector<std::uint8_t> tiles(dictionary.Size() * size);
  std::uint8_t pixels[64];
  for (std::size_t n = 0; n < dictionary.Size(); ++n) {
    cells::ToBytes(dictionary.Tile(n), pixels);
    EncodePlanarTile(pixels, 8, bpp, tiles.data() + n * size);
  }
  return tiles;
}

std::uint16_t MapWord(std::uint32_t tile, int palette, bool priority, unsigned flip) {
  return MapWordOf({tile, static_cast<unsigned>(palette), priority, flip});
}

}  // namespace

EncodeResult EncodeTilemap(const Picture& picture, int bpp, const TileOptions& options, const RowsArriving* arriving) {
  const std::int32_t across = cells::CellsAcross(picture);
  const std::int32_t down = cells::CellsDown(picture);
  const auto layoutOrRefusal = MapLayoutFor(across, down, options.screens);
  if (const auto* refusal = std::get_if<Failure>(&layoutOrRefusal)) return *refusal;
  const MapLayout layout = std::get<MapLayout>(layoutOrRefusal);

  const std::size_t cellCount = static_cast<std::size_t>(across) * static_cast<std::size_t>(down);
  cells::TileDictionary dictionary(std::min<std::size_t>(cellCount, kTileLimit), options.flips);
  if (options.blankTile) dictionary.BlankTile();

  std::vector<std::uint16_t> words(layout.Entries());
  std::uint8_t subPalettes = 0;
  std::optional<Failure> refusal;
  std::optional<TilePosition> firstPast;
  const auto place = [&](std::int32_t cx, std::int32_t cy, const CellRows& k, int block) {
    const cells::Placement at = dictionary.Place(k);
    if (!firstPast && at.tile + static_cast<std::uint32_t>(options.tileBase) >= kTileLimit)
      firstPast = TilePosition{8 * cx, 8 * cy};
    const int palette = std::max(block, 0) + options.paletteBase;
    if (palette > 7) {
      refusal = refusals::PalettePastLast(8 * cx, 8 * cy, block, options.paletteBase);
      return false;
    }
    if (block >= 0) subPalettes = static_cast<std::uint8_t>(subPalettes | 1U << block);
    const std::uint32_t tile = (at.tile + static_cast<std::uint32_t>(options.tileBase)) & 0x3FFU;
    words[layout.IndexOf(cx, cy)] = MapWord(tile, palette, options.priority, at.flip);
    return true;
  };
  const cells::Depth depth = cells::Depth::Of(bpp);
  const auto reach = [&](std::int32_t cy) -> std::optional<Failure> {
    return arriving ? cells::AwaitCellRow(picture, depth, *arriving, cy) : std::nullopt;
  };
  if (auto mixed = cells::ForEachSplitCell(picture, depth, place, reach)) return *mixed;
  if (refusal) return *refusal;

  if (layout.Entries() > cellCount) {
    // Entries beyond the picture show an all-colour-0 tile, the picture's
    // own if it has one.
    const std::uint32_t tile = dictionary.BlankTile();
    const std::uint16_t word = MapWord((tile + static_cast<std::uint32_t>(options.tileBase)) & 0x3FFU,
                                       options.paletteBase, options.priority, cells::kNoFlip);
    for (std::int32_t cy = 0; cy < layout.rows; ++cy)
      for (std::int32_t cx = cy < down ? across : 0; cx < layout.columns; ++cx) words[layout.IndexOf(cx, cy)] = word;
  }
  if (dictionary.Size() + static_cast<std::size_t>(options.tileBase) > kTileLimit)
    return refusals::TooManyTiles(dictionary.Size(), options.tileBase, firstPast);

  EncodedOutputs out;
  out.bpp = bpp;
  out.tiles = PlanarTilesOf(dictionary, bpp);
  out.map = WordBytes(words);
  out.palette = PaletteFor(picture, bpp, subPalettes);
  out.tileCount = static_cast<int>(dictionary.Size());
  out.mapColumns = layout.columns;
  out.mapRows = layout.rows;
  out.subPalettes = subPalettes;
  return out;
}

}  // namespace tilora
