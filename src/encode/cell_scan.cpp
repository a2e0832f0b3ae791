#include "encode/cell_scan.h"

namespace tilora::cells {
namespace {

// The bits an index past the depth's reach has set: 128 and up at 4 bpp,
// 32 and up at 2 bpp.
unsigned PastReachBits(const Depth& depth) { return ~depth.highestIndex & 0xFFU; }

Refusal FirstCellPastReach(const Picture& picture, const Depth& depth) {
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

}  // namespace

std::optional<Refusal> CheckPicture(const Picture& picture, const Depth& depth) {
  if (!picture.indexed) return refusals::NotIndexed();
  if (picture.width < 0 || picture.height < 0 || picture.indices.size() != picture.PixelCount())
    return refusals::PixelsDoNotMatchSize();
  const unsigned past = PastReachBits(depth);
  if (past == 0) return std::nullopt;
  // One pass that the compiler turns into wide ORs; the slow search only
  // when it finds something.
  std::uint8_t seen = 0;
  for (const std::uint8_t index : picture.indices) seen = static_cast<std::uint8_t>(seen | index);
  if ((seen & past) == 0) return std::nullopt;
  return FirstCellPastReach(picture, depth);
}

}  // namespace tilora::cells
