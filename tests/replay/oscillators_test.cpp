#include "player/replay/oscillators.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using namespace player;

constexpr std::uint8_t VIBRATO_SINE = 0x00;
constexpr std::uint8_t VIBRATO_RAMP = 0x01;
constexpr std::uint8_t VIBRATO_SQUARE = 0x02;
constexpr std::uint8_t VIBRATO_THREE = 0x03;

std::int32_t vibratoDelta(std::uint8_t waveControl, std::int8_t position, std::uint8_t depth) {
  Channel channel{};
  channel.waveControl = waveControl;
  channel.vibratoPos = position;
  channel.vibratoDepth = depth;
  channel.periodDelta = 999;  // replaced, not added to
  vibrato(&channel);
  EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);
  EXPECT_EQ(channel.vibratoPos, position);  // vibrato alone does not move the phase
  return channel.periodDelta;
}

std::int32_t tremoloDelta(std::uint8_t waveControl, std::int8_t position, std::uint8_t depth,
                          std::int32_t volume) {
  Channel channel{};
  channel.waveControl = waveControl;
  channel.tremoloPos = position;
  channel.tremoloDepth = depth;
  channel.volume = volume;
  tremolo(&channel);
  EXPECT_EQ(channel.flags, UPDATE_VOLUME);
  return channel.volumeDelta;
}

TEST(Vibrato, SineAtFullDepth) {
  EXPECT_EQ(vibratoDelta(VIBRATO_SINE, 0, 15), 0);
  EXPECT_EQ(vibratoDelta(VIBRATO_SINE, -32, 15), 0);
  EXPECT_EQ(vibratoDelta(VIBRATO_SINE, 16, 15), -120);
  EXPECT_EQ(vibratoDelta(VIBRATO_SINE, -16, 15), 120);
  EXPECT_EQ(vibratoDelta(VIBRATO_SINE, 8, 15), -84);  // 181 x 15 / 32 = 84.8, low bits cleared
  EXPECT_EQ(vibratoDelta(VIBRATO_SINE, 1, 15), -8);   // 25 x 15 / 32 = 11.7
}

TEST(Vibrato, SquareAndRampAtFullDepth) {
  for (int p = -32; p <= 31; ++p) {
    const auto position = static_cast<std::int8_t>(p);
    ASSERT_EQ(vibratoDelta(VIBRATO_SQUARE, position, 15), p >= 0 ? -116 : 116);
    // Selector 3 is a second square for the vibrato.
    ASSERT_EQ(vibratoDelta(VIBRATO_THREE, position, 15), p >= 0 ? -116 : 116);
  }
  EXPECT_EQ(vibratoDelta(VIBRATO_RAMP, 0, 15), 0);
  EXPECT_EQ(vibratoDelta(VIBRATO_RAMP, 31, 15), -116);  // 248 x 15 / 32 = 116.25
  EXPECT_EQ(vibratoDelta(VIBRATO_RAMP, -32, 15), 116);  // 255 x 15 / 32 = 119.5
  EXPECT_EQ(vibratoDelta(VIBRATO_RAMP, -1, 15), 0);     // 7 x 15 / 32 = 3.3
}

TEST(Vibrato, DeltasAreMultiplesOfFourAndDepthZeroStillRequestsAnUpdate) {
  for (std::uint8_t wave = 0; wave < 4; ++wave) {
    for (int p = -32; p <= 31; ++p) {
      EXPECT_EQ(vibratoDelta(wave, static_cast<std::int8_t>(p), 0), 0);
      for (std::uint8_t depth = 1; depth <= 15; ++depth) {
        const std::int32_t delta = vibratoDelta(wave, static_cast<std::int8_t>(p), depth);
        ASSERT_EQ(delta % 4, 0);
        ASSERT_LE(delta < 0 ? -delta : delta, 120);
      }
    }
  }
}

TEST(Vibrato, PositionStepsThroughTheCycleInSigned8Bits) {
  Channel channel{};
  channel.vibratoSpeed = 1;
  channel.vibratoPos = 31;
  advanceVibrato(&channel);
  EXPECT_EQ(channel.vibratoPos, -32);
  channel.vibratoSpeed = 15;
  channel.vibratoPos = 20;
  advanceVibrato(&channel);
  EXPECT_EQ(channel.vibratoPos, -29);
  channel.vibratoSpeed = 0;
  advanceVibrato(&channel);
  EXPECT_EQ(channel.vibratoPos, -29);

  // 64 steps at any speed return to the start.
  channel.vibratoSpeed = 3;
  channel.vibratoPos = 0;
  for (int i = 0; i < 64; ++i)
    advanceVibrato(&channel);
  EXPECT_EQ(channel.vibratoPos, 0);
}

