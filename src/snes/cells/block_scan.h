#pragma once

// A picture's 16 x 16 blocks, each split into its four cells' colours (k)
// and the one sub-palette the block's map entry gives them all.

#include <cstdint>
#include <optional>

#include "io/failure.h"
#include "snes/cells/block_dictionary.h"
#include "snes/cells/cell_rows.h"

namespace tilora::cells {

// The block whose top-left pixel is (16 bx, 16 by): its colours (k) and its
// sub-palette (-1: colour 0 only), or the refusal naming it when its pixels
// come from two sub-palettes. Cells past the picture's edge are colour 0.
// Expects a picture CheckPicture accepted.
std::optional<Failure> SplitBlock(const Picture& picture, const Depth& depth, std::int32_t bx, std::int32_t by,
                                  Block& k, int& block);

}  // namespace tilora::cells
