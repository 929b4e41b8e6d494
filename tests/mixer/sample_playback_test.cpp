// Interpolation, position arithmetic and what happens at the end of a sample or loop.
#include <gtest/gtest.h>

#include <vector>

#include "player/mixer/mixer.h"
#include "tests/mixer/voice_setup.h"

namespace {

using mixtest::ONE;
using mixtest::positionOf;
using mixtest::setPosition;
using player::DIRECTION_BACKWARD;
using player::DIRECTION_FORWARD;
using player::voicePool;

class SamplePlayback : public ::testing::Test {
 protected:
  void SetUp() override { mixtest::prepareAt44100(); }
  void TearDown() override { mixtest::prepareAt44100(); }

  // Mixes count frames with only voice 0 playing and returns the left values.
  std::vector<float> mixLeft(std::int32_t count) {
    std::vector<float> frames(2 * static_cast<std::size_t>(count), 0.0f);
    player::mixVoices(frames.data(), count);
    std::vector<float> left(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
      left[i] = frames[2 * i];
    return left;
  }
};

TEST_F(SamplePlayback, CountsBelowOneChangeNothing) {
  auto owned = mixtest::makeSample(mixtest::rampValues(100), player::LOOP_OFF, 0, 0);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 255);
  voicePool[0].leftTarget = 12;  // a ramp would start on the first pass
  const player::Voice before = voicePool[0];
  std::vector<float> frames(8, 3.0f);
  player::mixVoices(frames.data(), 0);
  player::mixVoices(frames.data(), -5);
  EXPECT_TRUE(mixtest::sameVoice(voicePool[0], before));
  EXPECT_EQ(frames, std::vector<float>(8, 3.0f));
}

TEST_F(SamplePlayback, SampleWithoutLoopPlaysEachValueOnceThenStops) {
  std::vector<std::int16_t> values(1000);
  for (int i = 0; i < 1000; ++i)
    values[i] = static_cast<std::int16_t>(i + 1);
  auto owned = mixtest::makeSample(values, player::LOOP_OFF, 0, 0);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);  // gain exactly 1.0 on the left

  // Two block-sized calls: the sample ends inside the second.
  std::vector<float> left = mixLeft(884);
  const std::vector<float> rest = mixLeft(884);
  left.insert(left.end(), rest.begin(), rest.end());
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(left[i], static_cast<float>(i + 1)) << "frame " << i;
  for (int i = 1000; i < 1768; ++i)
    ASSERT_EQ(left[i], 0.0f) << "frame " << i;
  EXPECT_EQ(voicePool[0].sample, nullptr);
  EXPECT_EQ(voicePool[0].position, 0u);
  EXPECT_EQ(voicePool[0].positionFrac, 0u);
}

TEST_F(SamplePlayback, InterpolatesWithTheUpperThirtyOneBitsOfTheFraction) {
  auto owned = mixtest::makeSample({0, 1000, 0, 32767}, player::LOOP_OFF, 0, 0);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 255);
  voicePool[0].step = 0;
  voicePool[0].stepFrac = 0;  // stand still: no boundary is ever reached

  voicePool[0].positionFrac = 0x80000000u;
  EXPECT_EQ(mixLeft(1)[0], 500.0f);

  // Between 0 and 32767: bit 0 of the fraction carries no weight, bit 1 the smallest one.
  voicePool[0].position = 2;
  voicePool[0].positionFrac = 1;
  EXPECT_EQ(mixLeft(1)[0], 0.0f);
  voicePool[0].positionFrac = 3;
  EXPECT_EQ(mixLeft(1)[0], static_cast<float>(32767.0 * 0x1p-31));
  voicePool[0].positionFrac = 0xFFFFFFFFu;
  EXPECT_EQ(mixLeft(1)[0], static_cast<float>(32767.0 * (1.0 - 0x1p-31)));
}

