#include "player/replay/pitch.h"

#include <cmath>
#include <limits>

#include "player/numeric.h"
#include "player/replay/double_double.h"

namespace player {

namespace {

using dd::DoubleDouble;

constexpr DoubleDouble LN2 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr DoubleDouble INVERSE_LN2 = {0x1.71547652b82fep+0, 0x1.777d0ffda0d24p-56};

// Enough Taylor terms for e^t, |t| <= ln 2 / 2, to fall below 2^-106.
constexpr int EXP_TERMS = 24;
// Enough terms of atanh(s) = s (1 + s^2/3 + s^4/5 + ...), |s| <= 0.172, to fall below 2^-106.
constexpr int ATANH_TERMS = 22;

// e^t for |t| <= about 0.35, by its Taylor series in Horner form: 1 + t (1 + t/2 (1 + t/3 ...)).
DoubleDouble expSmall(DoubleDouble t) {
  DoubleDouble sum = dd::fromDouble(1.0);
  for (int k = EXP_TERMS; k >= 1; --k) {
    sum = dd::add(dd::divide(dd::multiply(sum, t), static_cast<double>(k)), 1.0);
  }
  return sum;
}

// log2 of a finite x > 0. Exact for powers of two; otherwise from ln m = 2 atanh((m-1)/(m+1))
// with the mantissa m taken into [sqrt(1/2), sqrt(2)).
DoubleDouble log2Of(double x) {
  int exponent = 0;
  double mantissa = std::frexp(x, &exponent);  // [0.5, 1)
  if (mantissa == 0.5) return dd::fromDouble(static_cast<double>(exponent - 1));
  if (mantissa < 0.70710678118654752) {
    mantissa *= 2.0;
    exponent -= 1;
  }
  // mantissa - 1 is exact for a mantissa in [0.5, 2].
  const DoubleDouble s = dd::divide(dd::fromDouble(mantissa - 1.0), dd::twoSum(mantissa, 1.0));
  const DoubleDouble s2 = dd::multiply(s, s);
  DoubleDouble series = dd::divide(dd::fromDouble(1.0), static_cast<double>(2 * ATANH_TERMS + 1));
  for (int k = ATANH_TERMS - 1; k >= 0; --k) {
    series = dd::add(dd::multiply(series, s2),
                     dd::divide(dd::fromDouble(1.0), static_cast<double>(2 * k + 1)));
  }
  const DoubleDouble lnMantissa = dd::multiply(dd::multiply(s, series), 2.0);
  return dd::add(dd::multiply(lnMantissa, INVERSE_LN2), static_cast<double>(exponent));
}

// 2^z, delivered as the double nearest to the double-double result.
double exp2Of(DoubleDouble z) {
  if (std::isnan(z.hi)) return z.hi;
  if (z.hi > 1100.0) return std::numeric_limits<double>::infinity();
  if (z.hi < -1100.0) return 0.0;
  const double whole = std::nearbyint(z.hi);
  // z.hi - whole is exact: both lie within half a unit of each other.
  const DoubleDouble fraction = dd::twoSum(z.hi - whole, z.lo);
  const DoubleDouble result = expSmall(dd::multiply(fraction, LN2));
  return std::ldexp(result.hi + result.lo, static_cast<int>(whole));
}

}  // namespace

// x^y as 2^(y log2 x), computed in double-double precision from IEEE operations alone, so that
// every platform gets the same, correctly rounded, result for the player's arguments. Negative x
// has no real logarithm and gives NaN.
double power(double x, double y) {
  if (std::isnan(x) || std::isnan(y)) return std::numeric_limits<double>::quiet_NaN();
  if (y == 0.0 || x == 1.0) return 1.0;
  if (x < 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return y > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
  if (std::isinf(x)) return y > 0.0 ? x : 0.0;
  if (std::isinf(y)) {
    if (x > 1.0) return y > 0.0 ? y : 0.0;
    return y > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
  }
  const DoubleDouble log2x = log2Of(x);
  return exp2Of(dd::multiply(log2x, y));
}

namespace {

// The period of note k with finetune 0: 13.375 x 2^((132 - k) / 12), with 1/12 rounded to single
// precision as the table has always used it. 0 from k = 189 on.
std::int32_t basePeriod(std::int32_t k) {
  constexpr double TWELFTH = static_cast<double>(1.0f / 12.0f);
  const double exponent = static_cast<double>(132 - k) * TWELFTH;
  return roundToInt32(13.375 * power(2.0, exponent));
}

}  // namespace

std::int32_t amigaPeriod(std::uint8_t note, std::int8_t finetune) {
  const std::int32_t n = note;
  const std::int32_t base = basePeriod(n);
  // Distance to the neighbour note on the side the finetune moves towards; for note 0 with a
  // negative finetune there is no note below, so the note above is used.
  std::int32_t distance;
  if (finetune < 0 && n != 0) {
    distance = basePeriod(n - 1) - base;
  } else {
    distance = base - basePeriod(n + 1);
  }
  return base - (finetune * distance) / 128;
}

}  // namespace player
