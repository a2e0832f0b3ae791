#pragma once

#include <cstdint>

namespace tilora {

// Transposes an 8 x 8 bit matrix held one row per byte: bit n of byte j
// becomes bit j of byte n. Planar tiles keep a row's bit planes this way
// round; pixels the other.
constexpr std::uint64_t Transpose8x8(std::uint64_t x) {
  std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
  return x ^ t ^ (t << 28);
}

}  // namespace tilora
