// The sine tables of the oscillators and the auto-vibrato.
#include "player/replay/waveforms.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace player;

// The literal tables against the C library's sine; every entry must lie clear of a rounding tie
// so that a last-place difference in sin cannot matter.
TEST(Waveforms, OscillatorSineIsTheRoundedMagnitude) {
  for (int p = 0; p < OSCILLATOR_SINE_SIZE; ++p) {
    const double exact = std::fabs(std::sin(2 * p * 0.049087375)) * 256;
    ASSERT_GT(std::fabs(exact - std::floor(exact) - 0.5), 1e-6);
    EXPECT_EQ(OSCILLATOR_SINE[p], std::nearbyint(exact)) << p;
  }
}

TEST(Waveforms, AutoVibratoSineIsTheRoundedSine) {
  const double angle = static_cast<double>(0.0245436877f);
  for (int p = 0; p < AUTO_VIBRATO_SINE_SIZE; ++p) {
    const double exact = std::sin(p * angle) * 64;
    ASSERT_GT(std::fabs(exact - std::floor(exact) - 0.5), 1e-6);
    EXPECT_EQ(AUTO_VIBRATO_SINE[p], std::nearbyint(exact)) << p;
  }
}

}  // namespace
