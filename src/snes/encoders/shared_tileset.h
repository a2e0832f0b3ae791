#pragma once

// One tileset for many pictures: each picture's cells are deduplicated
// against every tile stored so far, tiles already in video memory first,
// and each picture gets its own map. The pictures' indices are encoded as
// they are; their sub-palettes are decided before.

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "snes/cells/tile_dictionary.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

struct SharedMap {
  std::vector<std::uint8_t> map;  // 16-bit words, low byte first, as EncodedOutputs::map
  std::int32_t columns = 0;       // the map's size in cells
  std::int32_t rows = 0;
  std::uint8_t subPalettes = 0;   // bit b: a tile with colours of sub-palette b
  int tilesAdded = 0;             // tiles this picture stored that none before it had
};

class SharedTileset {
 public:
  // Tiles of options' map (tile base, flips, priority, palette base,
  // screens, blank tile) at bpp 2, 4 or 8. existingTiles are whole planar
  // tiles at bpp that keep their numbers, however many the map can reach:
  // the caller refuses too many first.
  SharedTileset(int bpp, const TileOptions& options, std::span<const std::uint8_t> existingTiles);

  // Stores the picture's new tiles after those already stored and makes its
  // map; or the picture's refusal, after which the tileset is not to be
  // used again. A picture whose tiles take the count past what the map can
  // number is refused by its first cell past it.
  std::variant<SharedMap, Failure> Add(const Picture& picture);

  // Every tile stored: the existing ones as given, byte for byte, then the
  // new ones in order of first appearance.
  std::vector<std::uint8_t> Tiles() const;
  std::size_t TileCount() const { return dictionary_.Size(); }
  std::size_t ExistingCount() const { return existing_; }

 private:
  int bpp_;
  TileOptions options_;
  std::vector<std::uint8_t> existingBytes_;
  std::size_t existing_ = 0;
  cells::TileDictionary dictionary_;
};

// The colour indices of one planar tile, read bit by bit as the format
// describes it: how tiles made elsewhere enter the dictionary.
cells::CellRows ReadPlanarTile(const std::uint8_t* tile, int bpp);

}  // namespace tilora
