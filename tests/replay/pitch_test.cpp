// The player's own x^y, correctly rounded against a wider reference: the periods and frequencies
// built on it are heard in the digest table's songs.
#include "player/replay/pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using player::power;

constexpr double INF = std::numeric_limits<double>::infinity();

// How far, in units of the last place of the double nearest to it, a reference value lies from
// that double. Below 0.5 means the double is the correctly rounded result.
long double ulpsFrom(double result, long double reference) {
  const double ulp = std::nextafter(std::fabs(result), INF) - std::fabs(result);
  return std::fabs(static_cast<long double>(result) - reference) / ulp;
}

// The long double reference carries 11 bits more than a double, so it can only vouch for a
// rounding when it does not fall within a few of its own ulps of a midpoint.
constexpr long double REFERENCE_MARGIN = 1.0L / 512;

TEST(Power, IsCorrectlyRoundedForEveryLinearExponent) {
  const double octaveFraction = static_cast<double>(1.0f / 768.0f);
  int checked = 0;
  for (std::int32_t units = -40000; units <= 40000; ++units) {
    const double x = static_cast<double>(units) * octaveFraction;
    const long double distance = ulpsFrom(power(2.0, x), std::exp2l(static_cast<long double>(x)));
    if (std::fabs(distance - 0.5L) < REFERENCE_MARGIN) continue;  // the reference cannot tell
    ASSERT_LT(distance, 0.5L) << "x = " << x;
    ++checked;
  }
  EXPECT_GT(checked, 79000);
}

TEST(Power, ExactAndSpecialArguments) {
  for (int n = -1074; n <= 1023; ++n)
    ASSERT_EQ(power(2.0, n), std::ldexp(1.0, n)) << n;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double cases[][3] = {
      {2.0, 1024.0, INF}, {2.0, -1100.0, 0.0}, {2.0, 0.0, 1.0}, {1.0, 1e300, 1.0},
      {0.0, 2.0, 0.0},    {0.0, -2.0, INF},    {2.0, INF, INF}, {2.0, -INF, 0.0},
      {0.5, INF, 0.0},    {10.0, 3.0, 1000.0}, {9.0, 0.5, 3.0}, {0.25, -1.5, 8.0},
  };
  for (const auto& [x, y, expected] : cases)
    EXPECT_EQ(power(x, y), expected) << x << "^" << y;
  EXPECT_TRUE(std::isnan(power(-2.0, 0.5)));
  EXPECT_TRUE(std::isnan(power(2.0, nan)));
}

TEST(Power, OtherBasesAreCorrectlyRounded) {
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

}  // namespace