TEST_F(SamplePlayback, ClearsTheLowestFractionBitBeforeEveryStep) {
  auto owned = mixtest::makeSample(mixtest::rampValues(1000), player::LOOP_OFF, 0, 0);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 255);
  voicePool[0].stepFrac = 1;  // step 1 + 2^-32: the added unit is cleared again every frame
  voicePool[0].positionFrac = 1;
  mixLeft(10);
  EXPECT_EQ(voicePool[0].position, 10u);
  EXPECT_EQ(voicePool[0].positionFrac, 1u);

  // Moving backward the cleared bit takes the position further down.
  voicePool[0].direction = DIRECTION_BACKWARD;
  voicePool[0].stepFrac = 2;
  voicePool[0].positionFrac = 5;
  mixLeft(3);  // 10+5, then (10+4)-(1+2) = 9+2, 8+0, 6+(2^32-2)
  EXPECT_EQ(positionOf(voicePool[0]), 7 * ONE - 2);
}

TEST_F(SamplePlayback, CountsFramesToTheEndInEightPointTwentyFour) {
  // 5 samples and 100 units before the end: the 8.24 distance drops the 100 units, so the
  // voice stops after 5 frames, 100 units short of the end, without a sixth frame.
  auto owned = mixtest::makeSample(mixtest::rampValues(10), player::LOOP_OFF, 0, 0);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  setPosition(voicePool[0], 10 * ONE - (5 * ONE + 100));
  const std::vector<float> left = mixLeft(8);
  for (int i = 0; i < 5; ++i)
    EXPECT_GT(left[i], static_cast<float>(4 + i)) << "frame " << i;
  EXPECT_EQ(left[5], 0.0f);
  EXPECT_EQ(voicePool[0].sample, nullptr);

  // A step whose low byte the 8.24 step drops: three frames are counted where two reach the
  // end, and the third reads the guard value behind the loop; the wrap keeps the overshoot.
  auto looped =
      mixtest::makeSample({0, 0, 5000, 1, 2, 3, 4, 5, 6, 7, 0, 5000}, player::LOOP_FORWARD, 2, 8);
  voicePool[0] = mixtest::settledVoice(&looped->sample, 255, 0);
  voicePool[0].stepFrac = 255;
  setPosition(voicePool[0], 8 * ONE - 300);
  const std::vector<float> wrapped = mixLeft(3);
  EXPECT_EQ(wrapped[2], 5000.0f);  // at 10 + 209 units: the guard, a copy of value 2
  EXPECT_EQ(positionOf(voicePool[0]), 3 * ONE + 463);
}

TEST_F(SamplePlayback, ForwardLoopRepeatsItsRangeAndKeepsTheFraction) {
  auto owned = mixtest::makeSample(mixtest::rampValues(200), player::LOOP_FORWARD, 100, 50);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  voicePool[0].positionFrac = 0x80000000u;
  const std::vector<float> left = mixLeft(400);
  for (int frame = 0; frame < 400; ++frame) {
    const int index = frame < 150 ? frame : 100 + (frame - 150) % 50;
    // Halfway after the last loop value lies the guard value, a copy of the loop start.
    const float expected = index == 149 ? 124.5f : static_cast<float>(index) + 0.5f;
    ASSERT_EQ(left[frame], expected) << "frame " << frame;
  }
  EXPECT_EQ(voicePool[0].position, 100u);
  EXPECT_EQ(voicePool[0].positionFrac, 0x80000000u);
}

