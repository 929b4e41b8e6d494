// Interpolation, position arithmetic and what happens at the end of a sample or loop.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "player/mixer/mixer.h"
#include "tests/mixer/voice_setup.h"

namespace {

using mixtest::ONE;
using mixtest::positionOf;
using mixtest::rampValues;
using mixtest::setPosition;
using player::DIRECTION_BACKWARD;
using player::DIRECTION_FORWARD;
using player::LOOP_FORWARD;
using player::LOOP_OFF;
using player::LOOP_PINGPONG;
using player::voicePool;

class SamplePlayback : public ::testing::Test {
 protected:
  void SetUp() override { player::prepareOutput(44100); }
  void TearDown() override { player::prepareOutput(44100); }

  // Voice 0 playing values with the given loop at step 1.0 from position 0, at full gain on the
  // left and silent on the right, so that a left value is the interpolated sample value.
  player::Voice& play(const std::vector<std::int16_t>& values, std::uint8_t mode,
                      std::uint32_t loopStart = 0, std::uint32_t loopLength = 0) {
    sample_ = mixtest::makeSample(values, mode, loopStart, loopLength);
    voicePool[0] = mixtest::settledVoice(&sample_->sample, 255, 0);
    return voicePool[0];
  }

  // Mixes count frames and returns the left values.
  std::vector<float> mixLeft(std::int32_t count) {
    std::vector<float> frames(2 * static_cast<std::size_t>(count), 0.0f);
    player::mixVoices(frames.data(), count);
    std::vector<float> left(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
      left[i] = frames[2 * i];
    return left;
  }

  std::unique_ptr<mixtest::OwnedSample> sample_;
};

TEST_F(SamplePlayback, SampleWithoutLoopPlaysEachValueOnceThenStops) {
  std::vector<std::int16_t> values = rampValues(1001);
  values.erase(values.begin());  // 1, 2, ... 1000
  play(values, LOOP_OFF);
  // Two block-sized calls: the sample ends inside the second.
  std::vector<float> left = mixLeft(884);
  const std::vector<float> rest = mixLeft(884);
  left.insert(left.end(), rest.begin(), rest.end());
  for (int i = 0; i < 1768; ++i)
    ASSERT_EQ(left[i], i < 1000 ? static_cast<float>(i + 1) : 0.0f) << "frame " << i;
  EXPECT_EQ(voicePool[0].sample, nullptr);
  EXPECT_EQ(voicePool[0].position, 0u);
  EXPECT_EQ(voicePool[0].positionFrac, 0u);
}

TEST_F(SamplePlayback, InterpolatesWithTheUpperThirtyOneBitsOfTheFraction) {
  player::Voice& voice = play({0, 1000, 0, 32767}, LOOP_OFF);
  voice.step = 0;  // stand still: no boundary is ever reached
  // Between 0 and 32767 bit 0 of the fraction carries no weight, bit 1 the smallest one.
  for (const auto& [position, fraction, value] :
       {std::tuple{0u, 0x80000000u, 500.0f}, std::tuple{2u, 1u, 0.0f},
        std::tuple{2u, 3u, static_cast<float>(32767.0 * 0x1p-31)},
        std::tuple{2u, 0xFFFFFFFFu, static_cast<float>(32767.0 * (1.0 - 0x1p-31))}}) {
    voice.position = position;
    voice.positionFrac = fraction;
    EXPECT_EQ(mixLeft(1)[0], value) << position << " + " << fraction;
  }
}

TEST_F(SamplePlayback, CountsFramesToTheEndInEightPointTwentyFour) {
  // 5 samples and 100 units before the end: the 8.24 distance drops the 100 units, so the
  // voice stops after 5 frames, 100 units short of the end, without a sixth frame.
  setPosition(play(rampValues(10), LOOP_OFF), 10 * ONE - (5 * ONE + 100));
  const std::vector<float> left = mixLeft(8);
  for (int i = 0; i < 5; ++i)
    EXPECT_GT(left[i], static_cast<float>(4 + i)) << "frame " << i;
  EXPECT_EQ(left[5], 0.0f);
  EXPECT_EQ(voicePool[0].sample, nullptr);

  // A step whose low byte the 8.24 step drops: three frames are counted where two reach the
  // end, and the third reads the guard value behind the loop; the wrap keeps the overshoot.
  player::Voice& looped = play({0, 0, 5000, 1, 2, 3, 4, 5, 6, 7, 0, 5000}, LOOP_FORWARD, 2, 8);
  looped.stepFrac = 255;
  setPosition(looped, 8 * ONE - 300);
  EXPECT_EQ(mixLeft(3)[2], 5000.0f);  // at 10 + 209 units: the guard, a copy of value 2
  EXPECT_EQ(positionOf(looped), 3 * ONE + 463);
}

TEST_F(SamplePlayback, ForwardLoopRepeatsItsRangeAndKeepsTheFraction) {
  play(rampValues(200), LOOP_FORWARD, 100, 50).positionFrac = 0x80000000u;
  const std::vector<float> left = mixLeft(400);
  for (int frame = 0; frame < 400; ++frame) {
    const int index = frame < 150 ? frame : 100 + (frame - 150) % 50;
    // Halfway after the last loop value lies the guard value, a copy of the loop start.
    const float expected = index == 149 ? 124.5f : static_cast<float>(index) + 0.5f;
    ASSERT_EQ(left[frame], expected) << "frame " << frame;
  }
  EXPECT_EQ(positionOf(voicePool[0]), 100 * ONE + 0x80000000u);
}

TEST_F(SamplePlayback, PingPongLoopTurnsAtExactPositions) {
  player::Voice& voice = play(rampValues(200), LOOP_PINGPONG, 100, 50);
  // Forward to exactly 150.0, then on backward from 2^-32 below it.
  mixLeft(150);
  EXPECT_EQ(positionOf(voice), 150 * ONE - 1);
  EXPECT_EQ(voice.direction, DIRECTION_BACKWARD);

  // 50 frames back at 149, 148, ... 100; the cleared bit leaves 100 - 2^-31, mirrored to
  // 100 + 2^-32.
  const std::vector<float> back = mixLeft(50);
  EXPECT_EQ(back[0], 149.0f);  // the guard copies value 149
  for (int i = 1; i < 50; ++i)
    EXPECT_EQ(back[i], static_cast<float>(149 - i) + 1.0f) << i;
  EXPECT_EQ(positionOf(voice), 100 * ONE + 1);
  EXPECT_EQ(voice.direction, DIRECTION_FORWARD);

  mixLeft(50);
  EXPECT_EQ(positionOf(voice), 150 * ONE - 1);
  EXPECT_EQ(voice.direction, DIRECTION_BACKWARD);
}

TEST_F(SamplePlayback, PositionOnOrPastItsBoundaryIsHandledBeforeAnyFrame) {
  play(rampValues(200), LOOP_FORWARD, 100, 50).position = 150;
  EXPECT_EQ(mixLeft(1)[0], 100.0f);
  EXPECT_EQ(voicePool[0].position, 101u);

  play(rampValues(200), LOOP_OFF).position = 200;
  EXPECT_EQ(mixLeft(1)[0], 0.0f);
  EXPECT_EQ(voicePool[0].sample, nullptr);

  // A forward loop far behind its end wraps into the loop at once.
  play(rampValues(6000), LOOP_FORWARD, 100, 50).position = 5000;
  EXPECT_EQ(mixLeft(1)[0], 100.0f);

  // A rewound ping-pong voice that was moving backward lies below the loop start: mirrored to
  // 199 - 2^-32, then about the end to exactly 100.0 moving backward, which turns it again.
  play(rampValues(200), LOOP_PINGPONG, 100, 50).direction = DIRECTION_BACKWARD;
  EXPECT_EQ(mixLeft(3), (std::vector<float>{100.0f, 101.0f, 102.0f}));
  EXPECT_EQ(voicePool[0].direction, DIRECTION_FORWARD);
}

// Ping-pong loops that start at 0: where plain 8.24 counting would take the position below the
// first value, the voice stays inside its data.
TEST_F(SamplePlayback, PingPongLoopAtZeroNeverReadsBeforeTheFirstValue) {
  player::Voice& voice = play(std::vector<std::int16_t>(50, 1000), LOOP_PINGPONG, 0, 50);
  struct Case {
    const char* name;
    std::uint32_t stepFrac;
    std::uint64_t start;
    int frames;
    std::uint64_t end;
  };
  for (const Case& c :
       {// Frames at 10, 9, ... 0; the turn on exactly 0 leaves the position there.
        Case{"down to exactly 0", 0, 10 * ONE, 13, 3 * ONE},
        // The 8.24 count says 3 frames, but the third would lie 211 units below 0; it is
        // mirrored to 210 units instead.
        Case{"a step of 1 + 255 units from 2 + 300 units", 255, 2 * ONE + 300, 3, ONE + 465},
        // 3 frames end 100 units above 0, and the turn leaves the position there.
        Case{"3 frames from 3 + 100 units", 0, 3 * ONE + 100, 4, ONE + 100}}) {
    SCOPED_TRACE(c.name);
    voice.direction = DIRECTION_BACKWARD;
    voice.stepFrac = c.stepFrac;
    setPosition(voice, c.start);
    EXPECT_EQ(mixLeft(c.frames), std::vector<float>(c.frames, 1000.0f));
    EXPECT_EQ(positionOf(voice), c.end);
    EXPECT_EQ(voice.direction, DIRECTION_FORWARD);
  }
}

TEST_F(SamplePlayback, ForwardLoopAtZeroThatFallsShortOfTheEndRestartsAtZero) {
  // 3 samples and 100 units before the end: 3 frames end 100 units short of it.
  setPosition(play(rampValues(10), LOOP_FORWARD, 0, 10), 10 * ONE - (3 * ONE + 100));
  mixLeft(3);
  EXPECT_EQ(positionOf(voicePool[0]), 0u);
  EXPECT_EQ(mixLeft(1)[0], 0.0f);
}

TEST_F(SamplePlayback, BackwardVoiceOnAForwardLoopWrapsUpward) {
  // Only a ping-pong loop turns a voice round, but a backward voice given a forward loop must
  // still stay in it: reaching the start it goes on from the end, whose guard repeats the start.
  player::Voice& voice = play(rampValues(200), LOOP_FORWARD, 100, 50);
  voice.direction = DIRECTION_BACKWARD;
  voice.position = 101;
  const std::vector<float> left = mixLeft(120);
  EXPECT_EQ(left[0], 101.0f);
  for (int j = 1; j < 120; ++j) {
    const int cycle = (j - 1) % 50;
    ASSERT_EQ(left[j], static_cast<float>(cycle == 0 ? 100 : 150 - cycle)) << "frame " << j;
  }
}

TEST_F(SamplePlayback, LoopWithoutValuesEndsTheVoice) {
  player::Voice& voice = play(rampValues(20), LOOP_FORWARD, 5, 1);
  sample_->sample.loopLength = 0;  // the loader turns such a loop off; the mixer must cope
  voice.position = 3;
  EXPECT_EQ(mixLeft(4), (std::vector<float>{3.0f, 4.0f, 0.0f, 0.0f}));
  EXPECT_EQ(voice.sample, nullptr);
}

TEST_F(SamplePlayback, OnlyTheFirstSixtyFourVoicesAreMixed) {
  auto owned = mixtest::makeSample(std::vector<std::int16_t>(100, 1000), LOOP_FORWARD, 0, 100);
  for (int index = 64; index < player::VOICE_POOL_SIZE; ++index) {
    voicePool[index] = mixtest::settledVoice(&owned->sample, 255, 255);
    voicePool[index].index = index;
  }
  // An idle voice keeps whatever its fields hold.
  voicePool[3].leftTarget = 77;
  voicePool[3].rampRemaining = 9;
  voicePool[3].position = 123456;
  const player::Voice idle = voicePool[3];

  std::vector<float> frames(2 * 50, 0.0f);
  player::mixVoices(frames.data(), 50);
  EXPECT_EQ(frames, std::vector<float>(100, 0.0f));
  EXPECT_TRUE(mixtest::sameVoice(voicePool[3], idle));
  for (int index = 64; index < player::VOICE_POOL_SIZE; ++index)
    ASSERT_EQ(voicePool[index].position, 0u) << "voice " << index;
}

TEST_F(SamplePlayback, SumsTheVoicesInIndexOrder) {
  auto unit = mixtest::makeSample(std::vector<std::int16_t>(10, 1), LOOP_FORWARD, 0, 10);
  auto large = mixtest::makeSample(std::vector<std::int16_t>(10, 16384), LOOP_FORWARD, 0, 10);
  voicePool[0] = mixtest::settledVoice(&unit->sample, 255, 255);
  voicePool[1] = mixtest::settledVoice(&unit->sample, 255, 255);
  voicePool[2] = mixtest::settledVoice(&large->sample, 255 * 1024, 0);  // 2^14 x 1024 = 2^24
  std::vector<float> frames(2, 0.0f);
  player::mixVoices(frames.data(), 1);
  // 1 + 1 + 2^24 is exact; 2^24 + 1 + 1 would round back to 2^24 twice.
  EXPECT_EQ(frames[0], 16777218.0f);
  EXPECT_EQ(frames[1], 2.0f);
}

}  // namespace
