#include "snes/cells/tile_kernels.h"

#include "snes/cells/bit_matrix.h"

#if TILORA_TILE_SSE2
#include <emmintrin.h>
#endif

namespace tilora {

namespace tile_kernels {
namespace {

// Eight pixels as a 64-bit word with the leftmost pixel in the top byte.
std::uint64_t LoadPixelsMsbFirst(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int k = 0; k < 8; ++k) v = v << 8 | p[k];
  return v;
}

std::uint8_t Plane(std::uint64_t planes, int n) { return static_cast<std::uint8_t>(planes >> (8 * n)); }

}  // namespace

void Encode8Portable(const std::uint8_t* pixels, std::size_t stride, std::uint8_t* out) {
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t planes = Transpose8x8(LoadPixelsMsbFirst(pixels + static_cast<std::size_t>(i) * stride));
    for (int n = 0; n < 8; ++n) out[16 * (n / 2) + 2 * i + n % 2] = Plane(planes, n);
  }
}

#if TILORA_TILE_SSE2
namespace {

// Two rows of eight pixels, the first in the low half, loaded as they lie
// (leftmost pixel in the lowest byte).
__m128i LoadRows(const std::uint8_t* first, const std::uint8_t* second) {
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(second)));
}

// In each 64-bit half, bit c of byte r moves to bit 7 - r of byte 7 - c: a
// bit matrix flipped about its anti-diagonal. With the leftmost pixel in
// byte 0, byte 7 - n becomes bit plane n with the leftmost pixel in its top
// bit, as the tile format wants.
__m128i FlipAntiDiagonal(__m128i x) {
  const __m128i k1 = _mm_set1_epi64x(static_cast<long long>(0xAA00AA00AA00AA00ULL));
  const __m128i k2 = _mm_set1_epi64x(static_cast<long long>(0xCCCC0000CCCC0000ULL));
  const __m128i k4 = _mm_set1_epi64x(static_cast<long long>(0xF0F0F0F00F0F0F0FULL));
  __m128i t = _mm_xor_si128(x, _mm_slli_epi64(x, 36));
  x = _mm_xor_si128(x, _mm_and_si128(k4, _mm_xor_si128(t, _mm_srli_epi64(x, 36))));
  t = _mm_and_si128(k2, _mm_xor_si128(x, _mm_slli_epi64(x, 18)));
  x = _mm_xor_si128(x, _mm_xor_si128(t, _mm_srli_epi64(t, 18)));
  t = _mm_and_si128(k1, _mm_xor_si128(x, _mm_slli_epi64(x, 9)));
  x = _mm_xor_si128(x, _mm_xor_si128(t, _mm_srli_epi64(t, 9)));
  return x;
}

// Planes come out highest first; the file pairs them lowest first.
__m128i SwapBytesInWords(__m128i x) { return _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8)); }

}  // namespace

void Encode8Sse2(const std::uint8_t* pixels, std::size_t stride, std::uint8_t* out) {
  const auto row = [&](int i) { return pixels + static_cast<std::size_t>(i) * stride; };
  // Rows 2j and 2j + 1; after the flip and the swap, word m of a row is the
  // plane pair 3 - m, lower plane first.
  const __m128i x0 = SwapBytesInWords(FlipAntiDiagonal(LoadRows(row(0), row(1))));
  const __m128i x1 = SwapBytesInWords(FlipAntiDiagonal(LoadRows(row(2), row(3))));
  const __m128i x2 = SwapBytesInWords(FlipAntiDiagonal(LoadRows(row(4), row(5))));
  const __m128i x3 = SwapBytesInWords(FlipAntiDiagonal(LoadRows(row(6), row(7))));
  // An 8 x 4 transpose of words: gather word m of rows 0..7.
  const __m128i a = _mm_unpacklo_epi16(x0, x1);  // r0w0 r2w0 r0w1 r2w1 r0w2 r2w2 r0w3 r2w3
  const __m128i b = _mm_unpackhi_epi16(x0, x1);  // r1w0 r3w0 ...
  const __m128i c = _mm_unpacklo_epi16(x2, x3);  // r4w0 r6w0 ...
  const __m128i d = _mm_unpackhi_epi16(x2, x3);  // r5w0 r7w0 ...
  const __m128i e = _mm_unpacklo_epi16(a, b);    // r0w0 r1w0 r2w0 r3w0 r0w1 r1w1 r2w1 r3w1
  const __m128i f = _mm_unpackhi_epi16(a, b);    // the same for w2, w3
  const __m128i g = _mm_unpacklo_epi16(c, d);    // rows 4..7, w0 and w1
  const __m128i h = _mm_unpackhi_epi16(c, d);    // rows 4..7, w2 and w3
  auto* dst = reinterpret_cast<__m128i*>(out);
  _mm_storeu_si128(dst + 3, _mm_unpacklo_epi64(e, g));  // planes 6|7
  _mm_storeu_si128(dst + 2, _mm_unpackhi_epi64(e, g));  // planes 4|5
  _mm_storeu_si128(dst + 1, _mm_unpacklo_epi64(f, h));  // planes 2|3
  _mm_storeu_si128(dst + 0, _mm_unpackhi_epi64(f, h));  // planes 0|1
}
#endif

}  // namespace tile_kernels

}  // namespace tilora