TEST_F(SamplePlayback, PingPongLoopTurnsAtExactPositions) {
  auto owned = mixtest::makeSample(mixtest::rampValues(200), player::LOOP_PINGPONG, 100, 50);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);

  // Forward to exactly 150.0, then on backward from 2^-32 below it.
  mixLeft(150);
  EXPECT_EQ(positionOf(voicePool[0]), 150 * ONE - 1);
  EXPECT_EQ(voicePool[0].direction, DIRECTION_BACKWARD);

  // 50 frames back at 149, 148, ... 100; the cleared bit leaves 100 - 2^-31, mirrored to
  // 100 + 2^-32.
  const std::vector<float> back = mixLeft(50);
  EXPECT_EQ(back[0], 149.0f);  // the guard copies value 149
  for (int i = 1; i < 50; ++i)
    EXPECT_EQ(back[i], static_cast<float>(149 - i) + 1.0f) << i;
  EXPECT_EQ(positionOf(voicePool[0]), 100 * ONE + 1);
  EXPECT_EQ(voicePool[0].direction, DIRECTION_FORWARD);

  mixLeft(50);
  EXPECT_EQ(positionOf(voicePool[0]), 150 * ONE - 1);
  EXPECT_EQ(voicePool[0].direction, DIRECTION_BACKWARD);
}

TEST_F(SamplePlayback, PositionOnTheBoundaryIsHandledBeforeAnyFrame) {
  auto looped = mixtest::makeSample(mixtest::rampValues(200), player::LOOP_FORWARD, 100, 50);
  voicePool[0] = mixtest::settledVoice(&looped->sample, 255, 0);
  voicePool[0].position = 150;
  EXPECT_EQ(mixLeft(1)[0], 100.0f);
  EXPECT_EQ(voicePool[0].position, 101u);

  auto plain = mixtest::makeSample(mixtest::rampValues(200), player::LOOP_OFF, 0, 0);
  voicePool[0] = mixtest::settledVoice(&plain->sample, 255, 0);
  voicePool[0].position = 200;
  EXPECT_EQ(mixLeft(1)[0], 0.0f);
  EXPECT_EQ(voicePool[0].sample, nullptr);
}

TEST_F(SamplePlayback, PositionPastItsBoundaryIsHandledAtOnce) {
  // A forward loop far behind its end wraps into the loop at once.
  auto looped = mixtest::makeSample(mixtest::rampValues(6000), player::LOOP_FORWARD, 100, 50);
  voicePool[0] = mixtest::settledVoice(&looped->sample, 255, 0);
  voicePool[0].position = 5000;
  EXPECT_EQ(mixLeft(1)[0], 100.0f);

  // A rewound ping-pong voice that was moving backward lies below the loop start: mirrored to
  // 199 - 2^-32, then about the end to exactly 100.0 moving backward, which turns it again.
  auto pingPong = mixtest::makeSample(mixtest::rampValues(200), player::LOOP_PINGPONG, 100, 50);
  voicePool[0] = mixtest::settledVoice(&pingPong->sample, 255, 0);
  voicePool[0].direction = DIRECTION_BACKWARD;
  EXPECT_EQ(mixLeft(3), (std::vector<float>{100.0f, 101.0f, 102.0f}));
  EXPECT_EQ(voicePool[0].direction, DIRECTION_FORWARD);
}

// Loops that start at 0: where plain 8.24 counting would take the position below the first
// value, the voice stays inside its data.
TEST_F(SamplePlayback, PingPongLoopAtZeroTurnsOnTheFirstValue) {
  auto owned = mixtest::makeSample(mixtest::rampValues(50), player::LOOP_PINGPONG, 0, 50);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  voicePool[0].direction = DIRECTION_BACKWARD;
  voicePool[0].position = 10;
  const std::vector<float> left = mixLeft(13);
  for (int i = 0; i < 13; ++i)
    EXPECT_EQ(left[i], static_cast<float>(i <= 10 ? 10 - i : i - 10));
  EXPECT_EQ(positionOf(voicePool[0]), 3 * ONE);
  EXPECT_EQ(voicePool[0].direction, DIRECTION_FORWARD);
}

