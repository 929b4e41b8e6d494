// Preparing the engine for an output rate: the sizes derived from it, the ramp, the
// floating-point environment and the reset voice pool.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>
#include <memory>

#include "player/audio_output.h"
#include "player/engine.h"

namespace {

class OutputSizes : public ::testing::Test {
 protected:
  std::unique_ptr<player::Engine> engine_ = std::make_unique<player::Engine>();
  const player::AudioOutput& audioOutput = engine_->output;
  player::VoicePool& pool_ = engine_->voicePool;
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
    player::prepareOutput(*engine_, c.asked);
    EXPECT_EQ(audioOutput.outputRate, c.rate);
    EXPECT_EQ(audioOutput.blockFrames, c.blockFrames);
    EXPECT_EQ(audioOutput.ringFrames, c.ringFrames);
    EXPECT_EQ(player::blockCount(audioOutput), 100);
    EXPECT_EQ(pool_.rampLength, c.rampLength);
  }
}

TEST_F(OutputSizes, ResetsEveryVoiceToIdleAtStepOne) {
  std::memset(static_cast<void*>(pool_.voices), 0xA5, sizeof(pool_.voices));
  player::prepareOutput(*engine_, 44100);
  for (int slot = 0; slot < player::VOICE_POOL_SIZE; ++slot) {
    player::Voice expected;
    std::memset(static_cast<void*>(&expected), 0, sizeof(expected));
    expected.index = slot;
    expected.step = 1;
    ASSERT_EQ(std::memcmp(&pool_.voices[slot], &expected, sizeof(expected)), 0) << slot;
  }
}

TEST_F(OutputSizes, RestoresRoundingToNearest) {
  std::fesetround(FE_UPWARD);
  player::prepareOutput(*engine_, 44100);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
}

}  // namespace
