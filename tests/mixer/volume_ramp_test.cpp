// The volume ramp: its set-up, its continuation across calls and loop wraps, restarts, and the
// float roundings of the gains (which a vectorising compiler has been seen to drop).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "player/mixer/mixer.h"
#include "tests/mixer/voice_setup.h"

namespace {

using player::voicePool;

constexpr float INV_255 = 1.0f / 255.0f;

class VolumeRamp : public ::testing::Test {
 protected:
  void SetUp() override { mixtest::prepareAt44100(); }
  void TearDown() override { mixtest::prepareAt44100(); }

  std::vector<float> mix(std::int32_t count) {
    std::vector<float> frames(2 * static_cast<std::size_t>(count), 0.0f);
    player::mixVoices(frames.data(), count);
    return frames;
  }

  // A constant sample of value 1000, looping so it never ends.
  std::unique_ptr<mixtest::OwnedSample> constant_ =
      mixtest::makeSample(std::vector<std::int16_t>(4000, 1000), player::LOOP_FORWARD, 0, 4000);
};

// The ramp step of one side, from the level's upper bits towards the target.
float expectedStep(std::int32_t target, std::int32_t level) {
  return static_cast<float>(static_cast<double>(target - (level >> 8)) *
                            static_cast<double>(INV_255) *
                            static_cast<double>(player::rampReciprocal));
}

TEST_F(VolumeRamp, FullGainStaysExactInBothChannels) {
  // 255 x float(1/255) is 1 + 5.9e-8 in double and exactly 1 once rounded to float; a lost
  // rounding shows as 1000.00006.
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 255, 255);
  const std::vector<float> frames = mix(5);
  for (float value : frames)
    EXPECT_EQ(value, 1000.0f);

  // The ramp steps to and from full gain are exactly 1/128 once rounded, so every ramped frame
  // is an exact multiple of 1000/128.
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 255, 255);
  voicePool[0].leftLevel = 0;
  voicePool[0].rightLevel = 0;
  const std::vector<float> up = mix(130);
  EXPECT_EQ(voicePool[0].leftRampStep, 0.0f);  // ramp over
  for (int j = 0; j < 128; ++j) {
    ASSERT_EQ(up[2 * j], 7.8125f * static_cast<float>(j)) << "frame " << j;
    ASSERT_EQ(up[2 * j + 1], 7.8125f * static_cast<float>(j)) << "frame " << j;
  }
  EXPECT_EQ(up[256], 1000.0f);

  voicePool[0].leftTarget = 0;
  voicePool[0].rightTarget = 0;
  const std::vector<float> down = mix(128);
  for (int j = 0; j < 128; ++j) {
    ASSERT_EQ(down[2 * j], 1000.0f - 7.8125f * static_cast<float>(j)) << "frame " << j;
    ASSERT_EQ(down[2 * j + 1], 1000.0f - 7.8125f * static_cast<float>(j)) << "frame " << j;
  }
}

TEST_F(VolumeRamp, NewNoteFadesInOverTheRampLength) {
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 128, 0);
  voicePool[0].leftLevel = 0;  // a trigger starts from silence
  const std::vector<float> frames = mix(200);

  const float step = expectedStep(128, 0);
  EXPECT_EQ(voicePool[0].leftRampStep, 0.0f);
  float gain = 0.0f;
  for (int j = 0; j < 128; ++j) {
    ASSERT_EQ(frames[2 * j], static_cast<float>(1000.0 * static_cast<double>(gain))) << j;
    ASSERT_EQ(frames[2 * j + 1], 0.0f);
    gain += step;
  }
  const float fixed = static_cast<float>(128.0 * static_cast<double>(INV_255));
  for (int j = 128; j < 200; ++j)
    ASSERT_EQ(frames[2 * j], static_cast<float>(1000.0 * fixed));
  EXPECT_EQ(voicePool[0].leftLevel, 32768);
  EXPECT_EQ(voicePool[0].rampRemaining, 0);
}

