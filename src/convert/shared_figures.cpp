#include <algorithm>

#include "convert/shared_conversion.h"
#include "snes/cells/tile_dictionary.h"
#include "snes/readback/output_reader.h"

namespace tilora {

SharedFigures FiguresOfShared(const SharedConversion& conversion) {
  SharedFigures figures;
  cells::TileDictionary exact(1024, false);
  cells::TileDictionary withFlips(1024, true);
  figures.tileBytes = conversion.tiles.size();
  for (std::size_t i = 0; i < conversion.pictures.size(); ++i) {
    const SharedPictureOutputs& picture = conversion.pictures[i];
    const EncodedOutputs outputs = conversion.OutputsOf(i);
    const OutputReader reader(outputs, conversion.options, picture.width, picture.height);
    const std::int32_t across = (picture.width + 7) / 8;
    const std::int32_t down = (picture.height + 7) / 8;
    cells::CellRows k;
    int block = 0;
    for (std::int32_t cy = 0; cy < down; ++cy)
      for (std::int32_t cx = 0; cx < across; ++cx) {
        ++figures.cells;
        if (!reader.Fault().empty() || !reader.Cell(cx, cy, k, block)) continue;
        exact.Place(k);
        withFlips.Place(k);
      }
    figures.subPalettes = static_cast<std::uint8_t>(figures.subPalettes | picture.subPalettes);
    figures.mapBytes += picture.map.size();
    figures.largestMap = std::max(figures.largestMap, picture.map.size());
  }
  figures.distinctTiles = static_cast<int>(exact.Size());
  figures.distinctWithFlips = static_cast<int>(withFlips.Size());
  return figures;
}

}  // namespace tilora
