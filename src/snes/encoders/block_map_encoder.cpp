#include <algorithm>
#include <optional>

#include "snes/cells/block_dictionary.h"
#include "snes/cells/block_scan.h"
#include "snes/cells/cell_scan.h"
#include "snes/cells/encode_refusals.h"
#include "snes/encoders/block_layout.h"
#include "snes/encoders/console_encoders.h"
#include "snes/encoders/console_palette.h"
#include "snes/encoders/map_entry.h"
#include "snes/encoders/map_layout.h"
#include "snes/encoders/planar_tiles.h"
#include "picture/limits.h"

namespace tilora {
namespace {

using cells::Block;
using cells::CellRows;

constexpr int kTileLimit = limits::kMaxMapTiles;

std::vector<std::uint8_t> LaidOutTiles(const cells::BlockDictionary& dictionary, int bpp) {
  const std::size_t size = PlanarTileSize(bpp);
  std::vector<std::uint8_t> tiles(BlockTableTiles(dictionary.Size()) * size);
  std::uint8_t pixels[64];
  for (std::size_t b = 0; b < dictionary.Size(); ++b) {
    for (unsigned i = 0; i < 4; ++i) {
      cells::ToBytes(dictionary.At(b).cell[i], pixels);
      EncodePlanarTile(pixels, 8, bpp, tiles.data() + BlockCellTile(BlockFirstTile(b), i) * size);
    }
  }
  return tiles;
}


}  // namespace

EncodeResult EncodeBlockMap(const Picture& picture, int bpp, const TileOptions& options) {
  const std::int32_t across = EntriesFor(picture.width, 16);
  const std::int32_t down = EntriesFor(picture.height, 16);
  const auto layoutOrRefusal = MapLayoutFor(across, down, options.screens, 16);
  if (const auto* refusal = std::get_if<Failure>(&layoutOrRefusal)) return *refusal;
  const MapLayout layout = std::get<MapLayout>(layoutOrRefusal);

  cells::BlockDictionary dictionary(options.flips);
  if (options.blankTile) dictionary.BlankBlock();
  const auto tileBase = static_cast<std::uint32_t>(options.tileBase);
  const auto word = [&](std::uint32_t b, int palette, unsigned flip) {
    const std::uint32_t tile = (BlockFirstTile(b) + tileBase) & 0x3FFU;
    return MapWordOf({tile, static_cast<unsigned>(palette), options.priority, flip});
  };

  std::vector<std::uint16_t> words(layout.Entries());
  std::uint8_t subPalettes = 0;
  std::optional<TilePosition> firstPast;
  const cells::Depth depth = cells::Depth::Of(bpp);
  Block k;
  for (std::int32_t by = 0; by < down; ++by) {
    for (std::int32_t bx = 0; bx < across; ++bx) {
      int block = -1;
      if (auto refusal = cells::SplitBlock(picture, depth, bx, by, k, block)) return *refusal;
      const cells::Placement at = dictionary.Place(k);
      if (!firstPast && BlockTableTiles(at.tile + 1) + tileBase > kTileLimit)
        firstPast = TilePosition{16 * bx, 16 * by};
      const int palette = std::max(block, 0) + options.paletteBase;
      if (palette > 7) return refusals::PalettePastLast(16 * bx, 16 * by, block, options.paletteBase, 16);
      if (block >= 0) subPalettes = static_cast<std::uint8_t>(subPalettes | 1U << block);
      words[layout.IndexOf(bx, by)] = word(at.tile, palette, at.flip);
    }
  }
  if (layout.Entries() > static_cast<std::size_t>(across) * static_cast<std::size_t>(down)) {
    // Entries beyond the picture show an all-colour-0 block, the picture's
    // own if it has one.
    const std::uint16_t blank = word(dictionary.BlankBlock(), options.paletteBase, cells::kNoFlip);
    for (std::int32_t by = 0; by < layout.rows; ++by)
      for (std::int32_t bx = by < down ? across : 0; bx < layout.columns; ++bx) words[layout.IndexOf(bx, by)] = blank;
  }
  const std::size_t tableTiles = BlockTableTiles(dictionary.Size());
  if (tableTiles + tileBase > kTileLimit)
    return refusals::TooManyBlockTiles(dictionary.Size(), tableTiles, options.tileBase, firstPast);

  EncodedOutputs out;
  out.bpp = bpp;
  out.tiles = LaidOutTiles(dictionary, bpp);
  out.map = WordBytes(words);
  out.palette = PaletteFor(picture, bpp, subPalettes);
  out.tileCount = static_cast<int>(tableTiles);
  out.unusedTiles = static_cast<int>(tableTiles - 4 * dictionary.Size());
  out.mapColumns = layout.columns;
  out.mapRows = layout.rows;
  out.subPalettes = subPalettes;
  return out;
}

}  // namespace tilora
