#pragma once

// Colours as pictures hold them (8 bits a channel), as the console stores
// them (15 bits) and as it shows them: the one truncation and the one
// widening every step uses.

#include <cstdint>

namespace tilora {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct Rgba {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 255;
  bool operator==(const Rgba&) const = default;
};

// Red in bits 0-4, green in 5-9, blue in 10-14, as the palette words hold it.
using Colour15 = std::uint16_t;
inline constexpr int kColour15Count = 1 << 15;

// A channel's top five bits, no rounding.
constexpr unsigned Truncate5(unsigned channel) { return channel >> 3; }

// A 5-bit channel as the console shows it: its top bits repeated below, so
// 31 becomes 255.
constexpr std::uint8_t Widen5(unsigned five) { return static_cast<std::uint8_t>(five << 3 | five >> 2); }

constexpr Colour15 Colour15Of(const Rgb& c) {
  return static_cast<Colour15>(Truncate5(c.red) | Truncate5(c.green) << 5 | Truncate5(c.blue) << 10);
}

constexpr Rgb ShownRgb(Colour15 c) { return {Widen5(c & 31U), Widen5(c >> 5 & 31U), Widen5(c >> 10 & 31U)}; }

}  // namespace tilora
