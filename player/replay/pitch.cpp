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

// 1/k! for k = 0..24, rounded to double-double: enough Taylor terms of e^t, |t| <= ln 2 / 2, for
// the remainder to fall below 2^-106.
constexpr int EXP_TERMS = 25;
constexpr DoubleDouble INVERSE_FACTORIAL[EXP_TERMS] = {
    {0x1.0000000000000p+0, 0x0.0p+0},                  // 1/0!
    {0x1.0000000000000p+0, 0x0.0p+0},                  // 1/1!
    {0x1.0000000000000p-1, 0x0.0p+0},                  // 1/2!
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},     // 1/3!
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},     // 1/4!
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},     // 1/5!
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},   // 1/6!
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},    // 1/7!
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},    // 1/8!
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},   // 1/9!
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},    // 1/10!
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},   // 1/11!
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},   // 1/12!
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},    // 1/13!
    {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},    // 1/14!
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},    // 1/15!
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},   // 1/16!
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},   // 1/17!
    {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},   // 1/18!
    {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112},   // 1/19!
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},   // 1/20!
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},  // 1/21!
    {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},  // 1/22!
    {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130},  // 1/23!
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},  // 1/24!
};

// Enough terms of atanh(s) = s (1 + s^2/3 + s^4/5 + ...), |s| <= 0.172, to fall below 2^-106.
constexpr int ATANH_TERMS = 22;

// e^t for |t| <= about 0.35, by its Taylor series in Horner form.
DoubleDouble expSmall(DoubleDouble t) {
  DoubleDouble sum = INVERSE_FACTORIAL[EXP_TERMS - 1];
  for (int k = EXP_TERMS - 2; k >= 0; --k)
    sum = dd::add(dd::multiply(sum, t), INVERSE_FACTORIAL[k]);
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

constexpr int BASE_PERIODS = 257;  // notes 0..255 and the neighbour above the last

// The period of note k with finetune 0: 13.375 x 2^((132 - k) / 12), with 1/12 rounded to single
// precision as the table has always used it. 0 from k = 189 on. Computed once, on first use.
std::int32_t basePeriod(std::int32_t k) {
  struct Table {
    std::int32_t periods[BASE_PERIODS];
  };
  static const Table table = [] {
    constexpr double TWELFTH = static_cast<double>(1.0f / 12.0f);
    Table built{};
    for (std::int32_t note = 0; note < BASE_PERIODS; ++note) {
      const double exponent = static_cast<double>(132 - note) * TWELFTH;
      built.periods[note] = roundToInt32(13.375 * power(2.0, exponent));
    }
    return built;
  }();
  return table.periods[k];
}

// ProTracker's period of note k at finetune 0 in the player's units (four times its own): its
// table of C-1 to B-3 (the player's notes 36 to 71), doubled for each octave below, halved for
// each above.
std::int32_t protrackerBasePeriod(std::int32_t k) {
  static constexpr std::int32_t PERIODS[36] = {
      856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
      302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
  constexpr std::int32_t FIRST_NOTE = 36;
  constexpr std::int32_t UNITS = 4;
  std::int32_t octavesDown = 0;
  while (k < FIRST_NOTE) {
    k += 12;
    ++octavesDown;
  }
  while (k >= FIRST_NOTE + 36) {
    k -= 12;
    --octavesDown;
  }
  const std::int32_t period = PERIODS[k - FIRST_NOTE] * UNITS;
  return octavesDown >= 0 ? period << octavesDown : period >> -octavesDown;
}

}  // namespace

std::int32_t protrackerPeriod(std::uint8_t note, std::int8_t finetune) {
  const std::int32_t n = note;
  const std::int32_t base = protrackerBasePeriod(n);
  // As on the Amiga table: a share of the distance to the neighbour note the finetune moves
  // towards.
  const std::int32_t distance = finetune < 0 && n != 0 ? protrackerBasePeriod(n - 1) - base
                                                       : base - protrackerBasePeriod(n + 1);
  const std::int32_t period = base - (finetune * distance) / 128;
  return period > 1 ? period : 1;
}

std::int32_t screamTrackerPeriod(std::uint8_t note, std::uint32_t c4Rate) {
  // The periods of octave 0, C to B, sixteen times those a note of octave 4 has.
  static constexpr std::int64_t OCTAVE_ZERO[12] = {1712, 1616, 1524, 1440, 1356, 1280,
                                                   1208, 1140, 1076, 1016, 960,  907};
  constexpr std::int64_t SCALE = 8363 * 16;
  const std::int64_t rate = c4Rate != 0 ? c4Rate : 8363;
  const std::int32_t octave = note / 12;
  // Octaves above 31 would shift the rate out of range; they are far beyond hearing anyway.
  const std::int64_t divisor = rate << (octave < 31 ? octave : 31);
  const std::int64_t period = SCALE * OCTAVE_ZERO[note % 12] / divisor;
  return period > 1 ? static_cast<std::int32_t>(period > INT32_MAX ? INT32_MAX : period) : 1;
}

std::int64_t exactRatePeriod256(std::uint8_t note, std::uint32_t c4Rate) {
  const double rate = c4Rate != 0 ? c4Rate : 8363.0;
  const double period =
      8363.0 * 1712.0 * 256.0 / rate * power(2.0, (48.0 - static_cast<double>(note)) / 12.0);
  // Far beyond any period a song can reach, and within 32 bits once divided by 256.
  constexpr double LIMIT = 256.0 * 2147483647.0;
  if (!(period < LIMIT)) return static_cast<std::int64_t>(LIMIT);
  const auto rounded = static_cast<std::int64_t>(period + 0.5);
  return rounded > 256 ? rounded : 256;
}

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
