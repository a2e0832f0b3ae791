#include "snes/cells/cell_scan.h"

#include <algorithm>

namespace tilora::cells {
namespace {

// The bits an index past the depth's reach has set: 128 and up at 4 bpp,
// 32 and up at 2 bpp.
unsigned PastReachBits(const Depth& depth) { return ~depth.highestIndex & 0xFFU; }

Failure FirstCellPastReach(const Picture& picture, const Depth& depth) {
  const unsigned past = PastReachBits(depth);
  CellRows raw;
  for (std::int32_t cy = 0; cy < CellsDown(picture); ++cy) {
    for (std::int32_t cx = 0; cx < CellsAcross(picture); ++cx) {
      LoadCell(picture, cx, cy, raw);
      for (const std::uint64_t row : raw.row) {
        for (int x = 0; x < 8; ++x) {
          if ((PixelOf(row, x) & past) != 0)
            return refusals::IndexPastReach(8 * cx, 8 * cy, PixelOf(row, x), depth.bpp);
        }
      }
    }
  }
  return refusals::Internal("an index past the depth's reach was not found again");
}

// Whether any index of the pixels lies past the depth's reach: one pass the
// compiler turns into wide ORs.
bool AnyPastReach(const std::uint8_t* first, std::size_t count, unsigned past) {
  std::uint8_t seen = 0;
  for (std::size_t i = 0; i < count; ++i) seen = static_cast<std::uint8_t>(seen | first[i]);
  return (seen & past) != 0;
}

}  // namespace

std::optional<Failure> CheckPictureShape(const Picture& picture) {
  if (!picture.indexed) return refusals::NotIndexed();
  if (picture.width < 0 || picture.height < 0 || picture.indices.size() != picture.PixelCount())
    return refusals::PixelsDoNotMatchSize();
  return std::nullopt;
}

std::optional<Failure> CheckPicture(const Picture& picture, const Depth& depth) {
  if (auto refusal = CheckPictureShape(picture)) return refusal;
  const unsigned past = PastReachBits(depth);
  // The slow search only when the pass finds something.
  if (past == 0 || !AnyPastReach(picture.indices.data(), picture.indices.size(), past)) return std::nullopt;
  return FirstCellPastReach(picture, depth);
}

std::optional<Failure> AwaitCellRow(const Picture& picture, const Depth& depth, const RowsArriving& arriving,
                                    std::int32_t cy) {
  const std::int32_t top = 8 * cy;
  const std::int32_t bottom = std::min(top + 8, picture.height);
  if (!arriving.Await(bottom)) return refusals::RowsStopped();
  const unsigned past = PastReachBits(depth);
  const std::size_t width = static_cast<std::size_t>(picture.width);
  if (past == 0 || !AnyPastReach(picture.indices.data() + static_cast<std::size_t>(top) * width,
                                 static_cast<std::size_t>(bottom - top) * width, past))
    return std::nullopt;
  // The rows above hold none, so the search ends in this one.
  return FirstCellPastReach(picture, depth);
}

}  // namespace tilora::cells
