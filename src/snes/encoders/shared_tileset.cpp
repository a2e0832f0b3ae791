#include "snes/encoders/shared_tileset.h"

#include <algorithm>
#include <optional>

#include "picture/limits.h"
#include "snes/cells/cell_scan.h"
#include "snes/cells/encode_refusals.h"
#include "snes/encoders/map_entry.h"
#include "snes/encoders/map_layout.h"
#include "snes/encoders/planar_tiles.h"

namespace tilora {
namespace {

constexpr int kTileLimit = limits::kMaxMapTiles;


}  // namespace

cells::CellRows ReadPlanarTile(const std::uint8_t* tile, int bpp) {
  std::uint8_t pixels[64] = {};
  for (int plane = 0; plane < bpp; ++plane)
    for (int row = 0; row < 8; ++row) {
      const std::uint8_t bits = tile[16 * (plane / 2) + 2 * row + plane % 2];
      for (int x = 0; x < 8; ++x)
        pixels[8 * row + x] = static_cast<std::uint8_t>(pixels[8 * row + x] | ((bits >> (7 - x)) & 1) << plane);
    }
  cells::CellRows cell;
  for (int row = 0; row < 8; ++row) cell.row[row] = cells::LoadRow(pixels + 8 * row);
  return cell;
}

SharedTileset::SharedTileset(int bpp, const TileOptions& options, std::span<const std::uint8_t> existingTiles)
    : bpp_(bpp),
      options_(options),
      existingBytes_(existingTiles.begin(), existingTiles.end()),
      existing_(existingTiles.size() / PlanarTileSize(bpp)),
      dictionary_(kTileLimit + existing_, options.flips) {
  // Every existing tile keeps its number, repeats included; a cell equal to
  // several shows the first.
  for (std::size_t n = 0; n < existing_; ++n)
    dictionary_.Add(ReadPlanarTile(existingBytes_.data() + n * PlanarTileSize(bpp), bpp));
  if (options.blankTile) dictionary_.BlankTile();
}

std::variant<SharedMap, Failure> SharedTileset::Add(const Picture& picture) {
  const cells::Depth depth = cells::Depth::Of(bpp_);
  if (auto refusal = cells::CheckPicture(picture, depth)) return *refusal;
  const std::int32_t across = cells::CellsAcross(picture);
  const std::int32_t down = cells::CellsDown(picture);
  const auto layoutOrRefusal = MapLayoutFor(across, down, options_.screens);
  if (const auto* refusal = std::get_if<Failure>(&layoutOrRefusal)) return *refusal;
  const MapLayout layout = std::get<MapLayout>(layoutOrRefusal);

  const std::size_t before = dictionary_.Size();
  const auto tileBase = static_cast<std::uint32_t>(options_.tileBase);
  const auto entry = [&](std::uint32_t tile, int palette, unsigned flip) {
    return MapWordOf({(tile + tileBase) & 0x3FFU, static_cast<unsigned>(palette), options_.priority, flip});
  };
  std::vector<std::uint16_t> words(layout.Entries());
  std::uint8_t subPalettes = 0;
  std::optional<Failure> refusal;
  std::optional<TilePosition> firstPast;
  const auto place = [&](std::int32_t cx, std::int32_t cy, const cells::CellRows& k, int block) {
    const cells::Placement at = dictionary_.Place(k);
    if (!firstPast && at.tile + tileBase >= kTileLimit) firstPast = TilePosition{8 * cx, 8 * cy};
    const int palette = std::max(block, 0) + options_.paletteBase;
    if (palette > 7) {
      refusal = refusals::PalettePastLast(8 * cx, 8 * cy, block, options_.paletteBase);
      return false;
    }
    if (block >= 0) subPalettes = static_cast<std::uint8_t>(subPalettes | 1U << block);
    words[layout.IndexOf(cx, cy)] = entry(at.tile, palette, at.flip);
    return true;
  };
  if (auto mixed = cells::ForEachSplitCell(picture, depth, place)) return *mixed;
  if (refusal) return *refusal;
  if (layout.Entries() > static_cast<std::size_t>(across) * static_cast<std::size_t>(down)) {
    // Entries beyond the picture show an all-colour-0 tile, a stored one
    // where there is one.
    const std::uint16_t blank = entry(dictionary_.BlankTile(), options_.paletteBase, cells::kNoFlip);
    for (std::int32_t cy = 0; cy < layout.rows; ++cy)
      for (std::int32_t cx = cy < down ? across : 0; cx < layout.columns; ++cx) words[layout.IndexOf(cx, cy)] = blank;
  }
  if (dictionary_.Size() + tileBase > kTileLimit)
    return refusals::TooManySharedTiles(dictionary_.Size(), existing_, options_.tileBase, firstPast);

  SharedMap out;
  out.map = WordBytes(words);
  out.columns = layout.columns;
  out.rows = layout.rows;
  out.subPalettes = subPalettes;
  out.tilesAdded = static_cast<int>(dictionary_.Size() - before);
  return out;
}

std::vector<std::uint8_t> SharedTileset::Tiles() const {
  const std::size_t size = PlanarTileSize(bpp_);
  std::vector<std::uint8_t> tiles(existingBytes_);
  tiles.resize(dictionary_.Size() * size);
  std::uint8_t pixels[64];
  for (std::size_t n = existing_; n < dictionary_.Size(); ++n) {
    cells::ToBytes(dictionary_.Tile(n), pixels);
    EncodePlanarTile(pixels, 8, bpp_, tiles.data() + n * size);
  }
  return tiles;
}

}  // namespace tilora
