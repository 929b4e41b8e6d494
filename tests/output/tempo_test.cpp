// Frames per tick from the tempo.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "player/audio_output.h"
#include "player/engine.h"

namespace {

class Tempo : public ::testing::Test {
 protected:
  void SetUp() override { player::prepareOutput(engine_, 44100); }
  std::unique_ptr<player::Engine> ownEngine_ = std::make_unique<player::Engine>();
  player::Engine& engine_ = *ownEngine_;
  player::Song song_{};
};

TEST_F(Tempo, DoublePrecisionGivesTheWiderPrecisionResultForEveryBpm) {
  // The same steps in the widest precision at hand, with the single-precision constants.
  for (std::int32_t rate : {44100, 48000, 22050}) {
    player::prepareOutput(engine_, rate);
    for (std::int32_t bpm = 1; bpm <= 255; ++bpm) {
      const long double beat = static_cast<long double>(bpm) * static_cast<long double>(0.4f);
      const long double frames =
          1000.0L / beat * static_cast<long double>(rate) * static_cast<long double>(0.001f);
      player::setBpm(engine_, &song_, bpm);
      ASSERT_EQ(song_.samplesPerTick, static_cast<std::int32_t>(std::nearbyintl(frames)))
          << "bpm " << bpm << " at " << rate;
    }
  }
}

TEST_F(Tempo, BpmBelowOneIsTakenAsOne) {
  player::setBpm(engine_, &song_, 0);
  EXPECT_EQ(song_.bpm, 1);
  EXPECT_EQ(song_.samplesPerTick, 110250);
  player::setBpm(engine_, nullptr, 125);  // no song: nothing to set
}

}  // namespace
