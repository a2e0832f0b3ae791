#pragma once

// Pixels of a frame as bits, a row at a time, with a word of padding either
// side so that an object may stand out past the frame's left and right
// edges by up to 64 pixels. Bit x + kRowPad of a row is pixel x.

#include <array>
#include <cstdint>

namespace tilora::sprites {

inline constexpr int kRowWords = 6;
inline constexpr int kRowPad = 64;

struct BitRow {
  std::array<std::uint64_t, kRowWords> w{};
};

constexpr std::uint64_t LowBits(int n) { return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1; }

// Bit i: pixel x + i, for len (1 to 64) pixels from x; -64 <= x and
// x + len <= 320.
inline std::uint64_t Bits(const BitRow& row, int x, int len) {
  const int b = x + kRowPad;
  const auto i = static_cast<std::size_t>(b >> 6);
  const int off = b & 63;
  std::uint64_t v = row.w[i] >> off;
  if (off + len > 64) v |= row.w[i + 1] << (64 - off);
  return v & LowBits(len);
}

// bits (bit i: pixel x + i) set or cleared; -64 <= x, and no bit set past
// pixel 319.
inline void SetBits(BitRow& row, int x, std::uint64_t bits) {
  const int b = x + kRowPad;
  const auto i = static_cast<std::size_t>(b >> 6);
  const int off = b & 63;
  row.w[i] |= bits << off;
  if (off != 0 && (bits >> (64 - off)) != 0) row.w[i + 1] |= bits >> (64 - off);
}

inline void ClearBits(BitRow& row, int x, std::uint64_t bits) {
  const int b = x + kRowPad;
  const auto i = static_cast<std::size_t>(b >> 6);
  const int off = b & 63;
  row.w[i] &= ~(bits << off);
  if (off != 0 && (bits >> (64 - off)) != 0) row.w[i + 1] &= ~(bits >> (64 - off));
}

}  // namespace tilora::sprites
