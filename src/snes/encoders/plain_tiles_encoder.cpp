#include <optional>

#include "snes/cells/cell_scan.h"
#include "snes/encoders/console_encoders.h"
#include "snes/encoders/console_palette.h"
#include "snes/cells/encode_refusals.h"
#include "snes/encoders/planar_tiles.h"

namespace tilora {
namespace {

bool AnyColour(const Picture& picture) {
  for (const std::uint8_t index : picture.indices)
    if (index != 0) return true;
  return false;
}

// The index bits above the colour of every pixel whose colour is not 0,
// ORed and ANDed together: they agree exactly when one sub-palette is used.
// A branch-free pass the compiler vectorises.
struct BlockBits {
  std::uint8_t any = 0;
  std::uint8_t all = 0xFF;
};

template <unsigned Bpp>
BlockBits BlockBitsOf(const Picture& picture) {
  constexpr unsigned kMask = (1U << Bpp) - 1;
  std::uint8_t any = 0;
  std::uint8_t all = 0xFF;
  for (const std::uint8_t index : picture.indices) {
    const bool coloured = (index & kMask) != 0;
    const auto block = static_cast<std::uint8_t>(index & ~kMask);
    any = static_cast<std::uint8_t>(any | (coloured ? block : 0));
    all = static_cast<std::uint8_t>(all & (coloured ? block : 0xFF));
  }
  return {any, all};
}

// The one sub-palette the tiles use (bit mask, 0 for none), or why there
// are several.
std::variant<std::uint8_t, Failure> OnlySubPalette(const Picture& picture, int bpp) {
  if (bpp == 8) return static_cast<std::uint8_t>(AnyColour(picture) ? 1 : 0);
  const BlockBits bits = bpp == 2 ? BlockBitsOf<2>(picture) : BlockBitsOf<4>(picture);
  if (bits.any == 0 && bits.all == 0xFF) return std::uint8_t{0};  // colour 0 only
  if (bits.any == bits.all) return static_cast<std::uint8_t>(1U << (bits.any >> bpp));
  // Several: the cells say which tiles to name.
  int first = -1;
  std::int32_t firstX = 0;
  std::int32_t firstY = 0;
  std::optional<Failure> refusal;
  const auto note = [&](std::int32_t cx, std::int32_t cy, const cells::CellRows&, int block) {
    if (block < 0 || block == first) return true;
    if (first < 0) {
      first = block;
      firstX = 8 * cx;
      firstY = 8 * cy;
      return true;
    }
    refusal = refusals::SeveralSubPalettesWithoutMap(firstX, firstY, first, 8 * cx, 8 * cy, block);
    return false;
  };
  if (auto mixed = cells::ForEachSplitCell(picture, cells::Depth::Of(bpp), note)) return *mixed;
  if (refusal) return *refusal;
  return static_cast<std::uint8_t>(first < 0 ? 0 : 1U << first);
}

}  // namespace

EncodeResult EncodePlainTiles(const Picture& picture, int bpp) {
  const auto subPalette = OnlySubPalette(picture, bpp);
  if (const auto* refusal = std::get_if<Failure>(&subPalette)) return *refusal;
  EncodedOutputs out;
  out.bpp = bpp;
  out.subPalettes = std::get<std::uint8_t>(subPalette);
  // Index bits above the depth are the sub-palette's, which the tile encoder
  // leaves out.
  out.tiles = EncodePlanarTiles(picture, bpp);
  out.palette = PaletteFor(picture, bpp, out.subPalettes);
  out.tileCount = static_cast<int>(out.tiles.size() / PlanarTileSize(bpp));
  return out;
}

}  // namespace tilora
