#pragma once

// Reads planar tiles back into colour indices for the self-check and the
// preview. Built on its own bit-matrix transpose, not on the encoder's
// kernels, so that a fault in one is not undone by the same fault in the
// other.

#include <cstddef>
#include <cstdint>

#include "snes/cells/cell_rows.h"

namespace tilora {

// Colour indices of one planar tile of bpp 2, 4 or 8.
cells::CellRows DecodePlanarTile(const std::uint8_t* tile, int bpp);

// The reference the fast path is held against in the tests.
cells::CellRows DecodePlanarTilePortable(const std::uint8_t* tile, int bpp);

// Plain tiles of one tile row against eight whole rows of the picture
// (pixels at the row's first pixel, rows stride bytes apart): how many of
// the first cells tiles shows as the picture has them, counted until the
// first that differs. A cell matches when its colours equal the pixels'
// colours (index bits below bpp) and every pixel of a colour other than 0
// comes from sub-palette block. 0 where this machine has no fast path, or
// for block other than 0 at 8 bpp; the caller looks at the rest itself.
std::int32_t PlainCellsShown(const std::uint8_t* tiles, int bpp, int block, const std::uint8_t* pixels,
                             std::size_t stride, std::int32_t cells);

// Whether the colours of a whole cell (rows as CellRows hold them) show the
// picture's eight rows at pixels, as PlainCellsShown compares them; false
// where this machine has no fast path or the answer needs the slow one.
bool CellShowsPixels(const cells::CellRows& shown, int bpp, int block, const std::uint8_t* pixels,
                     std::size_t stride);

}  // namespace tilora
