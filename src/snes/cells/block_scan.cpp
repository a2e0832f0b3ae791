#include "snes/cells/block_scan.h"

#include "snes/cells/cell_scan.h"
#include "snes/cells/encode_refusals.h"

namespace tilora::cells {

std::optional<Failure> SplitBlock(const Picture& picture, const Depth& depth, std::int32_t bx, std::int32_t by,
                                  Block& k, int& block) {
  block = -1;
  CellRows raw;
  for (unsigned i = 0; i < 4; ++i) {
    const std::int32_t cx = 2 * bx + static_cast<std::int32_t>(i & 1U);
    const std::int32_t cy = 2 * by + static_cast<std::int32_t>(i >> 1);
    if (8 * cx >= picture.width || 8 * cy >= picture.height) {
      k.cell[i] = CellRows{};
      continue;
    }
    LoadCell(picture, cx, cy, raw);
    const CellSplit split = SplitCell(raw, depth, k.cell[i]);
    if (split.block >= 0 && block < 0) block = split.block;
    const int other = split.block >= 0 && split.block != block ? split.block : split.clash;
    if (other >= 0) return refusals::MixedBlockSubPalettes(16 * bx, 16 * by, block, other);
  }
  return std::nullopt;
}

}  // namespace tilora::cells
