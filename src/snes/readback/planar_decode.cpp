#include "snes/readback/planar_decode.h"

#include "snes/cells/bit_matrix.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/cells/tile_kernels.h"

#if TILORA_TILE_SSE2
#include <emmintrin.h>
#endif

namespace tilora {
namespace {

template <int Bpp>
cells::CellRows DecodePortable(const std::uint8_t* tile) {
  cells::CellRows rows;
  for (int i = 0; i < 8; ++i) {
    std::uint64_t planes = 0;
    for (int n = 0; n < Bpp; ++n) planes |= static_cast<std::uint64_t>(tile[16 * (n / 2) + 2 * i + n % 2]) << (8 * n);
    // Byte j now holds the pixel whose bit is bit j of each plane: the
    // leftmost pixel sits in the top bit, so in the top byte.
    rows.row[i] = cells::ReverseBytes(Transpose8x8(planes));
  }
  return rows;
}

#if TILORA_TILE_SSE2

// Two rows of the tile's pixels a register, rows 0-1, 2-3, 4-5, 6-7, each
// row as it lies in the picture (leftmost pixel in the lowest byte).
struct RowPairs {
  __m128i r[4];
};

// The same transpose on both 64-bit halves.
__m128i TransposeHalves(__m128i x) {
  const __m128i k1 = _mm_set1_epi64x(0x00AA00AA00AA00AALL);
  const __m128i k2 = _mm_set1_epi64x(0x0000CCCC0000CCCCLL);
  const __m128i k4 = _mm_set1_epi64x(0x00000000F0F0F0F0LL);
  __m128i t = _mm_and_si128(_mm_xor_si128(x, _mm_srli_epi64(x, 7)), k1);
  x = _mm_xor_si128(x, _mm_xor_si128(t, _mm_slli_epi64(t, 7)));
  t = _mm_and_si128(_mm_xor_si128(x, _mm_srli_epi64(x, 14)), k2);
  x = _mm_xor_si128(x, _mm_xor_si128(t, _mm_slli_epi64(t, 14)));
  t = _mm_and_si128(_mm_xor_si128(x, _mm_srli_epi64(x, 28)), k4);
  return _mm_xor_si128(x, _mm_xor_si128(t, _mm_slli_epi64(t, 28)));
}

__m128i ReverseBytesOfHalves(__m128i x) {
  x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0x1B), 0x1B);
  return _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
}

__m128i Load(const std::uint8_t* tile, int offset) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(tile + offset));
}

// With four planes at most a row's planes fit 32 bits, so a register holds
// four rows. The first two steps of the transpose, on each 32-bit lane:
// byte j then holds two pixels, the one whose bit is bit j of each plane in
// its low half, the one of bit j + 4 in its high half.
__m128i TransposeNibbles(__m128i x) {
  const __m128i k1 = _mm_set1_epi32(0x00AA00AA);
  const __m128i k2 = _mm_set1_epi32(0x0000CCCC);
  __m128i t = _mm_and_si128(_mm_xor_si128(x, _mm_srli_epi32(x, 7)), k1);
  x = _mm_xor_si128(x, _mm_xor_si128(t, _mm_slli_epi32(t, 7)));
  t = _mm_and_si128(_mm_xor_si128(x, _mm_srli_epi32(x, 14)), k2);
  return _mm_xor_si128(x, _mm_xor_si128(t, _mm_slli_epi32(t, 14)));
}

__m128i ReverseBytesOfLanes(__m128i x) {
  x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xB1), 0xB1);
  return _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
}

// Four rows of 32-bit plane lanes into two pairs of pixel rows. Reversed,
// byte j holds the pixels of bits 7 - j (high half) and 3 - j (low half):
// the high halves are pixels 0-3, the low ones pixels 4-7.
void NibblesToRows(__m128i planes, __m128i& first, __m128i& second) {
  const __m128i fourBits = _mm_set1_epi8(0x0F);
  const __m128i x = ReverseBytesOfLanes(TransposeNibbles(planes));
  const __m128i left = _mm_and_si128(_mm_srli_epi16(x, 4), fourBits);
  const __m128i right = _mm_and_si128(x, fourBits);
  first = _mm_unpacklo_epi32(left, right);
  second = _mm_unpackhi_epi32(left, right);
}

