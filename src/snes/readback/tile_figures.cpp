#include <bitset>

#include "snes/cells/cell_scan.h"
#include "snes/encoders/console_encoding.h"
#include "snes/cells/tile_dictionary.h"
#include "snes/readback/readback.h"

namespace tilora {

std::variant<TileFigures, Failure> FiguresOf(const Picture& picture, int bpp) {
  if (bpp != 2 && bpp != 4 && bpp != 8)
    return UsageFailure("The output depth must be 2, 4 or 8 bpp, not " + std::to_string(bpp) + ".");
  const cells::Depth depth = cells::Depth::Of(bpp);
  if (auto refusal = cells::CheckPicture(picture, depth)) return *refusal;
  TileFigures figures;
  figures.paletteEntries = static_cast<int>(picture.palette.size());
  std::bitset<256> used;
  for (const std::uint8_t index : picture.indices) used.set(index);
  figures.coloursUsed = static_cast<int>(used.count());
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
  return figures;
}

}  // namespace tilora
