#include "ui/open_dialog/extended_truncation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tilora::ui {

namespace {

using Word = std::uint64_t;

// An unsigned 128-bit integer; not every compiler has one of its own. The
// largest value needed is below 2^116 (a 32-bit count shifted by 84 places).
struct Wide {
  Word high = 0;
  Word low = 0;
};

bool Less(Wide a, Wide b) { return a.high < b.high || (a.high == b.high && a.low < b.low); }

bool IsZero(Wide v) { return v.high == 0 && v.low == 0; }

Wide Subtract(Wide a, Wide b) {
  const Word borrow = a.low < b.low ? 1 : 0;
  return {a.high - b.high - borrow, a.low - b.low};
}

Wide ShiftLeft(Wide v, int bits) {
  if (bits == 0) return v;
  if (bits >= 64) return {v.low << (bits - 64), 0};
  return {(v.high << bits) | (v.low >> (64 - bits)), v.low << bits};
}

Wide ShiftRight(Wide v, int bits) {
  if (bits == 0) return v;
  if (bits >= 128) return {};
  if (bits >= 64) return {0, v.high >> (bits - 64)};
  return {v.high >> bits, (v.low >> bits) | (v.high << (64 - bits))};
}

Wide Multiply(Word a, Word b) {
  constexpr Word kHalf = 0xFFFFFFFFu;
  const Word low_low = (a & kHalf) * (b & kHalf);
  const Word low_high = (a & kHalf) * (b >> 32);
  const Word high_low = (a >> 32) * (b & kHalf);
  const Word high_high = (a >> 32) * (b >> 32);
  const Word middle = (low_low >> 32) + (low_high & kHalf) + (high_low & kHalf);
  return {high_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32), (middle << 32) | (low_low & kHalf)};
}

struct Division {
  Wide quotient;
  Wide remainder;
};

// Binary long division: a few hundred steps, once per fitted picture.
Division Divide(Wide numerator, Wide denominator) {
  Division result;
  for (int bit = 127; bit >= 0; --bit) {
    result.remainder = ShiftLeft(result.remainder, 1);
    result.remainder.low |= ShiftRight(numerator, bit).low & 1u;
    if (!Less(result.remainder, denominator)) {
      result.remainder = Subtract(result.remainder, denominator);
      if (bit >= 64) {
        result.quotient.high |= Word{1} << (bit - 64);
      } else {
        result.quotient.low |= Word{1} << bit;
      }
    }
  }
  return result;
}

// trunc of numerator / denominator after rounding it to a 64-bit significand.
// Rounding never carries a value past a whole number, all of which are exact
// here, so the only change is a value just below the next whole number
// rounding up to it: when it lies within half a unit in the last place, which
// is 2^(k-64) below a next of 2^k or more and half that when the next is 2^k
// itself. A tie goes to the whole number, whose significand is even.
Word TruncateRounded(Wide numerator, Wide denominator) {
  const Division exact = Divide(numerator, denominator);
  const Word whole = exact.quotient.low;
  if (IsZero(exact.remainder)) return whole;
  const Word next = whole + 1;
  const int exponent = static_cast<int>(std::bit_width(next)) - 1;
  const int half_unit_shift = 64 - exponent + (std::has_single_bit(next) ? 1 : 0);
  // shortfall / denominator <= 2^-shift, in whole numbers.
  const Wide shortfall = Subtract(denominator, exact.remainder);
  return Less(ShiftRight(denominator, half_unit_shift), shortfall) ? whole : next;
}

// ratio == significand * 2^exponent exactly.
struct Binary {
  Word significand;
  int exponent;
};

Binary Decompose(double ratio) {
  int exponent = 0;
  const double fraction = std::frexp(ratio, &exponent);
  constexpr int kDigits = std::numeric_limits<double>::digits;
  return {static_cast<Word>(std::ldexp(fraction, kDigits)), exponent - kDigits};
}

Word Magnitude(int n) {
  return n < 0 ? Word{0} - static_cast<Word>(static_cast<std::int64_t>(n)) : static_cast<Word>(n);
}

int Signed(bool negative, Word magnitude) {
  constexpr Word kLimit = static_cast<Word>(std::numeric_limits<int>::max());
  if (negative) {
    return magnitude > kLimit ? std::numeric_limits<int>::min() : -static_cast<int>(magnitude);
  }
  return static_cast<int>(std::min(magnitude, kLimit));
}

}  // namespace

int ExtendedProductTruncated(int n, double ratio) {
  const Binary r = Decompose(ratio);
  const Wide numerator = ShiftLeft(Multiply(Magnitude(n), r.significand), std::max(r.exponent, 0));
  const Wide denominator = ShiftLeft(Wide{0, 1}, std::max(-r.exponent, 0));
  return Signed(n < 0, TruncateRounded(numerator, denominator));
}

int ExtendedQuotientTruncated(int n, double ratio) {
  const Binary r = Decompose(ratio);
  const Wide numerator = ShiftLeft(Wide{0, Magnitude(n)}, std::max(-r.exponent, 0));
  const Wide denominator = ShiftLeft(Wide{0, r.significand}, std::max(r.exponent, 0));
  return Signed(n < 0, TruncateRounded(numerator, denominator));
}

}  // namespace tilora::ui
