#include <algorithm>
#include <optional>

#include "snes/cells/cell_scan.h"
#include "picture/limits.h"
#include "snes/encoders/console_encoders.h"
#include "snes/encoders/console_palette.h"
#include "snes/cells/encode_refusals.h"
#include "snes/encoders/map_layout.h"
#include "snes/cells/tile_dictionary.h"

namespace tilora {
namespace {

constexpr int kMode7Tiles = limits::kMode7Tiles;
constexpr std::int32_t kMode7Side = limits::kMode7Side;
constexpr std::size_t kVramBytes = 32768;

std::vector<std::uint8_t> ChunkyTilesOf(const cells::TileDictionary& dictionary) {
  std::vector<std::uint8_t> tiles(dictionary.Size() * 64);
  std::uint8_t pixels[64];
  for (std::size_t n = 0; n < dictionary.Size(); ++n) {
    cells::ToBytes(dictionary.Tile(n), pixels);
    std::copy(std::begin(pixels), std::end(pixels), tiles.begin() + static_cast<std::ptrdiff_t>(64 * n));
  }
  return tiles;
}

// Map bytes in the low bytes of the words, tile bytes in the high ones, as
// the console's video memory pairs them.
std::vector<std::uint8_t> Interleaved(const std::vector<std::uint8_t>& map, const std::vector<std::uint8_t>& tiles) {
  std::vector<std::uint8_t> vram(kVramBytes, 0);
  for (std::size_t i = 0; i < map.size(); ++i) vram[2 * i] = map[i];
  for (std::size_t i = 0; i < tiles.size(); ++i) vram[2 * i + 1] = tiles[i];
  return vram;
}

}  // namespace

EncodeResult EncodeMode7(const Picture& picture, const TileOptions& options) {
  if (picture.width > kMode7Side || picture.height > kMode7Side)
    return refusals::TooLargeForMode7(picture.width, picture.height);
  const std::int32_t across = cells::CellsAcross(picture);
  const std::int32_t down = cells::CellsDown(picture);
  cells::TileDictionary dictionary(kMode7Tiles, false);
  std::vector<std::uint8_t> map(kMode7Layout.Entries(), 0);
  std::uint8_t subPalettes = 0;
  std::optional<TilePosition> firstPast;
  cells::CellRows raw;
  for (std::int32_t cy = 0; cy < down; ++cy) {
    for (std::int32_t cx = 0; cx < across; ++cx) {
      cells::LoadCell(picture, cx, cy, raw);
      const cells::Placement at = dictionary.Place(raw);
      if (!firstPast && at.tile >= kMode7Tiles) firstPast = TilePosition{8 * cx, 8 * cy};
      map[kMode7Layout.IndexOf(cx, cy)] = static_cast<std::uint8_t>(at.tile);
      if (!(raw == cells::CellRows{})) subPalettes = 1;
    }
  }
  if (across < kMode7Layout.columns || down < kMode7Layout.rows) {
    const std::uint32_t tile = dictionary.BlankTile();
    for (std::int32_t cy = 0; cy < kMode7Layout.rows; ++cy)
      for (std::int32_t cx = cy < down ? across : 0; cx < kMode7Layout.columns; ++cx)
        map[kMode7Layout.IndexOf(cx, cy)] = static_cast<std::uint8_t>(tile);
  }
  if (dictionary.Size() > kMode7Tiles) return refusals::TooManyMode7Tiles(dictionary.Size(), firstPast);

  EncodedOutputs out;
  out.bpp = 8;
  out.tiles = ChunkyTilesOf(dictionary);
  out.map = std::move(map);
  if (options.interleave) out.vram = Interleaved(out.map, out.tiles);
  out.palette = PaletteFor(picture, 8, subPalettes);
  out.tileCount = static_cast<int>(dictionary.Size());
  out.mapColumns = kMode7Layout.columns;
  out.mapRows = kMode7Layout.rows;
  out.subPalettes = subPalettes;
  return out;
}

}  // namespace tilora
