#include "player/replay/pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using player::amigaPeriod;
using player::power;

constexpr double LINEAR_OCTAVE_FRACTION = static_cast<double>(1.0f / 768.0f);
constexpr double TWELFTH = static_cast<double>(1.0f / 12.0f);

// How far, in units of the last place of the double nearest to it, a reference value lies from
// that double. Below 0.5 means the double is the correctly rounded result.
long double ulpsFrom(double result, long double reference) {
  const double ulp = std::nextafter(std::fabs(result), std::numeric_limits<double>::infinity()) -
                     std::fabs(result);
  return std::fabs(static_cast<long double>(result) - reference) / ulp;
}

// The long double reference carries 11 bits more than a double, so it can only vouch for a
// rounding when it does not fall within a few of its own ulps of a midpoint.
constexpr long double REFERENCE_MARGIN = 1.0L / 512;

// Arguments where 2^x lies within a few millionths of an ulp of a midpoint between two doubles,
// among the exponents the linear table produces; exp2l rounds two of them the wrong way. The
// expected bits come from 200-bit arithmetic.
TEST(Power, RoundsTheHardestLinearArgumentsCorrectly) {
  EXPECT_EQ(power(2.0, -0x1.0068008034000p+5), 0x1.ee4a94aef7133p-33);
  EXPECT_EQ(power(2.0, -0x1.bd1aab8938000p+4), 0x1.2237945a519bbp-28);
  EXPECT_EQ(power(2.0, 0x1.04aaab2d00000p+3), 0x1.1b3b0bc0a5396p+8);
}

// Results within about 10^-5 ulp of a midpoint for exponents whose fractional part is near one
// half, where the reduced argument is largest and the series converges slowest; found and
// rounded with 200-bit arithmetic.
TEST(Power, RoundsNearHalfwayCasesWithTheLargestReducedArgument) {
  EXPECT_EQ(power(2.0, 0x1.41bd1aefc29dcp+1), 0x1.6d76a836c3e85p+2);
  EXPECT_EQ(power(2.0, 0x1.282c2975a4ee0p+4), 0x1.6cc122ee69e38p+18);
  EXPECT_EQ(power(2.0, 0x1.afabe024368d3p+3), 0x1.67788870b7f31p+13);
  EXPECT_EQ(power(2.0, -0x1.17cc869f45a6fp+4), 0x1.6d34c0e275c4ep-18);
  EXPECT_EQ(power(2.0, -0x1.f9ea6a7e92cb4p-2), 0x1.6b88654ee5ef9p-1);
  EXPECT_EQ(power(2.0, 0x1.cfcd8bcfd36eep+3), 0x1.687f14b6ccb8dp+14);
}

TEST(Power, IsCorrectlyRoundedForEveryLinearExponent) {
  int checked = 0;
  for (std::int32_t units = -40000; units <= 40000; ++units) {
    const double x = static_cast<double>(units) * LINEAR_OCTAVE_FRACTION;
    const double result = power(2.0, x);
    const long double distance = ulpsFrom(result, std::exp2l(static_cast<long double>(x)));
    if (std::fabs(distance - 0.5L) < REFERENCE_MARGIN) continue;  // the reference cannot tell
    ASSERT_LT(distance, 0.5L) << "x = " << x;
    ++checked;
  }
  EXPECT_GT(checked, 79000);
}

// The frequency is rounded from 8363 x power(2, x) computed in doubles; it must be the integer
// nearest to the exact 8363 x 2^x for every period sum that gives a frequency in 32 bits.
TEST(Power, LinearFrequenciesRoundAsTheExactProduct) {
  for (std::int32_t sum = -9100; sum <= 20000; ++sum) {
    const double x = static_cast<double>(4608 - sum) * LINEAR_OCTAVE_FRACTION;
    const long double exact = 8363.0L * std::exp2l(static_cast<long double>(x));
    const long double fraction = exact - std::floor(exact);
    ASSERT_GT(std::fabs(fraction - 0.5L), 1e-9L) << "a near tie needs a closer reference";
    const double computed = 8363.0 * power(2.0, x);
    ASSERT_EQ(std::nearbyint(computed), static_cast<double>(std::nearbyintl(exact)))
        << "period sum " << sum;
  }
}

TEST(Power, IsCorrectlyRoundedForEveryAmigaExponent) {
  for (std::int32_t k = 0; k <= 256; ++k) {
    const double x = static_cast<double>(132 - k) * TWELFTH;
    const double result = power(2.0, x);
    const long double reference = std::exp2l(static_cast<long double>(x));
    const long double distance = ulpsFrom(result, reference);
    if (std::fabs(distance - 0.5L) < REFERENCE_MARGIN) continue;
    EXPECT_LT(distance, 0.5L) << "k = " << k;
  }
}

