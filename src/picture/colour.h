#pragma once

// Colours as the console stores them (15 bits) and as it shows them.

#include <cstdint>

namespace tilora {

struct Rgb888 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(Rgb888, Rgb888) = default;
};

// Red in bits 0-4, green in 5-9, blue in 10-14, as the palette words hold it.
using Colour15 = std::uint16_t;
inline constexpr int kColour15Count = 1 << 15;

// Each channel truncated to its top five bits.
constexpr Colour15 Colour15Of(Rgb888 c) {
  return static_cast<Colour15>((c.r >> 3) | (c.g >> 3) << 5 | (c.b >> 3) << 10);
}

// What the console shows for a 15-bit colour: each channel widened to eight
// bits with its top bits repeated below, so 31 becomes 255.
constexpr Rgb888 Rgb888Of(Colour15 c) {
  const auto widen = [](int five) { return static_cast<std::uint8_t>(five << 3 | five >> 2); };
  return {widen(c & 31), widen(c >> 5 & 31), widen(c >> 10 & 31)};
}

}  // namespace tilora
