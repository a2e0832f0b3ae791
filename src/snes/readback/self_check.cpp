#include <string>

#include "snes/cells/cell_scan.h"
#include "snes/encoders/console_encoding.h"
#include "snes/readback/output_reader.h"
#include "snes/readback/planar_decode.h"
#include "snes/readback/readback.h"

namespace tilora {
namespace {

using cells::CellRows;
using cells::Depth;

std::string InternalError(const std::string& what) { return what + "."; }

std::string Colour(int k, int block, const Depth& depth) {
  if (k == 0 || depth.bpp == 8) return "colour " + std::to_string(k);
  return "colour " + std::to_string(k) + " of sub-palette " + std::to_string(block);
}

// Whether the shown cell matches the picture's: equal colours, and equal
// sub-palettes wherever the colour is not 0.
bool CellMatches(const CellRows& raw, const CellRows& shown, int block, const Depth& depth) {
  std::uint64_t wrong = 0;
  if (depth.bpp == 8) {
    std::uint64_t any = 0;
    for (int r = 0; r < 8; ++r) {
      wrong |= raw.row[r] ^ shown.row[r];
      any |= shown.row[r];
    }
    return wrong == 0 && (block == 0 || any == 0);
  }
  const std::uint64_t kMask = depth.kMask;
  const std::uint64_t blockMask = depth.blockMask;
  const std::uint64_t expected = cells::Repeat(static_cast<unsigned>(block));
  for (int r = 0; r < 8; ++r) {
    const std::uint64_t otherBlock = cells::NonZeroSmallBytes((raw.row[r] >> depth.bpp & blockMask) ^ expected);
    wrong |= ((raw.row[r] & kMask) ^ shown.row[r]) | (otherBlock & cells::NonZeroSmallBytes(shown.row[r]));
  }
  return wrong == 0;
}

std::string Difference(std::int32_t cx, std::int32_t cy, const CellRows& raw, const CellRows& shown, int block,
                       const Depth& depth) {
  for (int r = 0; r < 8; ++r) {
    for (int x = 0; x < 8; ++x) {
      const unsigned index = cells::PixelOf(raw.row[r], x);
      const int k = static_cast<int>(index & (static_cast<unsigned>(depth.Colours()) - 1));
      const int pictureBlock = depth.bpp == 8 ? 0 : static_cast<int>(index >> depth.bpp);
      const int shownK = cells::PixelOf(shown.row[r], x);
      if (k == shownK && (k == 0 || pictureBlock == block)) continue;
      return InternalError("the outputs show " + Colour(shownK, block, depth) + " at pixel " +
                           std::to_string(8 * cx + x) + "," + std::to_string(8 * cy + r) + " where the picture has " +
                           Colour(k, pictureBlock, depth));
    }
  }
  return InternalError("a difference in the cell at " + std::to_string(8 * cx) + "," + std::to_string(8 * cy) +
                       " was not found again");
}

const std::uint8_t* PixelsOf(const Picture& picture, std::int32_t cx, std::int32_t cy) {
  return picture.indices.data() + static_cast<std::size_t>(8 * cy) * static_cast<std::size_t>(picture.width) +
         static_cast<std::size_t>(8 * cx);
}

}  // namespace

std::optional<std::string> SelfCheck(const Picture& picture, const TileOptions& options,
                                     const EncodedOutputs& outputs) {
  if (picture.width < 0 || picture.height < 0 || picture.indices.size() != picture.PixelCount())
    return InternalError("the picture holds a different number of pixels than its size gives");
  const OutputReader reader(outputs, options, picture.width, picture.height);
  if (!reader.Fault().empty()) return InternalError(reader.Fault());
  const Depth depth = Depth::Of(options.mode7 ? 8 : outputs.bpp);
  const std::int32_t across = cells::CellsAcross(picture);
  const std::int32_t down = cells::CellsDown(picture);
  const std::int32_t cellsAcross = reader.CellsAcross();
  const std::int32_t cellsDown = reader.CellsDown();
  if (across > cellsAcross || down > cellsDown) return InternalError("the map is smaller than the picture");
  const auto width = static_cast<std::size_t>(picture.width);
  CellRows raw;
  CellRows shown;
  int block = 0;
  for (std::int32_t cy = 0; cy < cellsDown; ++cy) {
    // Whole cells of plain tiles a row at a time; the rest, and any cell
    // that differs, one by one below.
    const std::int32_t checked = reader.PlainCellsShown(picture, cy, picture.width / 8);
    for (std::int32_t cx = checked; cx < cellsAcross; ++cx) {
      if (!reader.Cell(cx, cy, shown, block))
        return InternalError("the map entry at " + std::to_string(8 * cx) + "," + std::to_string(8 * cy) +
                             " names a tile or palette the outputs do not hold");
      // Beyond the picture every pixel must be colour 0.
      if (cx < across && cy < down) {
        if (8 * cx + 8 <= picture.width && 8 * cy + 8 <= picture.height &&
            CellShowsPixels(shown, depth.bpp, block, PixelsOf(picture, cx, cy), width))
          continue;
        cells::LoadCell(picture, cx, cy, raw);
      } else {
        raw = CellRows{};
      }
      if (!CellMatches(raw, shown, block, depth)) return Difference(cx, cy, raw, shown, block, depth);
    }
  }
  return std::nullopt;
}

}  // namespace tilora
