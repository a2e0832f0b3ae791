#include "snes/cells/encode_refusals.h"

#include <string>

namespace tilora::refusals {
namespace {

std::string At(std::int32_t x, std::int32_t y) { return std::to_string(x) + "," + std::to_string(y); }

Failure OfPicture(std::string message, std::optional<TilePosition> tile = std::nullopt) {
  return tilora::Refused(std::move(message), tile);
}

Failure OfTile(std::string message, std::int32_t x, std::int32_t y) {
  return OfPicture(std::move(message), TilePosition{x, y});
}

}  // namespace

Failure NotIndexed() { return OfPicture("The picture has no colour table; tiles need a picture of colour indices."); }

Failure PixelsDoNotMatchSize() {
  return Internal("the picture holds a different number of pixels than its size gives");
}

Failure IndexPastReach(std::int32_t x, std::int32_t y, unsigned index, int bpp) {
  const int perBlock = 1 << bpp;
  return OfTile("The tile at " + At(x, y) + " uses colour " + std::to_string(index) + "; at " + std::to_string(bpp) +
                    " bpp only colours 0-" + std::to_string(8 * perBlock - 1) + " fit (8 sub-palettes of " +
                    std::to_string(perBlock) + ").",
                x, y);
}

Failure MixedSubPalettes(std::int32_t x, std::int32_t y, int first, int second) {
  return OfTile("The tile at " + At(x, y) + " mixes sub-palettes " + std::to_string(first) + " and " +
                    std::to_string(second) +
                    "; a tile's colours must come from one sub-palette (colour 0 of any fits).",
                x, y);
}

Failure MixedBlockSubPalettes(std::int32_t x, std::int32_t y, int first, int second) {
  return OfTile("The 16x16 tile at " + At(x, y) + " mixes sub-palettes " + std::to_string(first) + " and " +
                    std::to_string(second) +
                    "; its four 8x8 tiles share one map entry, so their colours must come from one sub-palette "
                    "(colour 0 of any fits).",
                x, y);
}

Failure SeveralSubPalettesWithoutMap(std::int32_t x0, std::int32_t y0, int first, std::int32_t x1, std::int32_t y1,
                                     int second) {
  // The second tile is where the picture turns to another sub-palette.
  return OfTile("The picture uses sub-palettes " + std::to_string(first) + " and " + std::to_string(second) +
                    " (tiles at " + At(x0, y0) + " and " + At(x1, y1) +
                    "); without a map the sub-palette of each tile would be lost.",
                x1, y1);
}

Failure TooManyTiles(std::size_t needed, int tileBase, std::optional<TilePosition> firstPast) {
  return OfPicture("The picture needs " + std::to_string(needed) + " distinct tiles; at most " +
                       std::to_string(1024 - tileBase) + " fit the map (tile base " + std::to_string(tileBase) + ").",
                   firstPast);
}

Failure TooManySharedTiles(std::size_t tiles, std::size_t existing, int tileBase,
                           std::optional<TilePosition> firstPast) {
  const std::string already = existing ? " (" + std::to_string(existing) + " of them already in video memory)" : "";
  return OfPicture("This picture brings the tiles to " + std::to_string(tiles) + already + "; at most " +
                       std::to_string(1024 - tileBase) + " fit the map (tile base " + std::to_string(tileBase) + ").",
                   firstPast);
}

Failure TooManyBlockTiles(std::size_t blocks, std::size_t tableTiles, int tileBase,
                          std::optional<TilePosition> firstPast) {
  return OfPicture("The picture needs " + std::to_string(blocks) + " distinct 16x16 tiles, laid out in " +
                       std::to_string(tableTiles) + " tiles; at most " + std::to_string(1024 - tileBase) +
                       " fit the map (tile base " + std::to_string(tileBase) + ").",
                   firstPast);
}

Failure PalettePastLast(std::int32_t x, std::int32_t y, int block, int paletteBase, int tileSize) {
  return OfTile(std::string(tileSize == 16 ? "The 16x16 tile at " : "The tile at ") + At(x, y) + " uses sub-palette " +
                    std::to_string(block) + "; with palette base " +
                    std::to_string(paletteBase) + " it would need palette " + std::to_string(block + paletteBase) +
                    ", past the last (7).",
                x, y);
}

Failure TooLargeForScreens(std::int64_t columns, std::int64_t rows, int tileSize) {
  const std::string tiles = tileSize == 16 ? " 16x16 tiles" : " tiles";
  const std::string side = std::to_string(64 * tileSize);
  return OfPicture("The picture is " + std::to_string(columns) + " x " + std::to_string(rows) + tiles +
                   "; screens hold at most 64 x 64" + tiles + " (" + side + " x " + side + " pixels).");
}

Failure TooLargeForMode7(std::int32_t width, std::int32_t height) {
  return OfPicture("The picture is " + std::to_string(width) + " x " + std::to_string(height) +
                   " pixels; mode 7 holds at most 1024 x 1024.");
}

Failure TooManyMode7Tiles(std::size_t needed, std::optional<TilePosition> firstPast) {
  return OfPicture("The picture needs " + std::to_string(needed) + " distinct tiles; mode 7 holds at most 256.",
                   firstPast);
}

Failure Internal(const std::string& what) { return InternalFailure(what + "."); }

Failure RowsStopped() { return Internal("the picture's rows stopped arriving"); }

}  // namespace tilora::refusals
