#include <bitset>

#include "snes/cells/block_scan.h"
#include "snes/cells/cell_scan.h"
#include "snes/encoders/block_layout.h"
#include "snes/encoders/map_layout.h"
#include "snes/encoders/console_encoding.h"
#include "snes/cells/tile_dictionary.h"
#include "snes/readback/readback.h"

namespace tilora {

namespace {

// The 16 x 16 blocks counted as the block map encoder finds them.
std::optional<Failure> CountBlocks(const Picture& picture, const cells::Depth& depth, TileFigures& figures) {
  const std::int32_t across = EntriesFor(picture.width, 16);
  const std::int32_t down = EntriesFor(picture.height, 16);
  figures.cells = across * down;
  cells::BlockDictionary exact(false);
  cells::BlockDictionary withFlips(true);
  cells::Block k;
  for (std::int32_t by = 0; by < down; ++by) {
    for (std::int32_t bx = 0; bx < across; ++bx) {
      int block = -1;
      if (auto refusal = cells::SplitBlock(picture, depth, bx, by, k, block)) return refusal;
      exact.Place(k);
      withFlips.Place(k);
      if (block >= 0) figures.subPalettes = static_cast<std::uint8_t>(figures.subPalettes | 1U << block);
    }
  }
  figures.distinctTiles = static_cast<int>(exact.Size());
  figures.distinctWithFlips = static_cast<int>(withFlips.Size());
  figures.laidOutTiles = static_cast<int>(BlockTableTiles(withFlips.Size()));
  figures.unusedTiles = figures.laidOutTiles - 4 * figures.distinctWithFlips;
  return std::nullopt;
}

}  // namespace

std::variant<TileFigures, Failure> FiguresOf(const Picture& picture, int bpp, int tileSize) {
  if (bpp != 2 && bpp != 4 && bpp != 8)
    return UsageFailure("The output depth must be 2, 4 or 8 bpp, not " + std::to_string(bpp) + ".");
  if (tileSize != 8 && tileSize != 16)
    return UsageFailure("Tiles are 8x8 or 16x16, not " + std::to_string(tileSize) + " pixels a side.");
  const cells::Depth depth = cells::Depth::Of(bpp);
  if (auto refusal = cells::CheckPicture(picture, depth)) return *refusal;
  TileFigures figures;
  figures.tileSize = tileSize;
  figures.paletteEntries = static_cast<int>(picture.palette.size());
  std::bitset<256> used;
  for (const std::uint8_t index : picture.indices) used.set(index);
  figures.coloursUsed = static_cast<int>(used.count());
  if (tileSize == 16) {
    if (auto refusal = CountBlocks(picture, depth, figures)) return *refusal;
    return figures;
  }
  figures.cells = cells::CellsAcross(picture) * cells::CellsDown(picture);

  const std::size_t expected = std::min<std::size_t>(static_cast<std::size_t>(figures.cells), 1024);
  cells::TileDictionary exact(expected, false);
  cells::TileDictionary withFlips(expected, true);
  const auto count = [&](std::int32_t, std::int32_t, const cells::CellRows& k, int block) {
    exact.Place(k);
    withFlips.Place(k);
    if (block >= 0) figures.subPalettes = static_cast<std::uint8_t>(figures.subPalettes | 1U << block);
    return true;
  };
  if (auto mixed = cells::ForEachSplitCell(picture, depth, count)) return *mixed;
  figures.distinctTiles = static_cast<int>(exact.Size());
  figures.distinctWithFlips = static_cast<int>(withFlips.Size());
  figures.laidOutTiles = figures.distinctWithFlips;
  return figures;
}

}  // namespace tilora
