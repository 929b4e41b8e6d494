// Preparing the engine for an output rate: the sizes derived from it, the ramp, the
// floating-point environment and the reset voice pool.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>

#include "player/audio_output.h"
#include "player/mixer/mixer.h"
#include "player/mixer/voice.h"

namespace {

using player::audioOutput;

class OutputSizes : public ::testing::Test {
 protected:
  void TearDown() override { player::prepareOutput(44100); }
};

struct Expected {
  std::int32_t rate;
  std::int32_t blockFrames;
  std::int32_t ringFrames;
  std::int32_t rampLength;
};

TEST_F(OutputSizes, FollowTheRate) {
  for (const Expected& expected :
       {Expected{44100, 884, 88400, 128}, Expected{48000, 960, 96000, 139},
        Expected{22050, 444, 44400, 64}}) {
    SCOPED_TRACE(expected.rate);
    player::prepareOutput(expected.rate);
    EXPECT_EQ(audioOutput.outputRate, expected.rate);
    EXPECT_EQ(audioOutput.blockFrames, expected.blockFrames);
    EXPECT_EQ(audioOutput.ringFrames, expected.ringFrames);
    EXPECT_EQ(player::blockCount(audioOutput), 100);
    EXPECT_EQ(player::rampLength, expected.rampLength);
  }
}

TEST_F(OutputSizes, RatesOutsideTheUsableRangeAreClamped) {
  player::prepareOutput(0);
  EXPECT_EQ(audioOutput.outputRate, 1000);
  EXPECT_EQ(audioOutput.blockFrames, 20);
  EXPECT_EQ(player::rampLength, 2);
  player::prepareOutput(2000000000);
  EXPECT_EQ(audioOutput.outputRate, 1000000);
  EXPECT_EQ(player::blockCount(audioOutput), 100);
}

TEST_F(OutputSizes, ResetsEveryVoiceToIdleAtStepOne) {
  std::memset(static_cast<void*>(player::voicePool), 0xA5, sizeof(player::voicePool));
  player::prepareOutput(44100);
  for (int slot = 0; slot < player::VOICE_POOL_SIZE; ++slot) {
    player::Voice expected;
    std::memset(static_cast<void*>(&expected), 0, sizeof(expected));
    expected.index = slot;
    expected.step = 1;
    ASSERT_EQ(std::memcmp(&player::voicePool[slot], &expected, sizeof(expected)), 0) << slot;
  }
}

TEST_F(OutputSizes, RestoresRoundingToNearest) {
  std::fesetround(FE_UPWARD);
  player::prepareOutput(44100);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
}

}  // namespace