TEST(Vibrato, DamagedSpeedsAndPositionsReadOnlyTheTable) {
  Channel channel{};
  channel.vibratoDepth = 15;
  channel.vibratoSpeed = 200;
  for (int i = 0; i < 300; ++i) {
    advanceVibrato(&channel);
    vibrato(&channel);
    ASSERT_LE(channel.periodDelta < 0 ? -channel.periodDelta : channel.periodDelta, 120);
  }
}

TEST(Tremolo, ClampsToTheVolumeRange) {
  // At volume 64 nothing is added in the rising half; at volume 0 nothing is taken in the other.
  for (int p = 0; p <= 31; ++p)
    EXPECT_EQ(tremoloDelta(0x00, static_cast<std::int8_t>(p), 15, 64), 0);
  for (int p = -32; p <= -1; ++p)
    EXPECT_EQ(tremoloDelta(0x00, static_cast<std::int8_t>(p), 15, 0), 0);
  EXPECT_EQ(tremoloDelta(0x00, 16, 15, 40), 24);    // 60 capped at 64 - 40
  EXPECT_EQ(tremoloDelta(0x00, -16, 15, 40), -40);  // 60 capped at the volume
  EXPECT_EQ(tremoloDelta(0x00, 16, 15, 0), 60);
  EXPECT_EQ(tremoloDelta(0x00, -16, 15, 64), -60);
  // A set volume above 64 is pulled down to 64 in the rising half.
  EXPECT_EQ(tremoloDelta(0x00, 4, 15, 80), -16);
}

TEST(Tremolo, WaveformSelectorsDifferFromTheVibratos) {
  EXPECT_EQ(tremoloDelta(0x10, 31, 15, 0), 58);  // ramp: 248 x 15 / 64
  EXPECT_EQ(tremoloDelta(0x20, 1, 15, 0), 59);   // square: 255 x 15 / 64
  EXPECT_EQ(tremoloDelta(0x30, 1, 15, 0), 5);    // selector 3 is the sine: 25 x 15 / 64
  EXPECT_EQ(tremoloDelta(0x00, 1, 15, 0), 5);
  EXPECT_EQ(tremoloDelta(0x33, 16, 15, 0), 60);  // vibrato nibble does not matter
}

TEST(Tremolo, StepsItsOwnPositionAfterUse) {
  Channel channel{};
  channel.tremoloSpeed = 8;
  channel.tremoloDepth = 15;
  channel.tremoloPos = 28;
  channel.vibratoPos = 5;
  channel.volume = 32;
  tremolo(&channel);
  EXPECT_EQ(channel.tremoloPos, -28);
  EXPECT_EQ(channel.vibratoPos, 5);
  EXPECT_EQ(channel.volumeDelta, (98 * 15) >> 6);  // magnitude at position 28 = 4 from the end
}

TEST(Tremor, T21SoundsThreeTicksAndRestsTwo) {
  Channel channel{};
  channel.volume = 48;
  channel.tremorOn = 3;
  channel.tremorOff = 2;
  std::vector<std::int32_t> deltas;
  for (int tick = 0; tick < 10; ++tick) {
    channel.volumeDelta = 0;
    channel.flags = 0;
    tremor(&channel);
    EXPECT_EQ(channel.flags, UPDATE_VOLUME);
    deltas.push_back(channel.volumeDelta);
  }
  EXPECT_EQ(deltas, (std::vector<std::int32_t>{0, 0, 0, -48, -48, 0, 0, 0, -48, -48}));
}

TEST(Tremor, LengthsNeverSetSilenceEveryTick) {
  Channel channel{};
  channel.volume = 64;
  for (int tick = 0; tick < 6; ++tick) {
    channel.volumeDelta = 0;
    tremor(&channel);
    EXPECT_EQ(channel.volumeDelta, -64);
    EXPECT_EQ(channel.tremorCount, 0);
  }
}

TEST(TonePortamento, StepsAndLandsExactlyOnTheTarget) {
  Channel channel{};
  channel.period = 1000;
  channel.portaTarget = 1010;
  channel.portaSpeed = 2;
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, 1008);
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, 1010);  // 1016 would pass it
  channel.flags = 0;
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, 1010);
  EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);  // also once the target is reached

  channel.portaTarget = 990;
  channel.portaSpeed = 3;
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, 998);
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, 990);

  channel.portaTarget = 500;
  channel.portaSpeed = 0;
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, 990);
}

TEST(TonePortamento, NearTheEndsOfThe32BitRange) {
  Channel channel{};
  channel.period = std::numeric_limits<std::int32_t>::max() - 10;
  channel.portaTarget = std::numeric_limits<std::int32_t>::max();
  channel.portaSpeed = 255;
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, std::numeric_limits<std::int32_t>::max());
  channel.period = std::numeric_limits<std::int32_t>::min() + 10;
  channel.portaTarget = std::numeric_limits<std::int32_t>::min();
  tonePortamento(&channel);
  EXPECT_EQ(channel.period, std::numeric_limits<std::int32_t>::min());
}

}  // namespace
