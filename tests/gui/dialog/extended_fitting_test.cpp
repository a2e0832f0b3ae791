// The fitting rule, computed with integers, against the same rule computed in
// x87 extended precision, wherever long double is that type.
#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "ui/open_dialog/extended_truncation.h"
#include "ui/open_dialog/fitting.h"

using tilora::ui::ExtendedProductTruncated;
using tilora::ui::ExtendedQuotientTruncated;
using tilora::ui::FitPicture;

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

double Ratio(int w, int h) {
  volatile double a = static_cast<double>(w) / static_cast<double>(h);
  return a;
}

int LongDoubleProduct(int n, double a) {
  return static_cast<int>(static_cast<long double>(n) * static_cast<long double>(a));
}

int LongDoubleQuotient(int n, double a) {
  return static_cast<int>(static_cast<long double>(n) / static_cast<long double>(a));
}

// The rule as it was first written, on long double.
QRect LongDoubleFitPicture(int w, int h, int cw, int ch) {
  int width = cw;
  int height = ch;
  if (w > 0 && h > 0) {
    const double a = Ratio(w, h);
    if (w > h) {
      height = LongDoubleQuotient(cw, a);
      if (height > ch) {
        height = ch;
        width = LongDoubleProduct(ch, a);
      }
    } else {
      width = LongDoubleProduct(ch, a);
      if (width > cw) {
        width = cw;
        height = LongDoubleQuotient(cw, a);
      }
    }
  }
  return QRect((cw - width) / 2, (ch - height) / 2, width, height);
}

// Powers of two and their neighbours, primes, screen sizes and the ends of int.
std::vector<int> EdgeSizes() {
  std::vector<int> sizes = {0, 1, 2, 3, 5, 7, 99, 100, 150, 300, 480, 640, 1080, 1920, 65521, 1000003, kIntMax};
  for (int bits : {7, 8, 16, 24, 30}) {
    sizes.insert(sizes.end(), {(1 << bits) - 1, 1 << bits, (1 << bits) + 1});
  }
  return sizes;
}

// A size whose bit length is uniform, so that small and huge sizes both occur.
int RandomSize(std::mt19937& random, int max_bits) {
  const int bits = std::uniform_int_distribution<int>(1, max_bits)(random);
  const int low = 1 << (bits - 1);
  const int high = bits == 31 ? kIntMax : (1 << bits) - 1;
  return std::uniform_int_distribution<int>(low, high)(random);
}

// Two sizes in the picture's exact proportions, so that the fitted size is a
// whole number but for the rounding of the ratio: the cases where the
// significand's width decides.
struct Proportional {
  int across;
  int down;
};

Proportional ProportionalSizes(std::mt19937& random, int w, int h) {
  const int g = std::gcd(w, h);
  const int k = std::uniform_int_distribution<int>(1, kIntMax / (std::max(w, h) / g))(random);
  return {k * (w / g), k * (h / g)};
}

QString Describe(int w, int h, int cw, int ch) {
  return QStringLiteral("picture %1 x %2, view %3 x %4").arg(w).arg(h).arg(cw).arg(ch);
}

QString DescribeTruncation(int n, int w, int h) {
  return QStringLiteral("n %1, ratio %2 / %3").arg(n).arg(w).arg(h);
}

}  // namespace

class ExtendedFittingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    if (std::numeric_limits<long double>::digits != 64) QSKIP("long double is not x87 extended precision here");
  }

  void FitMatchesLongDoubleOnEdgeSizes() {
    const std::vector<int> sizes = EdgeSizes();
    const std::vector<int> views = {0, 1, 2, 99, 100, 150, 1000, 1920, 4096, 32767, 65535, 1 << 30, kIntMax};
    for (int w : sizes) {
      for (int h : sizes) {
        for (int cw : views) {
          for (int ch : views) {
            QVERIFY2(FitPicture(w, h, cw, ch) == LongDoubleFitPicture(w, h, cw, ch),
                     qPrintable(Describe(w, h, cw, ch)));
          }
        }
      }
    }
  }

  void FitMatchesLongDoubleOnRandomSizes() {
    std::mt19937 random(20240611);
    for (int i = 0; i < 100000; ++i) {
      const int w = RandomSize(random, 31);
      const int h = RandomSize(random, 31);
      int cw = RandomSize(random, 31);
      int ch = RandomSize(random, 31);
      if (i % 2 == 0) {
        // A view in the picture's proportions, one side nudged so that either
        // side may be the one that binds.
        const Proportional view = ProportionalSizes(random, w, h);
        const int nudge = std::uniform_int_distribution<int>(-1, 1)(random);
        cw = view.across;
        ch = static_cast<int>(std::clamp<long long>(view.down + nudge, 0, kIntMax));
      }
      QVERIFY2(FitPicture(w, h, cw, ch) == LongDoubleFitPicture(w, h, cw, ch), qPrintable(Describe(w, h, cw, ch)));
    }
  }

  // Products and quotients, of negative counts too, whose exact values fall
  // just short of or just past a whole number.
  void TruncationMatchesLongDoubleNearWholeNumbers() {
    std::mt19937 random(7);
    int rounded_up = 0;
    for (int i = 0; i < 100000; ++i) {
      const int w = RandomSize(random, 20);
      const int h = RandomSize(random, 20);
      const double a = Ratio(w, h);
      const Proportional sizes = ProportionalSizes(random, w, h);
      for (int sign : {1, -1}) {
        const int across = sign * sizes.across;
        const int down = sign * sizes.down;
        QVERIFY2(ExtendedProductTruncated(down, a) == LongDoubleProduct(down, a),
                 qPrintable(DescribeTruncation(down, w, h)));
        QVERIFY2(ExtendedQuotientTruncated(across, a) == LongDoubleQuotient(across, a),
                 qPrintable(DescribeTruncation(across, w, h)));
      }
      // The rounded ratio a is below w / h when a * h - w is negative, and so
      // is the exact product; reaching the whole number means it rounded up.
      const double error = std::fma(a, static_cast<double>(h), -static_cast<double>(w));
      if (error < 0 && LongDoubleProduct(sizes.down, a) == sizes.across) ++rounded_up;
      if (error > 0 && LongDoubleQuotient(sizes.across, a) == sizes.down) ++rounded_up;
    }
    // The inputs reach the cases where the significand's width matters.
    QVERIFY2(rounded_up > 10, qPrintable(QString::number(rounded_up)));
  }
};

QTEST_APPLESS_MAIN(ExtendedFittingTest)
#include "extended_fitting_test.moc"