TEST(Power, IntegerExponentsOfTwoAreExact) {
  for (int n = -1074; n <= 1023; ++n) {
    ASSERT_EQ(power(2.0, n), std::ldexp(1.0, n)) << n;
  }
  EXPECT_EQ(power(2.0, 1024.0), std::numeric_limits<double>::infinity());
  EXPECT_EQ(power(2.0, -1100.0), 0.0);
}

TEST(Power, OtherBasesAgreeWithCorrectlyRoundedOperations) {
  EXPECT_EQ(power(10.0, 3.0), 1000.0);
  EXPECT_EQ(power(9.0, 0.5), 3.0);
  EXPECT_EQ(power(0.25, -1.5), 8.0);
  for (int i = 1; i <= 2000; ++i) {
    const double x = i * 0.37 + 1.0 / i;
    ASSERT_EQ(power(x, 0.5), std::sqrt(x)) << x;
    ASSERT_EQ(power(x, -1.0), 1.0 / x) << x;
    ASSERT_EQ(power(x, 2.0), x * x) << x;  // x*x is correctly rounded, as power must be
  }
  for (int i = 1; i <= 2000; ++i) {
    const double x = 0.01 + i * 0.0731;
    const double y = -30.0 + i * 0.0297;
    const long double reference =
        std::pow(static_cast<long double>(x), static_cast<long double>(y));
    const long double distance = ulpsFrom(power(x, y), reference);
    if (std::fabs(distance - 0.5L) < REFERENCE_MARGIN) continue;
    ASSERT_LT(distance, 0.5L + REFERENCE_MARGIN) << x << "^" << y;
  }
}

TEST(Power, SpecialArguments) {
  EXPECT_EQ(power(2.0, 0.0), 1.0);
  EXPECT_EQ(power(1.0, 1e300), 1.0);
  EXPECT_EQ(power(0.0, 2.0), 0.0);
  EXPECT_EQ(power(0.0, -2.0), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(power(-2.0, 0.5)));
  EXPECT_TRUE(std::isnan(power(2.0, std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(power(2.0, std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(power(2.0, -std::numeric_limits<double>::infinity()), 0.0);
  EXPECT_EQ(power(0.5, std::numeric_limits<double>::infinity()), 0.0);
}

// Q(k) for every note, against the exact 13.375 x 2^x rounded to the nearest integer.
TEST(AmigaPeriod, BasePeriodsRoundAsTheExactFormula) {
  for (int k = 0; k <= 255; ++k) {
    const double x = static_cast<double>(132 - k) * TWELFTH;
    const long double exact = 13.375L * std::exp2l(static_cast<long double>(x));
    const long double fraction = exact - std::floor(exact);
    ASSERT_GT(std::fabs(fraction - 0.5L), 1e-9L);
    EXPECT_EQ(amigaPeriod(static_cast<std::uint8_t>(k), 0), std::lrintl(exact)) << "k = " << k;
  }
}

TEST(AmigaPeriod, KnownPeriods) {
  EXPECT_EQ(amigaPeriod(48, 0), 1712);
  EXPECT_EQ(amigaPeriod(60, 0), 856);
  EXPECT_EQ(amigaPeriod(72, 0), 428);
  EXPECT_EQ(amigaPeriod(132, 0), 13);
  // The single-precision 1/12 gives 24404 where the exact twelfth gives 24403.
  EXPECT_EQ(amigaPeriod(2, 0), 24404);
  EXPECT_EQ(std::lround(13.375 * std::exp2(130.0 / 12.0)), 24403);
  EXPECT_EQ(amigaPeriod(188, 0), 1);
  for (int k = 189; k <= 255; ++k)
    EXPECT_EQ(amigaPeriod(static_cast<std::uint8_t>(k), 0), 0);
}

TEST(AmigaPeriod, FinetuneMovesTowardTheNeighbourNote) {
  EXPECT_EQ(amigaPeriod(48, -128), 1814);
  EXPECT_EQ(amigaPeriod(48, 127), 1617);  // 1712 - 127 x 96 / 128, truncated
  EXPECT_EQ(amigaPeriod(48, 1), 1712);    // 96 / 128 truncates to 0
  EXPECT_EQ(amigaPeriod(48, -1), 1712);
  for (int k = 1; k <= 255; ++k) {
    const auto note = static_cast<std::uint8_t>(k);
    // -128 lands exactly on the note below; the result always lies between the neighbours.
    ASSERT_EQ(amigaPeriod(note, -128), amigaPeriod(static_cast<std::uint8_t>(k - 1), 0));
    ASSERT_LE(amigaPeriod(note, 127), amigaPeriod(note, 0));
    if (k < 255) {
      ASSERT_GE(amigaPeriod(note, 127), amigaPeriod(static_cast<std::uint8_t>(k + 1), 0));
    }
  }
  // Note 0 has no note below: a negative finetune uses the distance to the note above.
  EXPECT_EQ(amigaPeriod(0, -128), 27392 + (27392 - 25855));
  // Note 255's neighbour above is past the table, where the period is 0 as well.
  EXPECT_EQ(amigaPeriod(255, 127), 0);
}

}  // namespace
