#pragma once

// Walks a picture's 8 x 8 cells in row-major order, each split into its
// colours within a sub-palette (k) and the sub-palette they come from.

#include <bit>
#include <cstdint>
#include <optional>

#include "encode/cell_rows.h"
#include "encode/console_encoding.h"
#include "encode/encode_refusals.h"

namespace tilora::cells {

inline std::int32_t CellsAcross(const Picture& picture) { return (picture.width + 7) / 8; }
inline std::int32_t CellsDown(const Picture& picture) { return (picture.height + 7) / 8; }

// Whether the picture is indexed, whole, and all its indices lie within
// depth's reach; the refusal naming the first cell that is not, if any.
std::optional<Refusal> CheckPicture(const Picture& picture, const Depth& depth);

struct CellSplit {
  int block = -1;  // -1: every pixel is colour 0, which fits any sub-palette
  int clash = -1;  // a second sub-palette among the pixels, if any
};

// Splits the raw indices of a cell into k and the sub-palette.
inline CellSplit SplitCell(const CellRows& raw, const Depth& depth, CellRows& k) {
  std::uint64_t coloured[8];
  std::uint64_t any = 0;
  for (int r = 0; r < 8; ++r) {
    k.row[r] = depth.KOf(raw.row[r]);
    coloured[r] = NonZeroBytes(k.row[r]);
    any |= coloured[r];
  }
  CellSplit split;
  if (any == 0) return split;
  if (depth.bpp == 8) {
    split.block = 0;
    return split;
  }
  int r = 0;
  while (coloured[r] == 0) ++r;
  split.block = PixelOf(depth.BlocksOf(raw.row[r]), std::countr_zero(coloured[r]) / 8);
  const std::uint64_t expected = Repeat(static_cast<unsigned>(split.block));
  for (r = 0; r < 8; ++r) {
    const std::uint64_t stray = (depth.BlocksOf(raw.row[r]) ^ expected) & coloured[r];
    if (stray != 0) {
      split.clash = PixelOf(depth.BlocksOf(raw.row[r]), std::countr_zero(stray) / 8);
      return split;
    }
  }
  return split;
}

// Calls visit(cx, cy, k, block) for every cell, block -1 for a cell of
// colour 0 only, until visit returns false; stops at the first cell that
// mixes sub-palettes and returns its refusal. Expects a picture CheckPicture
// accepted.
template <typename Visit>
std::optional<Refusal> ForEachSplitCell(const Picture& picture, const Depth& depth, Visit&& visit) {
  const std::int32_t across = CellsAcross(picture);
  const std::int32_t down = CellsDown(picture);
  CellRows raw;
  CellRows k;
  for (std::int32_t cy = 0; cy < down; ++cy) {
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
