// Interpolation, position arithmetic and what happens at the end of a sample or loop.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

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
using Floats = std::vector<float>;

class SamplePlayback : public mixtest::MixerTest {
 protected:
  // Voice 0 playing values with the given loop at step 1.0 from position 0, at full gain on the
  // left and silent on the right, so that a left value is the interpolated sample value.
  player::Voice& play(const std::vector<std::int16_t>& values, std::uint8_t mode,
                      std::uint32_t loopStart = 0, std::uint32_t loopLength = 0) {
    sample_ = mixtest::makeSample(values, mode, loopStart, loopLength);
    voicePool[0] = mixtest::settledVoice(&sample_->sample, 255, 0);
    return voicePool[0];
  }

  // Mixes count frames and returns the left values.
  Floats mixLeft(std::int32_t count) {
    const Floats frames = mix(count);
    Floats left(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
      left[i] = frames[2 * i];
    return left;
  }

  std::unique_ptr<mixtest::OwnedSample> sample_;
};

// One call from a given position and direction: the left values, and where the voice stands
// after them (moving forward), or that it has ended.
TEST_F(SamplePlayback, BoundariesInOneCall) {
  struct Case {
    const char* what;
    std::vector<std::int16_t> values;
    std::uint8_t mode;
    std::uint32_t loopStart = 0, loopLength = 0;
    std::uint64_t start = 0;
    std::int32_t direction = DIRECTION_FORWARD;
    std::uint32_t stepFrac = 0;
    Floats left;
    std::optional<std::uint64_t> end = std::nullopt;
    bool ends = false;
  };
  const std::vector<std::int16_t> loud(50, 1000);
  // clang-format off
  const Case cases[] = {
      {.what = "a forward loop on its end wraps before the first frame", .values = rampValues(200),
       .mode = LOOP_FORWARD, .loopStart = 100, .loopLength = 50, .start = 150 * ONE, .left = {100},
       .end = 101 * ONE},
      {.what = "a sample on its end stops before the first frame", .values = rampValues(200),
       .mode = LOOP_OFF, .start = 200 * ONE, .left = {0}, .ends = true},
      {.what = "a forward loop far behind its end wraps into the loop at once",
       .values = rampValues(6000), .mode = LOOP_FORWARD, .loopStart = 100, .loopLength = 50,
       .start = 5000 * ONE, .left = {100}},
      // Mirrored to 199 - 2^-32, then about the end to exactly 100.0 moving backward, which turns
      // it again.
      {.what = "a rewound ping-pong voice moving backward lies below the loop start",
       .values = rampValues(200), .mode = LOOP_PINGPONG, .loopStart = 100, .loopLength = 50,
       .direction = DIRECTION_BACKWARD, .left = {100, 101, 102}},
      // The loader turns such a loop off; the mixer must cope.
      {.what = "a loop without values ends the voice", .values = rampValues(20),
       .mode = LOOP_FORWARD, .loopStart = 5, .loopLength = 0, .start = 3 * ONE,
       .left = {3, 4, 0, 0}, .ends = true},
      // Ping-pong loops that start at 0: where plain 8.24 counting would take the position below
      // the first value, the voice stays inside its data. Frames at 10, 9, ... 0; the turn on
      // exactly 0 leaves the position there.
      {.what = "ping-pong at 0: down to exactly 0", .values = loud, .mode = LOOP_PINGPONG,
       .loopLength = 50, .start = 10 * ONE, .direction = DIRECTION_BACKWARD,
       .left = Floats(13, 1000), .end = 3 * ONE},
      // The 8.24 count says 3 frames, but the third would lie 211 units below 0; it is mirrored
      // to 210 units instead.
      {.what = "ping-pong at 0: a step of 1 + 255 units from 2 + 300 units", .values = loud,
       .mode = LOOP_PINGPONG, .loopLength = 50, .start = 2 * ONE + 300,
       .direction = DIRECTION_BACKWARD, .stepFrac = 255, .left = Floats(3, 1000),
       .end = ONE + 465},
      {.what = "ping-pong at 0: 3 frames end 100 units above 0 and turn there", .values = loud,
       .mode = LOOP_PINGPONG, .loopLength = 50, .start = 3 * ONE + 100,
       .direction = DIRECTION_BACKWARD, .left = Floats(4, 1000), .end = ONE + 100},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    player::Voice& voice = play(c.values, c.mode, c.loopStart, c.loopLength);
    setPosition(voice, c.start);
    voice.direction = c.direction;
    voice.stepFrac = c.stepFrac;
    EXPECT_EQ(mixLeft(static_cast<std::int32_t>(c.left.size())), c.left);
    EXPECT_EQ(voice.sample == nullptr, c.ends);
    if (!c.ends) {
      EXPECT_EQ(voice.direction, DIRECTION_FORWARD);
    }
    if (c.end) {
      EXPECT_EQ(positionOf(voice), *c.end);
    }
  }
}

TEST_F(SamplePlayback, SampleWithoutLoopPlaysEachValueOnceThenStops) {
  std::vector<std::int16_t> values = rampValues(1001);
  values.erase(values.begin());  // 1, 2, ... 1000
  play(values, LOOP_OFF);
  // Two block-sized calls: the sample ends inside the second.
  Floats left = mixLeft(884);
  const Floats rest = mixLeft(884);
  left.insert(left.end(), rest.begin(), rest.end());
  for (int i = 0; i < 1768; ++i)
    ASSERT_EQ(left[i], i < 1000 ? static_cast<float>(i + 1) : 0.0f) << "frame " << i;
  EXPECT_EQ(voicePool[0].sample, nullptr);
  EXPECT_EQ(positionOf(voicePool[0]), 0u);
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
  const Floats left = mixLeft(8);
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

  // A forward loop at 0 that 3 frames leave 100 units short of its end restarts at 0.
  setPosition(play(rampValues(10), LOOP_FORWARD, 0, 10), 10 * ONE - (3 * ONE + 100));
  mixLeft(3);
  EXPECT_EQ(positionOf(voicePool[0]), 0u);
  EXPECT_EQ(mixLeft(1)[0], 0.0f);
}

TEST_F(SamplePlayback, ForwardLoopRepeatsItsRangeAndKeepsTheFraction) {
  play(rampValues(200), LOOP_FORWARD, 100, 50).positionFrac = 0x80000000u;
  const Floats left = mixLeft(400);
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
  const Floats back = mixLeft(50);
  EXPECT_EQ(back[0], 149.0f);  // the guard copies value 149
  for (int i = 1; i < 50; ++i)
    EXPECT_EQ(back[i], static_cast<float>(149 - i) + 1.0f) << i;
  EXPECT_EQ(positionOf(voice), 100 * ONE + 1);
  EXPECT_EQ(voice.direction, DIRECTION_FORWARD);

  mixLeft(50);
  EXPECT_EQ(positionOf(voice), 150 * ONE - 1);
  EXPECT_EQ(voice.direction, DIRECTION_BACKWARD);
}

TEST_F(SamplePlayback, BackwardVoiceOnAForwardLoopWrapsUpward) {
  // Only a ping-pong loop turns a voice round, but a backward voice given a forward loop must
  // still stay in it: reaching the start it goes on from the end, whose guard repeats the start.
  player::Voice& voice = play(rampValues(200), LOOP_FORWARD, 100, 50);
  voice.direction = DIRECTION_BACKWARD;
  voice.position = 101;
  const Floats left = mixLeft(120);
  EXPECT_EQ(left[0], 101.0f);
  for (int j = 1; j < 120; ++j) {
    const int cycle = (j - 1) % 50;
    ASSERT_EQ(left[j], static_cast<float>(cycle == 0 ? 100 : 150 - cycle)) << "frame " << j;
  }
}

TEST_F(SamplePlayback, OnlyTheFirstSixtyFourVoicesAreMixedAndInIndexOrder) {
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

  EXPECT_EQ(mix(50), Floats(100, 0.0f));
  EXPECT_TRUE(mixtest::sameVoice(voicePool[3], idle));
  for (int index = 64; index < player::VOICE_POOL_SIZE; ++index)
    ASSERT_EQ(voicePool[index].position, 0u) << "voice " << index;

  auto unit = mixtest::makeSample(std::vector<std::int16_t>(10, 1), LOOP_FORWARD, 0, 10);
  auto large = mixtest::makeSample(std::vector<std::int16_t>(10, 16384), LOOP_FORWARD, 0, 10);
  voicePool[0] = mixtest::settledVoice(&unit->sample, 255, 255);
  voicePool[1] = mixtest::settledVoice(&unit->sample, 255, 255);
  voicePool[2] = mixtest::settledVoice(&large->sample, 255 * 1024, 0);  // 2^14 x 1024 = 2^24
  // 1 + 1 + 2^24 is exact; 2^24 + 1 + 1 would round back to 2^24 twice.
  EXPECT_EQ(mix(1), (Floats{16777218.0f, 2.0f}));
}

}  // namespace
