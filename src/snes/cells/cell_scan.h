#pragma once

// Walks a picture's 8 x 8 cells in row-major order, each split into its
// colours within a sub-palette (k) and the sub-palette they come from.

#include <bit>
#include <cstdint>
#include <optional>

#include "snes/cells/cell_rows.h"
#include "snes/encoders/console_encoding.h"
#include "snes/cells/encode_refusals.h"
#include "picture/rows_arriving.h"

namespace tilora::cells {

inline std::int32_t CellsAcross(const Picture& picture) { return (picture.width + 7) / 8; }
inline std::int32_t CellsDown(const Picture& picture) { return (picture.height + 7) / 8; }

// Whether the picture is indexed, whole, and all its indices lie within
// depth's reach; the refusal naming the first cell that is not, if any.
std::optional<Failure> CheckPicture(const Picture& picture, const Depth& depth);

// CheckPicture without looking at the pixels.
std::optional<Failure> CheckPictureShape(const Picture& picture);

// For a picture whose rows are still arriving, with the rows of cells above
// already checked: waits for the pixels of cell row cy and checks them as
// CheckPicture does. A refusal of kind Internal when the rows stop first.
std::optional<Failure> AwaitCellRow(const Picture& picture, const Depth& depth, const RowsArriving& arriving,
                                    std::int32_t cy);

struct NoWait {
  std::optional<Failure> operator()(std::int32_t) const { return std::nullopt; }
};

struct CellSplit {
  int block = -1;  // -1: every pixel is colour 0, which fits any sub-palette
  int clash = -1;  // a second sub-palette among the pixels, if any
};

// Splits the raw indices of a cell into k and the sub-palette.
inline CellSplit SplitCell(const CellRows& raw, const Depth& depth, CellRows& k) {
  CellSplit split;
  if (depth.bpp == 8) {
    std::uint64_t any = 0;
    for (int r = 0; r < 8; ++r) any |= k.row[r] = raw.row[r];
    if (any != 0) split.block = 0;
    return split;
  }
  // Copies, as the rows written to k might alias the depth's fields.
  const std::uint64_t kMask = depth.kMask;
  const std::uint64_t blockMask = depth.blockMask;
  const int shift = depth.bpp;
  std::uint64_t coloured[8];
  std::uint64_t any = 0;
  for (int r = 0; r < 8; ++r) {
    k.row[r] = raw.row[r] & kMask;
    coloured[r] = NonZeroSmallBytes(k.row[r]);
    any |= coloured[r];
  }
  if (any == 0) return split;
  int first = 0;
  while (coloured[first] == 0) ++first;
  split.block = PixelOf(raw.row[first] >> shift & blockMask, std::countr_zero(coloured[first]) / 8);
  const std::uint64_t expected = Repeat(static_cast<unsigned>(split.block));
  std::uint64_t stray[8];
  std::uint64_t anyStray = 0;
  for (int r = 0; r < 8; ++r) {
    stray[r] = NonZeroSmallBytes((raw.row[r] >> shift & blockMask) ^ expected) & coloured[r];
    anyStray |= stray[r];
  }
  if (anyStray == 0) return split;
  int r = 0;
  while (stray[r] == 0) ++r;
  split.clash = PixelOf(raw.row[r] >> shift & blockMask, std::countr_zero(stray[r]) / 8);
  return split;
}

// Calls visit(cx, cy, k, block) for every cell, block -1 for a cell of
// colour 0 only, until visit returns false; stops at the first cell that
// mixes sub-palettes and returns its refusal. Expects a picture CheckPicture
// accepted, or one whose rows of cells reach(cy) makes ready and checks,
// returning a refusal when it cannot.
template <typename Visit, typename Reach = NoWait>
std::optional<Failure> ForEachSplitCell(const Picture& picture, const Depth& depth, Visit&& visit,
                                        Reach&& reach = {}) {
  const std::int32_t across = CellsAcross(picture);
  const std::int32_t down = CellsDown(picture);
  CellRows raw;
  CellRows k;
  for (std::int32_t cy = 0; cy < down; ++cy) {
    if (auto refusal = reach(cy)) return refusal;
    for (std::int32_t cx = 0; cx < across; ++cx) {
      LoadCell(picture, cx, cy, raw);
      const CellSplit split = SplitCell(raw, depth, k);
      if (split.clash >= 0) return refusals::MixedSubPalettes(8 * cx, 8 * cy, split.block, split.clash);
      if (!visit(cx, cy, static_cast<const CellRows&>(k), split.block)) return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace tilora::cells
