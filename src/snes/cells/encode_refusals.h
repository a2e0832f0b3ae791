#pragma once

// The texts of every refusal of the console encoders, in one place so they
// read alike. Positions are the pixel position of a tile's top-left corner.

#include <cstdint>
#include <optional>

#include "snes/encoders/console_encoding.h"

namespace tilora::refusals {

Failure NotIndexed();
Failure PixelsDoNotMatchSize();
Failure IndexPastReach(std::int32_t x, std::int32_t y, unsigned index, int bpp);
Failure MixedSubPalettes(std::int32_t x, std::int32_t y, int first, int second);
// The same for a 16 x 16 block, whose four tiles share one map entry.
Failure MixedBlockSubPalettes(std::int32_t x, std::int32_t y, int first, int second);
Failure SeveralSubPalettesWithoutMap(std::int32_t x0, std::int32_t y0, int first, std::int32_t x1, std::int32_t y1,
                                     int second);
// firstPast: the first cell whose tile lies past the limit, if a cell's does.
Failure TooManyTiles(std::size_t needed, int tileBase, std::optional<TilePosition> firstPast = std::nullopt);
// A picture that brings a tileset shared with earlier pictures (and with
// existing tiles already in video memory) past what the map can number.
Failure TooManySharedTiles(std::size_t tiles, std::size_t existing, int tileBase,
                           std::optional<TilePosition> firstPast);
// blocks distinct 16 x 16 blocks laid out in tableTiles tile numbers.
Failure TooManyBlockTiles(std::size_t blocks, std::size_t tableTiles, int tileBase,
                          std::optional<TilePosition> firstPast = std::nullopt);
Failure PalettePastLast(std::int32_t x, std::int32_t y, int block, int paletteBase, int tileSize = 8);
Failure TooLargeForScreens(std::int64_t columns, std::int64_t rows, int tileSize = 8);
Failure TooLargeForMode7(std::int32_t width, std::int32_t height);
Failure TooManyMode7Tiles(std::size_t needed, std::optional<TilePosition> firstPast = std::nullopt);
Failure Internal(const std::string& what);
// The rows of a picture still being decoded stopped before those needed; the
// decoding's own failure is the one to tell.
Failure RowsStopped();

}  // namespace tilora::refusals