TEST_F(SamplePlayback, PingPongLoopAtZeroNeverReadsBeforeTheFirstValue) {
  auto owned =
      mixtest::makeSample(std::vector<std::int16_t>(50, 1000), player::LOOP_PINGPONG, 0, 50);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  voicePool[0].direction = DIRECTION_BACKWARD;

  // Step 1 + 255 units from 2 + 300 units: the 8.24 count says 3 frames, but the third would
  // lie 211 units below 0. It is mirrored to 210 units instead.
  voicePool[0].stepFrac = 255;
  setPosition(voicePool[0], 2 * ONE + 300);
  EXPECT_EQ(mixLeft(3), std::vector<float>(3, 1000.0f));
  EXPECT_EQ(positionOf(voicePool[0]), ONE + 465);
  EXPECT_EQ(voicePool[0].direction, DIRECTION_FORWARD);

  // 3 samples and 100 units above 0 at step 1.0: counted as 3 frames, which end 100 units
  // above 0; the turn leaves the position there instead of mirroring it below 0.
  voicePool[0].stepFrac = 0;
  voicePool[0].direction = DIRECTION_BACKWARD;
  setPosition(voicePool[0], 3 * ONE + 100);
  EXPECT_EQ(mixLeft(4), std::vector<float>(4, 1000.0f));
  EXPECT_EQ(positionOf(voicePool[0]), ONE + 100);
  EXPECT_EQ(voicePool[0].direction, DIRECTION_FORWARD);
}

TEST_F(SamplePlayback, ForwardLoopAtZeroThatFallsShortOfTheEndRestartsAtZero) {
  auto owned = mixtest::makeSample(mixtest::rampValues(10), player::LOOP_FORWARD, 0, 10);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  // 3 samples and 100 units before the end: 3 frames end 100 units short of it.
  setPosition(voicePool[0], 10 * ONE - (3 * ONE + 100));
  mixLeft(3);
  EXPECT_EQ(positionOf(voicePool[0]), 0u);
  EXPECT_EQ(mixLeft(1)[0], 0.0f);
}

TEST_F(SamplePlayback, BackwardVoiceOnAForwardLoopWrapsUpward) {
  // Only a ping-pong loop turns a voice round, but a backward voice given a forward loop must
  // still stay in it: reaching the start it goes on from the end, whose guard repeats the start.
  auto owned = mixtest::makeSample(mixtest::rampValues(200), player::LOOP_FORWARD, 100, 50);
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  voicePool[0].direction = DIRECTION_BACKWARD;
  voicePool[0].position = 101;
  const std::vector<float> left = mixLeft(120);
  EXPECT_EQ(left[0], 101.0f);
  for (int j = 1; j < 120; ++j) {
    const int cycle = (j - 1) % 50;
    ASSERT_EQ(left[j], static_cast<float>(cycle == 0 ? 100 : 150 - cycle)) << "frame " << j;
  }
}

TEST_F(SamplePlayback, LoopWithoutValuesEndsTheVoice) {
  auto owned = mixtest::makeSample(mixtest::rampValues(20), player::LOOP_FORWARD, 5, 1);
  owned->sample.loopLength = 0;  // the loader turns such a loop off; here the mixer must cope
  voicePool[0] = mixtest::settledVoice(&owned->sample, 255, 0);
  voicePool[0].position = 3;
  EXPECT_EQ(mixLeft(4), (std::vector<float>{3.0f, 4.0f, 0.0f, 0.0f}));
  EXPECT_EQ(voicePool[0].sample, nullptr);
}

TEST_F(SamplePlayback, OnlyTheFirstSixtyFourVoicesAreMixed) {
  auto owned =
      mixtest::makeSample(std::vector<std::int16_t>(100, 1000), player::LOOP_FORWARD, 0, 100);
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
  for (int index = 64; index < player::VOICE_POOL_SIZE; ++index) {
    ASSERT_EQ(voicePool[index].position, 0u) << "voice " << index;
  }
}

TEST_F(SamplePlayback, SumsTheVoicesInIndexOrder) {
  auto unit = mixtest::makeSample(std::vector<std::int16_t>(10, 1), player::LOOP_FORWARD, 0, 10);
  auto large =
      mixtest::makeSample(std::vector<std::int16_t>(10, 16384), player::LOOP_FORWARD, 0, 10);
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
