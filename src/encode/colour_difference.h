#pragma once

// Colours as the console stores them (15 bits) and as people see them
// (CIELAB, compared with CIEDE2000).

#include <cstdint>

namespace tilora::packing {

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

struct Lab {
  double l = 0;
  double a = 0;
  double b = 0;
};

// sRGB channels on the 0-255 scale (fractions allowed) to CIELAB under D65.
Lab LabOfSrgb(double r, double g, double b);
Lab LabOf(Rgb888 c);

// From a table filled on first use: the Lab of Rgb888Of(c).
const Lab& LabOf15(Colour15 c);

// The nearest 15-bit colour to a Lab colour by rounding its sRGB channels
// (out-of-gamut colours are clamped).
Colour15 Colour15Near(const Lab& lab);

// CIEDE2000 colour difference with kL = kC = kH = 1.
double DeltaE2000(const Lab& x, const Lab& y);

// Squared Euclidean distance in Lab (CIE76), the cheap measure used where
// only the order of candidates matters.
inline double LabDistanceSquared(const Lab& x, const Lab& y) {
  const double dl = x.l - y.l;
  const double da = x.a - y.a;
  const double db = x.b - y.b;
  return dl * dl + da * da + db * db;
}

}  // namespace tilora::packing
