#include "palettes/reduction/colour_difference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace tilora::packing {
namespace {

// D65 white of the sRGB matrix below, so that white maps to a = b = 0.
constexpr double kWhiteX = 0.95047;
constexpr double kWhiteY = 1.0;
constexpr double kWhiteZ = 1.08883;
constexpr double kEpsilon = 216.0 / 24389.0;  // (6/29)^3
constexpr double kKappa = 24389.0 / 27.0;

double LinearOf(double channel255) {
  const double v = channel255 / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double GammaOf(double linear) {
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

double LabF(double t) { return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0; }

double LabFInverse(double f) {
  const double cube = f * f * f;
  return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

Lab LabOfLinear(double r, double g, double b) {
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / kWhiteX;
  const double y = (0.2126729 * r + 0.7151522 * g + 0.0721750 * b) / kWhiteY;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / kWhiteZ;
  const double fx = LabF(x);
  const double fy = LabF(y);
  const double fz = LabF(z);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

constexpr double kDegree = std::numbers::pi / 180.0;

double HueDegrees(double b, double aPrime) {
  if (b == 0.0 && aPrime == 0.0) return 0.0;
  const double h = std::atan2(b, aPrime) / kDegree;
  return h < 0.0 ? h + 360.0 : h;
}

// T = 1 - 0.17 cos(h - 30) + 0.24 cos 2h + 0.32 cos(3h + 6) - 0.20 cos(4h - 63),
// h in radians, the shifted cosines expanded as angle sums.
double HueWeight(double h) {
  const double c1 = std::cos(h), s1 = std::sin(h);
  const double c2 = 2.0 * c1 * c1 - 1.0, s2 = 2.0 * s1 * c1;
  const double c3 = c2 * c1 - s2 * s1, s3 = s2 * c1 + c2 * s1;
  const double c4 = 2.0 * c2 * c2 - 1.0, s4 = 2.0 * s2 * c2;
  const auto shifted = [](double c, double s, double degrees) {
    return c * std::cos(degrees * kDegree) - s * std::sin(degrees * kDegree);
  };
  return 1.0 - 0.17 * shifted(c1, s1, -30.0) + 0.24 * c2 + 0.32 * shifted(c3, s3, 6.0) -
         0.20 * shifted(c4, s4, -63.0);
}

double Pow7(double x) {
  const double x2 = x * x;
  return x2 * x2 * x2 * x;
}

}  // namespace

Lab LabOfSrgb(double r, double g, double b) { return LabOfLinear(LinearOf(r), LinearOf(g), LinearOf(b)); }

Lab LabOf(Rgb c) { return LabOfSrgb(c.red, c.green, c.blue); }

const Lab& LabOf15(Colour15 c) {
  static const std::vector<Lab> table = [] {
    std::array<double, 32> linear{};
    for (int five = 0; five < 32; ++five) linear[static_cast<std::size_t>(five)] = LinearOf(Widen5(static_cast<unsigned>(five)));
    std::vector<Lab> labs(kColour15Count);
    for (std::size_t i = 0; i < labs.size(); ++i)
      labs[i] = LabOfLinear(linear[i & 31], linear[i >> 5 & 31], linear[i >> 10 & 31]);
    return labs;
  }();
  return table[c & (kColour15Count - 1)];
}

Colour15 Colour15Near(const Lab& lab) {
  const double fy = (lab.l + 16.0) / 116.0;
  const double x = kWhiteX * LabFInverse(fy + lab.a / 500.0);
  const double y = kWhiteY * LabFInverse(fy);
  const double z = kWhiteZ * LabFInverse(fy - lab.b / 200.0);
  const std::array<double, 3> linear = {3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                                        -0.9692660 * x + 1.8760108 * y + 0.0415560 * z,
                                        0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
  int word = 0;
  for (int channel = 0; channel < 3; ++channel) {
    const double v = GammaOf(std::clamp(linear[static_cast<std::size_t>(channel)], 0.0, 1.0));
    const int five = std::clamp(static_cast<int>(std::lround(v * 31.0)), 0, 31);
    word |= five << (5 * channel);
  }
  return static_cast<Colour15>(word);
}

double DeltaE2000(const Lab& x, const Lab& y) {
  // sqrt rather than hypot, and one sine and cosine of the mean hue with
  // angle sums rather than four cosines: this runs for every pixel colour
  // against every candidate entry.
  const double c1 = std::sqrt(x.a * x.a + x.b * x.b);
  const double c2 = std::sqrt(y.a * y.a + y.b * y.b);
  const double cMean7 = Pow7((c1 + c2) / 2.0);
  const double g = 0.5 * (1.0 - std::sqrt(cMean7 / (cMean7 + Pow7(25.0))));
  const double a1 = (1.0 + g) * x.a;
  const double a2 = (1.0 + g) * y.a;
  const double cp1 = std::sqrt(a1 * a1 + x.b * x.b);
  const double cp2 = std::sqrt(a2 * a2 + y.b * y.b);
  const double h1 = HueDegrees(x.b, a1);
  const double h2 = HueDegrees(y.b, a2);
  const bool achromatic = cp1 * cp2 == 0.0;

  double dh = 0.0;
  if (!achromatic) {
    dh = h2 - h1;
    if (dh > 180.0) dh -= 360.0;
    else if (dh < -180.0) dh += 360.0;
  }
  const double dL = y.l - x.l;
  const double dC = cp2 - cp1;
  const double dH = 2.0 * std::sqrt(cp1 * cp2) * std::sin(dh * kDegree / 2.0);

  const double lMean = (x.l + y.l) / 2.0;
  const double cpMean = (cp1 + cp2) / 2.0;
  double hMean = h1 + h2;
  if (!achromatic) {
    if (std::abs(h1 - h2) <= 180.0) hMean /= 2.0;
    else hMean = hMean < 360.0 ? (hMean + 360.0) / 2.0 : (hMean - 360.0) / 2.0;
  }
  const double t = HueWeight(hMean * kDegree);
  const double dTheta = 30.0 * std::exp(-std::pow((hMean - 275.0) / 25.0, 2.0));
  const double cpMean7 = Pow7(cpMean);
  const double rC = 2.0 * std::sqrt(cpMean7 / (cpMean7 + Pow7(25.0)));
  const double lOff = (lMean - 50.0) * (lMean - 50.0);
  const double sL = 1.0 + 0.015 * lOff / std::sqrt(20.0 + lOff);
  const double sC = 1.0 + 0.045 * cpMean;
  const double sH = 1.0 + 0.015 * cpMean * t;
  const double rT = -std::sin(2.0 * dTheta * kDegree) * rC;

  const double l = dL / sL;
  const double c = dC / sC;
  const double h = dH / sH;
  return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

}  // namespace tilora::packing