TEST_F(VolumeRamp, RampRunsOnIntoTheNextCall) {
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 128, 64);
  voicePool[0].leftLevel = 0;
  voicePool[0].rightLevel = 0;
  const std::vector<float> first = mix(100);
  EXPECT_EQ(voicePool[0].rampRemaining, 28);

  // The level carried between calls is the running gain rounded to 8.8.
  const float step = expectedStep(128, 0);
  float gain = 0.0f;
  for (int j = 0; j < 100; ++j)
    gain += step;
  const std::int32_t level =
      static_cast<std::int32_t>(std::nearbyint(static_cast<double>(gain) * 255.0 * 256.0));
  EXPECT_EQ(voicePool[0].leftLevel, level);

  const std::vector<float> second = mix(100);
  float resumed =
      static_cast<float>(static_cast<double>(level) / 256.0 * static_cast<double>(INV_255));
  for (int j = 0; j < 28; ++j) {
    ASSERT_EQ(second[2 * j], static_cast<float>(1000.0 * static_cast<double>(resumed))) << j;
    resumed += step;
  }
  const float fixed = static_cast<float>(128.0 * static_cast<double>(INV_255));
  for (int j = 28; j < 100; ++j)
    ASSERT_EQ(second[2 * j], static_cast<float>(1000.0 * fixed)) << j;
  EXPECT_EQ(voicePool[0].rampRemaining, 0);
  EXPECT_EQ(voicePool[0].leftLevel, 128 * 256);
  EXPECT_EQ(voicePool[0].rightLevel, 64 * 256);
}

TEST_F(VolumeRamp, RampCarriesAcrossLoopWrapsAsAcrossCalls) {
  auto shortLoop = mixtest::makeSample(mixtest::rampValues(50), player::LOOP_FORWARD, 0, 50);
  voicePool[0] = mixtest::settledVoice(&shortLoop->sample, 200, 100);
  voicePool[0].leftLevel = 0;
  voicePool[0].rightLevel = 0;
  const player::Voice start = voicePool[0];
  const std::vector<float> whole = mix(140);  // passes of 50, 50 and 28 ramped frames, then 12
  const player::Voice afterWhole = voicePool[0];

  voicePool[0] = start;
  std::vector<float> pieces;
  for (int count : {50, 50, 28, 12}) {
    const std::vector<float> piece = mix(count);
    pieces.insert(pieces.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(pieces, whole);
  EXPECT_TRUE(mixtest::sameVoice(voicePool[0], afterWhole));
  EXPECT_EQ(afterWhole.rampRemaining, 0);
  EXPECT_EQ(afterWhole.leftLevel, 200 * 256);
}

TEST_F(VolumeRamp, TargetChangeMidRampRestartsFromTheCurrentLevel) {
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 128, 128);
  voicePool[0].leftLevel = 0;
  voicePool[0].rightLevel = 0;
  mix(64);
  const std::int32_t levelAtChange = voicePool[0].leftLevel;
  ASSERT_GT(levelAtChange, 0);
  ASSERT_EQ(voicePool[0].rampRemaining, 64);

  // Only the right target changes, yet both sides set up a new full-length ramp.
  voicePool[0].rightTarget = 0;
  mix(1);
  EXPECT_EQ(voicePool[0].rampRemaining, 127);
  EXPECT_EQ(voicePool[0].rampLeftTarget, 128);
  EXPECT_EQ(voicePool[0].rampRightTarget, 0);
  EXPECT_EQ(voicePool[0].leftRampStep, expectedStep(128, levelAtChange));
  EXPECT_EQ(voicePool[0].rightRampStep, expectedStep(0, levelAtChange));

  mix(127);
  EXPECT_EQ(voicePool[0].rampRemaining, 0);
  EXPECT_EQ(voicePool[0].leftLevel, 128 * 256);
  EXPECT_EQ(voicePool[0].rightLevel, 0);
}

TEST_F(VolumeRamp, UnchangedSideRampsByZero) {
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 100, 50);
  voicePool[0].leftTarget = 0;
  const std::vector<float> frames = mix(128);
  EXPECT_EQ(voicePool[0].rightRampStep, 0.0f);
  const float right = static_cast<float>(50.0 * 256.0 / 256.0 * static_cast<double>(INV_255));
  for (int j = 0; j < 128; ++j)
    ASSERT_EQ(frames[2 * j + 1], static_cast<float>(1000.0 * right));
  EXPECT_EQ(voicePool[0].leftLevel, 0);
}

}  // namespace
