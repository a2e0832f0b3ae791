#pragma once

// Reads encoded outputs back the way the console does: which colours each
// map cell shows, and from which sub-palette. The self-check and the preview
// both look at the outputs through it, never at the encoder's state.

#include <cstdint>
#include <string>
#include <vector>

#include "snes/cells/cell_rows.h"
#include "snes/encoders/console_encoding.h"
#include "snes/encoders/map_layout.h"
#include "snes/readback/planar_decode.h"

namespace tilora {

class OutputReader {
 public:
  // The outputs of a picture of width x height pixels encoded with options;
  // they must outlive the reader.
  OutputReader(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width, std::int32_t height);

  // Why the outputs cannot be read (sizes that do not fit the options and
  // the picture); empty when they can.
  const std::string& Fault() const { return fault_; }

  // The entries the outputs cover: the map's, or the picture's cells
  // without a map.
  const MapLayout& Layout() const { return layout_; }
  // The 8 x 8 cells they cover: a 16 x 16 block's entry covers 2 x 2.
  std::int32_t CellsAcross() const { return layout_.columns * span_; }
  std::int32_t CellsDown() const { return layout_.rows * span_; }

  // The colours (k) the cell at (cx, cy) shows and its sub-palette; false
  // when its entry names a tile or palette beyond the outputs.
  bool Cell(std::int32_t cx, std::int32_t cy, cells::CellRows& k, int& block) const;

  // Plain tiles only: how many of the cells (0, cy) to (cells - 1, cy),
  // each whole within the picture, show it as it is, counted until the
  // first that does not; 0 where there is no fast way to tell, which leaves
  // the cells to Cell.
  std::int32_t PlainCellsShown(const Picture& picture, std::int32_t cy, std::int32_t cells) const;

  // The tiles the tile data stores, in order, and each one's colours (k).
  std::size_t StoredTileCount() const;
  cells::CellRows StoredTile(std::size_t n) const;
  // Per stored tile, the sub-palette the first map entry that shows it
  // gives it (plain tiles: the one they use), -1 where none does.
  std::vector<int> FirstSubPalettes() const;

  // Colours within a sub-palette: 4, 16 or 256.
  int ColoursPerSubPalette() const { return 1 << bpp_; }

 private:
  void ReadPlain(const EncodedOutputs& outputs, std::int32_t across, std::int32_t down);
  void ReadMap(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t across, std::int32_t down);
  void ReadMode7(const EncodedOutputs& outputs, bool interleaved);

  int bpp_ = 4;
  int span_ = 1;  // cells of a map entry each way
  bool mode7_ = false;
  bool plain_ = false;
  int plainBlock_ = 0;
  int tileBase_ = 0;
  int paletteBase_ = 0;
  MapLayout layout_;
  const std::uint8_t* plainTiles_ = nullptr;  // within the outputs read
  std::size_t plainTileCount_ = 0;
  std::vector<cells::CellRows> tiles_;        // decoded
  std::vector<std::uint16_t> entries_;        // map entries in the layout's order
  std::string fault_;
};

}  // namespace tilora
