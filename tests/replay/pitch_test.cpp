// The player's own 2^x, the Amiga period table built on it, and the frequencies and steps the
// voice update remembers.
#include "player/replay/pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "player/mixer/voice.h"
#include "player/replay/pitch_memo.h"
#include "player/replay/voice_step.h"

namespace {

using player::amigaPeriod;
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

// Results within a few millionths of an ulp of a midpoint between two doubles, where the
// reference above cannot decide: among the exponents of the linear table (exp2l rounds two of
// them the wrong way), and with fractional parts near one half, where the reduced argument is
// largest and the series converges slowest. The expected bits come from 200-bit arithmetic.
TEST(Power, RoundsArgumentsNearAMidpointCorrectly) {
  const std::pair<double, double> cases[] = {
      {-0x1.0068008034000p+5, 0x1.ee4a94aef7133p-33},
      {-0x1.bd1aab8938000p+4, 0x1.2237945a519bbp-28},
      {0x1.04aaab2d00000p+3, 0x1.1b3b0bc0a5396p+8},
      {0x1.41bd1aefc29dcp+1, 0x1.6d76a836c3e85p+2},
      {0x1.282c2975a4ee0p+4, 0x1.6cc122ee69e38p+18},
      {0x1.afabe024368d3p+3, 0x1.67788870b7f31p+13},
      {-0x1.17cc869f45a6fp+4, 0x1.6d34c0e275c4ep-18},
      {-0x1.f9ea6a7e92cb4p-2, 0x1.6b88654ee5ef9p-1},
      {0x1.cfcd8bcfd36eep+3, 0x1.687f14b6ccb8dp+14},
  };
  for (const auto& [x, expected] : cases)
    EXPECT_EQ(power(2.0, x), expected) << std::hexfloat << x;
}

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

TEST(AmigaPeriod, KnownPeriodsAndFinetunes) {
  struct Case {
    std::uint8_t note;
    std::int8_t finetune;
    std::int32_t period;
  };
  // Q(2) is 24404 with the single-precision 1/12 (the exact twelfth gives 24403); finetune 1 or
  // -1 moves no way to the neighbour. C-4 with finetunes 0, -128 and 127 is played by the row
  // tests.
  for (const Case& c :
       {Case{60, 0, 856}, Case{72, 0, 428}, Case{132, 0, 13}, Case{2, 0, 24404}, Case{48, 1, 1712},
        Case{48, -1, 1712},
        // Note 0 has no note below: a negative finetune uses the distance to the note above.
        Case{0, -128, 27392 + (27392 - 25855)},
        // Note 255's neighbour above is past the table, where the period is 0 as well.
        Case{255, 127, 0}}) {
    EXPECT_EQ(amigaPeriod(c.note, c.finetune), c.period)
        << "note " << int(c.note) << " finetune " << int(c.finetune);
  }
  for (int k = 1; k <= 255; ++k) {
    const auto note = static_cast<std::uint8_t>(k);
    // -128 lands exactly on the note below; the result always lies between the neighbours.
    ASSERT_EQ(amigaPeriod(note, -128), amigaPeriod(static_cast<std::uint8_t>(k - 1), 0));
    ASSERT_LE(amigaPeriod(note, 127), amigaPeriod(note, 0));
    if (k < 255) {
      ASSERT_GE(amigaPeriod(note, 127), amigaPeriod(static_cast<std::uint8_t>(k + 1), 0));
    }
  }
}

// The remembered frequencies and steps are those computed afresh, whichever periods have been
// asked for before (slots are shared and overwritten) and whatever the rate.
TEST(PitchMemo, GivesWhatTheFormulasGive) {
  const auto memo = std::make_unique<player::PitchMemo>();
  for (const std::int32_t rate : {44100, 48000, 44100}) {
    for (const auto table : {player::FrequencyTable::LINEAR, player::FrequencyTable::AMIGA}) {
      for (std::int32_t argument = -3000; argument <= 12000; argument += 7) {
        if (table == player::FrequencyTable::AMIGA && argument == 0) continue;
        const player::VoicePitch pitch = player::pitchOf(*memo, table, argument, rate);
        player::Voice voice{};
        const std::int32_t frequency = player::frequencyOf(table, argument);
        player::setVoiceStep(&voice, frequency, rate);
        ASSERT_EQ(pitch.frequency, frequency) << argument;
        ASSERT_EQ(pitch.step, voice.step) << argument;
        ASSERT_EQ(pitch.stepFrac, voice.stepFrac) << argument;
      }
    }
  }
}

}  // namespace
