#pragma once

namespace tilora::ui {

// trunc(n * ratio) and trunc(n / ratio) as x87 extended precision gives them:
// the exact value rounded to a 64-bit significand (to nearest, ties to even)
// and then truncated toward zero. Computed with integers only, so every
// platform agrees, whatever its long double is. ratio must lie between 2^-32
// and 2^32, as the ratio of two positive ints does; a result beyond the range
// of int is clamped to it.
int ExtendedProductTruncated(int n, double ratio);
int ExtendedQuotientTruncated(int n, double ratio);

}  // namespace tilora::ui
