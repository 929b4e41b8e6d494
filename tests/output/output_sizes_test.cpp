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

// Rates outside the usable range are clamped to it.
TEST_F(OutputSizes, FollowTheRateWithinTheUsableRange) {
  const struct {
    std::int32_t asked, rate, blockFrames, ringFrames, rampLength;
  } cases[] = {
      {44100, 44100, 884, 88400, 128},
      {48000, 48000, 960, 96000, 139},
      {22050, 22050, 444, 44400, 64},
      {0, 1000, 20, 2000, 2},
      {2000000000, 1000000, 20000, 2000000, 2902},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    player::prepareOutput(c.asked);
    EXPECT_EQ(audioOutput.outputRate, c.rate);
    EXPECT_EQ(audioOutput.blockFrames, c.blockFrames);
    EXPECT_EQ(audioOutput.ringFrames, c.ringFrames);
    EXPECT_EQ(player::blockCount(audioOutput), 100);
    EXPECT_EQ(player::rampLength, c.rampLength);
  }
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
