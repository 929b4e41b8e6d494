// Vibrato, tremolo and tone portamento on one channel, and the sine tables they and the
// auto-vibrato read.
#include "player/replay/oscillators.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <vector>

#include "player/replay/waveforms.h"

namespace {

using namespace player;
using Values = std::vector<std::int32_t>;

TEST(Vibrato, DeltasOfEachWaveformInMultiplesOfFour) {
  struct Case {
    std::uint8_t waveControl;
    std::int8_t position;
    std::uint8_t depth;
    std::int32_t delta;
  } const cases[] = {
      // Sine: 0 at 0 and -32, -120 at 16 and +120 at -16; 181 x 15 / 32 = 84.8 and 25 x 15 / 32
      // = 11.7 lose their two lowest bits.
      {0x00, 0, 15, 0},
      {0x00, -32, 15, 0},
      {0x00, 16, 15, -120},
      {0x00, -16, 15, 120},
      {0x00, 8, 15, -84},
      {0x00, 1, 15, -8},
      {0x00, 16, 0, 0},
      // Ramp: 248 x 15 / 32 = 116.25, 255 x 15 / 32 = 119.5, 7 x 15 / 32 = 3.3.
      {0x01, 0, 15, 0},
      {0x01, 31, 15, -116},
      {0x01, -32, 15, 116},
      {0x01, -1, 15, 0},
      // Square, and selector 3, which is a second square for the vibrato.
      {0x02, 0, 15, -116},
      {0x02, 31, 15, -116},
      {0x02, -32, 15, 116},
      {0x02, -1, 15, 116},
      {0x03, 5, 15, -116},
      {0x03, -5, 15, 116},
      {0x32, 5, 15, -116},  // the tremolo nibble does not matter
  };
  for (const Case& c : cases) {
    Channel channel{};
    channel.waveControl = c.waveControl;
    channel.vibratoPos = c.position;
    channel.vibratoDepth = c.depth;
    channel.periodDelta = 999;  // replaced, not added to
    vibrato(&channel, player::FASTTRACKER_VIBRATO);
    // Vibrato alone does not move the phase.
    EXPECT_EQ((Values{channel.periodDelta, channel.flags, channel.vibratoPos}),
              (Values{c.delta, UPDATE_FREQUENCY, c.position}))
        << "wave " << int(c.waveControl) << " position " << int(c.position) << " depth "
        << int(c.depth);
  }
}

TEST(Vibrato, PositionStepsThroughTheCycleInSigned8Bits) {
  for (const auto& [position, speed, next] :
       {std::tuple{31, 1, -32}, std::tuple{30, 1, 31}, std::tuple{20, 15, -29},
        std::tuple{-29, 0, -29}, std::tuple{-1, 15, 14}}) {
    Channel channel{};
    channel.vibratoPos = static_cast<std::int8_t>(position);
    channel.vibratoSpeed = static_cast<std::uint8_t>(speed);
    advanceVibrato(&channel);
    EXPECT_EQ(channel.vibratoPos, next) << position << " + " << speed;
  }
  // Speeds no effect stores still only read the table.
  Channel channel{};
  channel.vibratoDepth = 15;
  channel.vibratoSpeed = 200;
  for (int i = 0; i < 300; ++i) {
    advanceVibrato(&channel);
    vibrato(&channel, player::FASTTRACKER_VIBRATO);
    ASSERT_LE(std::abs(channel.periodDelta), 120);
  }
}

// The tremolo reads its position, then steps it on by its speed (8 here).
TEST(Tremolo, DeltasStayWithinTheVolumeRangeAndSelectorThreeIsTheSine) {
  struct Case {
    std::uint8_t waveControl;
    std::int8_t position;
    std::int32_t volume, delta;
    std::int8_t next;
  } const cases[] = {
      {0x00, 16, 64, 0, 24},   {0x00, 1, 64, 0, 9},       // nothing added above 64 when rising
      {0x00, -16, 0, 0, -8},   {0x00, -1, 0, 0, 7},       // nothing taken below 0 when falling
      {0x00, 16, 40, 24, 24},  {0x00, -16, 40, -40, -8},  // 60, capped at 64 - 40 and at 40
      {0x00, 16, 0, 60, 24},   {0x00, -16, 64, -60, -8},
      {0x00, 28, 32, 22, -28},  // 98 x 15 / 64 at 4 before the end of the half
      {0x00, 4, 80, -16, 12},   // a set volume above 64 is pulled down to 64 when rising
      {0x10, 31, 0, 58, -25},   // ramp: 248 x 15 / 64
      {0x20, 1, 0, 59, 9},      // square: 255 x 15 / 64
      {0x30, 1, 0, 5, 9},       // selector 3 is the sine: 25 x 15 / 64
      {0x33, 16, 0, 60, 24},    // the vibrato nibble does not matter
  };
  for (const Case& c : cases) {
    Channel channel{};
    channel.waveControl = c.waveControl;
    channel.tremoloPos = c.position;
    channel.tremoloSpeed = 8;
    channel.tremoloDepth = 15;
    channel.volume = c.volume;
    tremolo(&channel);
    EXPECT_EQ((Values{channel.volumeDelta, channel.tremoloPos, channel.flags}),
              (Values{c.delta, c.next, UPDATE_VOLUME}))
        << "wave " << int(c.waveControl) << " position " << int(c.position) << " volume "
        << c.volume;
  }
}

TEST(TonePortamento, StepsAndLandsExactlyOnTheTarget) {
  struct Case {
    std::int32_t period, target;
    std::uint8_t speed;
    std::int32_t first, second;
  };
  constexpr std::int32_t TOP = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t BOTTOM = std::numeric_limits<std::int32_t>::min();
  for (const Case& c :
       {Case{1000, 1010, 2, 1008, 1010}, Case{1010, 990, 3, 998, 990}, Case{990, 500, 0, 990, 990},
        Case{TOP - 10, TOP, 255, TOP, TOP}, Case{BOTTOM + 10, BOTTOM, 255, BOTTOM, BOTTOM}}) {
    Channel channel{};
    channel.period = c.period;
    channel.portaTarget = c.target;
    channel.portaSpeed = c.speed;
    tonePortamento(&channel);
    const std::int32_t first = channel.period;
    channel.flags = 0;
    tonePortamento(&channel);
    // The frequency is updated also once the target is reached.
    EXPECT_EQ((Values{first, channel.period, channel.flags}),
              (Values{c.first, c.second, UPDATE_FREQUENCY}))
        << c.period << " towards " << c.target;
  }
}

}  // namespace
