#include "snes/readback/output_reader.h"

#include <string>

#include "snes/readback/planar_decode.h"
#include "snes/encoders/map_entry.h"
#include "snes/encoders/planar_tiles.h"

namespace tilora {
namespace {

cells::CellRows ChunkyTile(const std::uint8_t* tile) {
  cells::CellRows rows;
  for (int r = 0; r < 8; ++r) rows.row[r] = cells::LoadRow(tile + 8 * r);
  return rows;
}

std::string SizeFault(const char* what, std::size_t size, std::size_t expected) {
  return std::string(what) + " holds " + std::to_string(size) + " bytes where " + std::to_string(expected) + " belong";
}

}  // namespace

OutputReader::OutputReader(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width,
                           std::int32_t height)
    : bpp_(options.mode7 ? 8 : outputs.bpp), mode7_(options.mode7) {
  const int tileSize = options.map && !options.mode7 ? options.tileSize : 8;
  const std::int32_t across = EntriesFor(width, tileSize);
  const std::int32_t down = EntriesFor(height, tileSize);
  if (tileSize != 8 && tileSize != 16) {
    fault_ = "the map's tiles are of no size the console has";
  } else if (options.mode7) {
    ReadMode7(outputs, options.interleave);
  } else if (bpp_ != 2 && bpp_ != 4 && bpp_ != 8) {
    fault_ = "the outputs are of no depth the encoder writes";
  } else if (options.map) {
    ReadMap(outputs, options, across, down);
  } else {
    ReadPlain(outputs, across, down);
  }
}

void OutputReader::ReadPlain(const EncodedOutputs& outputs, std::int32_t across, std::int32_t down) {
  plain_ = true;
  layout_ = {across, down, false};
  const std::size_t size = PlanarTileSize(bpp_);
  if (outputs.tiles.size() != layout_.Entries() * size) {
    fault_ = SizeFault("the tile data", outputs.tiles.size(), layout_.Entries() * size);
    return;
  }
  const std::size_t blockBytes = 2 * static_cast<std::size_t>(ColoursPerSubPalette());
  const std::size_t blocks = outputs.palette.size() / blockBytes;
  if (outputs.palette.size() % blockBytes != 0 || blocks < 1 || blocks > (bpp_ == 8 ? 1U : 8U)) {
    fault_ = "the palette holds " + std::to_string(outputs.palette.size()) + " bytes, no whole set of sub-palettes";
    return;
  }
  plainBlock_ = static_cast<int>(blocks) - 1;
  // Each tile is read once, so decoded as it is asked for.
  plainTiles_ = outputs.tiles.data();
  plainTileCount_ = outputs.tiles.size() / size;
}

void OutputReader::ReadMap(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t across,
                           std::int32_t down) {
  tileBase_ = options.tileBase;
  paletteBase_ = options.paletteBase;
  span_ = options.tileSize / 8;
  const auto layout = MapLayoutFor(across, down, options.screens, options.tileSize);
  if (const auto* refusal = std::get_if<Failure>(&layout)) {
    fault_ = "the picture has no map layout (" + refusal->message + ")";
    return;
  }
  layout_ = std::get<MapLayout>(layout);
  if (outputs.map.size() != 2 * layout_.Entries()) {
    fault_ = SizeFault("the map", outputs.map.size(), 2 * layout_.Entries());
    return;
  }
  const std::size_t size = PlanarTileSize(bpp_);
  if (outputs.tiles.size() % size != 0) {
    fault_ = "the tile data holds " + std::to_string(outputs.tiles.size()) + " bytes, no whole number of tiles";
    return;
  }
  for (std::size_t n = 0; n < outputs.tiles.size() / size; ++n)
    tiles_.push_back(DecodePlanarTile(outputs.tiles.data() + n * size, bpp_));
  entries_.resize(layout_.Entries());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    entries_[i] = MapWordAt(outputs.map.data(), i);
}

void OutputReader::ReadMode7(const EncodedOutputs& outputs, bool interleaved) {
  layout_ = kMode7Layout;
  std::vector<std::uint8_t> tileBytes = outputs.tiles;
  entries_.assign(layout_.Entries(), 0);
  if (interleaved) {
    if (outputs.vram.size() != 2 * layout_.Entries()) {
      fault_ = SizeFault("the video-memory image", outputs.vram.size(), 2 * layout_.Entries());
      return;
    }
    tileBytes.resize(layout_.Entries());
    for (std::size_t i = 0; i < layout_.Entries(); ++i) {
      entries_[i] = outputs.vram[2 * i];
      tileBytes[i] = outputs.vram[2 * i + 1];
    }
  } else {
    if (outputs.map.size() != layout_.Entries()) {
      fault_ = SizeFault("the map", outputs.map.size(), layout_.Entries());
      return;
    }
    for (std::size_t i = 0; i < layout_.Entries(); ++i) entries_[i] = outputs.map[i];
  }
  for (std::size_t n = 0; n + 64 <= tileBytes.size(); n += 64) tiles_.push_back(ChunkyTile(tileBytes.data() + n));
}

std::int32_t OutputReader::PlainCellsShown(const Picture& picture, std::int32_t cy, std::int32_t cells) const {
  if (!plain_ || !fault_.empty() || cy >= layout_.rows || cells > layout_.columns || 8 * cy + 8 > picture.height ||
      8 * cells > picture.width)
    return 0;
  const auto width = static_cast<std::size_t>(picture.width);
  const std::uint8_t* tiles = plainTiles_ + layout_.IndexOf(0, cy) * PlanarTileSize(bpp_);
  return tilora::PlainCellsShown(tiles, bpp_, plainBlock_, picture.indices.data() + 8 * static_cast<std::size_t>(cy) * width,
                                 width, cells);
}

bool OutputReader::Cell(std::int32_t cx, std::int32_t cy, cells::CellRows& k, int& block) const {
  if (plain_) {
    k = DecodePlanarTile(plainTiles_ + layout_.IndexOf(cx, cy) * PlanarTileSize(bpp_), bpp_);
    block = plainBlock_;
    return true;
  }
  const unsigned entry = entries_[layout_.IndexOf(cx / span_, cy / span_)];
  if (mode7_) {
    if (entry >= tiles_.size()) return false;
    k = tiles_[entry];
    block = 0;
    return true;
  }
  const MapEntry at = MapEntryOf(static_cast<std::uint16_t>(entry));
  const int tile = static_cast<int>(TileOfBlockCell(at, 8 * span_, cx, cy)) - tileBase_;
  block = static_cast<int>(at.palette) - paletteBase_;
  if (tile < 0 || static_cast<std::size_t>(tile) >= tiles_.size() || block < 0) return false;
  cells::FlipInto(tiles_[static_cast<std::size_t>(tile)], at.flip, k);
  return true;
}

std::size_t OutputReader::StoredTileCount() const { return plain_ ? plainTileCount_ : tiles_.size(); }

cells::CellRows OutputReader::StoredTile(std::size_t n) const {
  if (plain_) return DecodePlanarTile(plainTiles_ + n * PlanarTileSize(bpp_), bpp_);
  return tiles_[n];
}

std::vector<int> OutputReader::FirstSubPalettes() const {
  if (plain_) return std::vector<int>(plainTileCount_, bpp_ == 8 ? 0 : plainBlock_);
  if (mode7_) return std::vector<int>(tiles_.size(), 0);
  std::vector<int> first(tiles_.size(), -1);
  for (const std::uint16_t word : entries_) {
    const MapEntry at = MapEntryOf(word);
    const int block = bpp_ == 8 ? 0 : static_cast<int>(at.palette) - paletteBase_;
    for (std::int32_t cell = 0; cell < span_ * span_; ++cell) {
      const int tile = static_cast<int>(TileOfBlockCell(at, 8 * span_, cell % span_, cell / span_)) - tileBase_;
      if (tile >= 0 && static_cast<std::size_t>(tile) < first.size() && first[static_cast<std::size_t>(tile)] < 0)
        first[static_cast<std::size_t>(tile)] = block;
    }
  }
  return first;
}

}  // namespace tilora
