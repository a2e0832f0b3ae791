#pragma once

// Colours as people see them (CIELAB, compared with CIEDE2000).

#include <cstdint>

#include "picture/colour.h"

namespace tilora::packing {

using tilora::Colour15;
using tilora::Colour15Of;
using tilora::kColour15Count;

struct Lab {
  double l = 0;
  double a = 0;
  double b = 0;
};

// sRGB channels on the 0-255 scale (fractions allowed) to CIELAB under D65.
Lab LabOfSrgb(double r, double g, double b);
Lab LabOf(Rgb c);

// From a table filled on first use: the Lab of ShownRgb(c).
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
