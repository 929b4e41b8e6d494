// The volume ramp: its set-up, its continuation across calls and loop wraps, restarts, and the
// float roundings of the gains (which a vectorising compiler has been seen to drop).
#include <gtest/gtest.h>

#include <vector>

#include "tests/mixer/voice_setup.h"

namespace {

using Values = std::vector<std::int32_t>;

class VolumeRamp : public mixtest::MixerTest {
 protected:
  // Voice 0 on a sample (by default a constant one of value 1000 that never ends), with targets
  // left and right, ramping up from silence.
  player::Voice& fadeIn(std::int32_t left, std::int32_t right, player::Sample* sample = nullptr) {
    voicePool[0] = mixtest::settledVoice(sample ? sample : &constant_->sample, left, right);
    voicePool[0].leftLevel = 0;
    voicePool[0].rightLevel = 0;
    return voicePool[0];
  }

  std::unique_ptr<mixtest::OwnedSample> constant_ =
      mixtest::makeSample(std::vector<std::int16_t>(4000, 1000), player::LOOP_FORWARD, 0, 4000);
};

TEST_F(VolumeRamp, FullGainStaysExactInBothChannels) {
  // 255 x float(1/255) is 1 + 5.9e-8 in double and exactly 1 once rounded to float; a lost
  // rounding shows as 1000.00006.
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 255, 255);
  EXPECT_EQ(mix(5), std::vector<float>(10, 1000.0f));

  // The ramp steps to and from full gain are exactly 1/128 once rounded, so every ramped frame
  // is an exact multiple of 1000/128.
  fadeIn(255, 255);
  const std::vector<float> up = mix(130);
  voicePool[0].leftTarget = 0;
  voicePool[0].rightTarget = 0;
  const std::vector<float> down = mix(128);
  for (int j = 0; j < 128; ++j) {
    const float ramped = 7.8125f * static_cast<float>(j);
    ASSERT_EQ(up[2 * j], ramped) << "frame " << j;
    ASSERT_EQ(up[2 * j + 1], ramped) << "frame " << j;
    ASSERT_EQ(down[2 * j], 1000.0f - ramped) << "frame " << j;
    ASSERT_EQ(down[2 * j + 1], 1000.0f - ramped) << "frame " << j;
  }
  EXPECT_EQ(up[256], 1000.0f);
}

TEST_F(VolumeRamp, NewNoteFadesInOverTheRampLength) {
  fadeIn(128, 0);
  const std::vector<float> frames = mix(200);
  // Frame j of the ramp is scaled by j ramp steps of 1/255 each.
  for (int j = 0; j < 128; ++j) {
    ASSERT_NEAR(frames[2 * j], 1000.0 * j / 255.0, 1e-2) << j;
    ASSERT_EQ(frames[2 * j + 1], 0.0f);
  }
  for (int j = 128; j < 200; ++j)
    ASSERT_EQ(frames[2 * j], frames[256]) << "the fixed gain after the ramp";
  EXPECT_NEAR(frames[256], 1000.0 * 128.0 / 255.0, 1e-3);
  EXPECT_EQ((Values{voicePool[0].leftLevel, voicePool[0].rampRemaining}), (Values{32768, 0}));
  EXPECT_EQ(voicePool[0].leftRampStep, 0.0f);
}

TEST_F(VolumeRamp, RampRunsOnIntoTheNextCallAndAcrossLoopWraps) {
  fadeIn(128, 64);
  const player::Voice start = voicePool[0];
  const std::vector<float> whole = mix(200);
  const player::Voice afterWhole = voicePool[0];

  // 100 frames, then the remaining 28 ramped frames and 72 at the fixed gains in the next call:
  // the level carried between the calls is the running gain rounded to 8.8.
  voicePool[0] = start;
  std::vector<float> pieces = mix(100);
  EXPECT_EQ(voicePool[0].rampRemaining, 28);
  EXPECT_NEAR(voicePool[0].leftLevel, 100 * 256, 1);
  const std::vector<float> second = mix(100);
  pieces.insert(pieces.end(), second.begin(), second.end());
  for (int j = 0; j < 400; ++j)
    ASSERT_NEAR(pieces[j], whole[j], 1e-2) << "value " << j;
  EXPECT_TRUE(mixtest::sameVoice(voicePool[0], afterWhole));
  EXPECT_EQ((Values{afterWhole.rampRemaining, afterWhole.leftLevel, afterWhole.rightLevel}),
            (Values{0, 128 * 256, 64 * 256}));

  // Loop wraps split passes as calls do, but without rounding the gains to 8.8 between them:
  // passes of 50, 50 and 28 ramped frames, then 12, match calls of those lengths exactly.
  auto shortLoop = mixtest::makeSample(mixtest::rampValues(50), player::LOOP_FORWARD, 0, 50);
  const player::Voice looping = fadeIn(200, 100, &shortLoop->sample);
  const std::vector<float> wrapped = mix(140);
  const player::Voice afterWrapped = voicePool[0];
  voicePool[0] = looping;
  std::vector<float> calls;
  for (int count : {50, 50, 28, 12}) {
    const std::vector<float> piece = mix(count);
    calls.insert(calls.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(calls, wrapped);
  EXPECT_TRUE(mixtest::sameVoice(voicePool[0], afterWrapped));
  EXPECT_EQ(afterWrapped.leftLevel, 200 * 256);
}

TEST_F(VolumeRamp, TargetChangeMidRampRestartsFromTheCurrentLevel) {
  fadeIn(128, 128);
  const std::vector<float> first = mix(64);
  ASSERT_EQ(voicePool[0].rampRemaining, 64);

  // Only the right target changes, yet both sides set up a new full-length ramp from where
  // they stand.
  voicePool[0].rightTarget = 0;
  const std::vector<float> next = mix(1);
  const player::Voice& voice = voicePool[0];
  EXPECT_EQ((Values{voice.rampRemaining, voice.rampLeftTarget, voice.rampRightTarget}),
            (Values{127, 128, 0}));
  EXPECT_NEAR(next[0], first[126], 5.0);
  EXPECT_NEAR(next[1], first[127], 5.0);
  EXPECT_GT(voice.leftRampStep, 0.0f);
  EXPECT_LT(voice.leftRampStep, 1.0f / 255.0f) << "half the way left to go in a full ramp";
  EXPECT_LT(voice.rightRampStep, 0.0f);

  mix(127);
  EXPECT_EQ((Values{voice.rampRemaining, voice.leftLevel, voice.rightLevel}),
            (Values{0, 128 * 256, 0}));
}

TEST_F(VolumeRamp, UnchangedSideRampsByZero) {
  voicePool[0] = mixtest::settledVoice(&constant_->sample, 100, 50);
  voicePool[0].leftTarget = 0;
  const std::vector<float> frames = mix(129);
  EXPECT_EQ(voicePool[0].rightRampStep, 0.0f);
  for (int j = 0; j < 129; ++j)
    ASSERT_EQ(frames[2 * j + 1], frames[257]) << "frame " << j;
  EXPECT_EQ(voicePool[0].leftLevel, 0);
}

TEST_F(VolumeRamp, LevelsRoundHalvesToEven) {
  // Running gains of 3/512 and 1/512 are levels of exactly 382.5 and 127.5.
  player::Voice& voice = fadeIn(100, 100);
  voice.rampRemaining = 10;
  voice.leftRampStep = 3.0f / 512.0f;
  voice.rightRampStep = 1.0f / 512.0f;
  mix(1);
  EXPECT_EQ((Values{voice.rampRemaining, voice.leftLevel, voice.rightLevel}),
            (Values{9, 382, 128}));
}

}  // namespace