// Gathers each row's plane bytes, plane n in byte n, and turns them into the
// row's pixels. Inlined into the loops, which keep the rows in registers.
#if defined(__GNUC__)
[[gnu::always_inline]]
#endif
inline RowPairs DecodeSse2(const std::uint8_t* tile, int bpp) {
  const __m128i zero = _mm_setzero_si128();
  // Word i of each load: the two planes of row i.
  const __m128i planes01 = Load(tile, 0);
  const __m128i planes23 = bpp >= 4 ? Load(tile, 16) : zero;
  const __m128i low = _mm_unpacklo_epi16(planes01, planes23);  // rows 0-3, planes 0-3
  const __m128i high = _mm_unpackhi_epi16(planes01, planes23);  // rows 4-7
  RowPairs rows;
  if (bpp != 8) {
    NibblesToRows(low, rows.r[0], rows.r[1]);
    NibblesToRows(high, rows.r[2], rows.r[3]);
    return rows;
  }
  const __m128i low47 = _mm_unpacklo_epi16(Load(tile, 32), Load(tile, 48));
  const __m128i high47 = _mm_unpackhi_epi16(Load(tile, 32), Load(tile, 48));
  // A row's eight planes in each 64-bit half. After the transpose byte j
  // holds the pixel whose bit is bit j of each plane, the leftmost pixel
  // being the top bit: the reversal puts it first.
  rows.r[0] = ReverseBytesOfHalves(TransposeHalves(_mm_unpacklo_epi32(low, low47)));
  rows.r[1] = ReverseBytesOfHalves(TransposeHalves(_mm_unpackhi_epi32(low, low47)));
  rows.r[2] = ReverseBytesOfHalves(TransposeHalves(_mm_unpacklo_epi32(high, high47)));
  rows.r[3] = ReverseBytesOfHalves(TransposeHalves(_mm_unpackhi_epi32(high, high47)));
  return rows;
}

__m128i LoadTwoRows(const std::uint8_t* first, std::size_t stride) {
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + stride)));
}

// Whether the decoded cell shows the picture's: the colours (k) equal, and
// the index equal to block << bpp | k wherever k is not 0.
bool CellShown(const RowPairs& shown, const std::uint8_t* pixels, std::size_t stride, __m128i kMask,
               __m128i blockBits) {
  const __m128i zero = _mm_setzero_si128();
  __m128i ok = _mm_set1_epi8(-1);
  for (int pair = 0; pair < 4; ++pair) {
    const __m128i picture = LoadTwoRows(pixels + static_cast<std::size_t>(2 * pair) * stride, stride);
    const __m128i k = _mm_and_si128(picture, kMask);
    const __m128i sameColour = _mm_cmpeq_epi8(k, shown.r[pair]);
    const __m128i sameBlock =
        _mm_or_si128(_mm_cmpeq_epi8(k, zero), _mm_cmpeq_epi8(_mm_andnot_si128(kMask, picture), blockBits));
    ok = _mm_and_si128(ok, _mm_and_si128(sameColour, sameBlock));
  }
  return _mm_movemask_epi8(ok) == 0xFFFF;
}

#endif

}  // namespace

cells::CellRows DecodePlanarTilePortable(const std::uint8_t* tile, int bpp) {
  // A fixed depth each, so the plane loop unrolls.
  if (bpp == 2) return DecodePortable<2>(tile);
  if (bpp == 8) return DecodePortable<8>(tile);
  return DecodePortable<4>(tile);
}

#if TILORA_TILE_SSE2

cells::CellRows DecodePlanarTile(const std::uint8_t* tile, int bpp) {
  const RowPairs pairs = DecodeSse2(tile, bpp);
  cells::CellRows rows;
  // x86 is little-endian: pixel x of a row lands in bits 8x.
  for (int pair = 0; pair < 4; ++pair) _mm_storeu_si128(reinterpret_cast<__m128i*>(&rows.row[2 * pair]), pairs.r[pair]);
  return rows;
}

std::int32_t PlainCellsShown(const std::uint8_t* tiles, int bpp, int block, const std::uint8_t* pixels,
                             std::size_t stride, std::int32_t cells) {
  if (bpp == 8 && block != 0) return 0;
  const auto kMask = static_cast<char>(bpp == 8 ? 0xFF : (1 << bpp) - 1);
  const __m128i kMaskV = _mm_set1_epi8(kMask);
  const __m128i blockBits = _mm_set1_epi8(static_cast<char>(bpp == 8 ? 0 : block << bpp));
  const std::size_t tileSize = PlanarTileSize(bpp);
  for (std::int32_t c = 0; c < cells; ++c) {
    const auto at = static_cast<std::size_t>(c);
    if (!CellShown(DecodeSse2(tiles + at * tileSize, bpp), pixels + 8 * at, stride, kMaskV, blockBits)) return c;
  }
  return cells;
}

bool CellShowsPixels(const cells::CellRows& shown, int bpp, int block, const std::uint8_t* pixels,
                     std::size_t stride) {
  if (bpp == 8 && block != 0) return false;
  RowPairs rows;
  for (int pair = 0; pair < 4; ++pair)
    rows.r[pair] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&shown.row[2 * pair]));
  const auto kMask = static_cast<char>(bpp == 8 ? 0xFF : (1 << bpp) - 1);
  return CellShown(rows, pixels, stride, _mm_set1_epi8(kMask),
                   _mm_set1_epi8(static_cast<char>(bpp == 8 ? 0 : block << bpp)));
}

#else

cells::CellRows DecodePlanarTile(const std::uint8_t* tile, int bpp) { return DecodePlanarTilePortable(tile, bpp); }

bool CellShowsPixels(const cells::CellRows&, int, int, const std::uint8_t*, std::size_t) { return false; }

std::int32_t PlainCellsShown(const std::uint8_t*, int, int, const std::uint8_t*, std::size_t, std::int32_t) {
  return 0;
}

#endif

}  // namespace tilora
