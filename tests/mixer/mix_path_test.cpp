// Every set of frame loops the processor runs must mix exactly what the plain loops mix, bit for
// bit, in every interpolation: random voices of every kind and the voices of a block. Whole
// renders on every path are checked against the digest table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "player/mixer/mix_path.h"
#include "player/mixer/mixer.h"
#include "player/mixer/voice_mix.h"
#include "player/offline_render.h"
#include "tests/mixer/voice_setup.h"
#include "tests/support/xm_writer.h"

namespace {

constexpr std::uint32_t RAMP_FRAMES = 128;  // the ramp at 44,100 Hz

struct Case {
  std::unique_ptr<mixtest::OwnedSample> sample;
  player::Voice voice;
};

class RandomVoices {
 public:
  explicit RandomVoices(std::uint32_t seed) : random_(seed) {}

  std::uint32_t below(std::uint32_t bound) {
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(random_);
  }
  bool chance(int percent) { return below(100) < static_cast<std::uint32_t>(percent); }
  std::uint32_t bits() { return static_cast<std::uint32_t>(random_()); }

  // A fraction that is often one of the values where rounding and bit clearing matter.
  std::uint32_t fraction() {
    static constexpr std::uint32_t special[] = {0, 1, 2, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu};
    return chance(30) ? special[below(6)] : bits();
  }

  std::int32_t target() {
    if (chance(20)) return 0;
    return chance(10) ? 255 : static_cast<std::int32_t>(below(256));
  }

  Case make() {
    const std::uint32_t length = chance(20) ? 1 + below(8) : 1 + below(3000);
    std::vector<std::int16_t> values(length);
    for (auto& value : values) {
      value = chance(5) ? (chance(50) ? 32767 : -32768) : static_cast<std::int16_t>(bits());
    }
    const std::uint8_t modes[] = {player::LOOP_OFF, player::LOOP_FORWARD, player::LOOP_PINGPONG};
    const std::uint8_t mode = modes[below(3)];
    const std::uint32_t loopStart = chance(40) ? 0 : below(length);
    const std::uint32_t loopLength = 1 + below(length - loopStart);
    Case result{mixtest::makeSample(values, mode, loopStart, loopLength), {}};
    const player::Sample& sample = result.sample->sample;
    const std::uint32_t end = sample.loopStart + sample.loopLength;

    player::Voice& voice = result.voice;
    voice = mixtest::settledVoice(&result.sample->sample, target(), target());
    voice.index = 7;
    voice.position = chance(5) ? end : below(end);
    voice.positionFrac = fraction();
    // Steps from well below one sample per frame to the largest the 8.24 count holds, and a few
    // the voice update never makes.
    const int kind = static_cast<int>(below(20));
    if (kind < 8) {
      voice.step = 0;
      voice.stepFrac = 0x00300000u + bits() % 0xFFD00000u;
    } else if (kind < 16) {
      voice.step = 1 + below(4);
      voice.stepFrac = fraction();
    } else if (kind < 19) {
      voice.step = below(256);
      voice.stepFrac = bits() | 0x100u;
    } else {
      voice.step = 256 + below(2000);
      voice.stepFrac = bits();
    }
    voice.direction = chance(30) ? player::DIRECTION_BACKWARD : player::DIRECTION_FORWARD;
    if (chance(50)) {
      // Somewhere inside a ramp, possibly with targets that have moved on since it was set up.
      voice.leftLevel = static_cast<std::int32_t>(below(256 * 256));
      voice.rightLevel = static_cast<std::int32_t>(below(256 * 256));
      voice.rampRemaining = 1 + static_cast<std::int32_t>(below(RAMP_FRAMES));
      voice.leftRampStep =
          static_cast<float>(static_cast<std::int32_t>(below(511)) - 255) / 32768.0f;
      voice.rightRampStep =
          static_cast<float>(static_cast<std::int32_t>(below(511)) - 255) / 32768.0f;
      if (chance(50)) voice.rampLeftTarget = target();
    }
    return result;
  }

  std::int32_t span() {
    if (chance(10)) return static_cast<std::int32_t>(below(4));
    return chance(70) ? 1 + static_cast<std::int32_t>(below(900))
                      : 1 + static_cast<std::int32_t>(below(5000));
  }

  float bufferValue() {
    return chance(30)
               ? 0.0f
               : static_cast<float>(static_cast<std::int32_t>(bits() % 200001) - 100000) / 7.0f;
  }

 private:
  std::mt19937 random_;
};

// The paths compared with the plain one, in each interpolation; a path the processor lacks is
// skipped.
class MixPathTest
    : public ::testing::TestWithParam<std::tuple<player::MixPath, player::Interpolation>> {
 protected:
  void SetUp() override {
    if (!player::mixPathAvailable(path())) GTEST_SKIP() << "not run by this processor";
    player::prepareOutput(*engine_, 44100);
  }
  void TearDown() override { player::selectMixPath(saved_); }
  static player::MixPath path() { return std::get<0>(GetParam()); }
  static player::Interpolation interpolation() { return std::get<1>(GetParam()); }
  static const player::FrameLoops& loops() { return player::frameLoopsOf(path(), interpolation()); }
  static const player::FrameLoops& plainLoops() {
    return player::frameLoopsOf(player::MixPath::PLAIN, interpolation());
  }
  void mixVoice(player::Voice& voice, std::vector<float>& frames, std::int32_t count,
                const player::FrameLoops& loops) {
    player::mixVoice(voice, frames.data(), count, loops, player::volumeRampOf(engine_->voicePool));
  }

  std::unique_ptr<player::Engine> engine_ = std::make_unique<player::Engine>();

 private:
  player::MixPath saved_ = player::activeMixPath();
};

TEST_P(MixPathTest, RandomVoicesMixAsThePlainLoopsMixThem) {
  RandomVoices random(20240611);
  int mixedFrames = 0;
  int endedVoices = 0;
  for (int caseIndex = 0; caseIndex < 3000; ++caseIndex) {
    Case fast = random.make();
    player::Voice plain = fast.voice;
    const int calls = 1 + static_cast<int>(random.below(5));
    for (int call = 0; call < calls; ++call) {
      const std::int32_t count = random.span();
      std::vector<float> fastFrames(2 * static_cast<std::size_t>(count) + 2);
      for (auto& value : fastFrames)
        value = random.bufferValue();
      std::vector<float> plainFrames = fastFrames;

      mixVoice(fast.voice, fastFrames, count, loops());
      mixVoice(plain, plainFrames, count, plainLoops());
      ASSERT_EQ(
          std::memcmp(fastFrames.data(), plainFrames.data(), fastFrames.size() * sizeof(float)), 0)
          << "case " << caseIndex << " call " << call;
      ASSERT_TRUE(mixtest::sameVoice(fast.voice, plain))
          << "case " << caseIndex << " call " << call;
      mixedFrames += count;

      // The replayer changes targets between calls; a change restarts the ramp.
      if (random.chance(30)) {
        fast.voice.leftTarget = plain.leftTarget = random.target();
        fast.voice.rightTarget = plain.rightTarget = random.target();
      }
    }
    if (fast.voice.sample == nullptr) ++endedVoices;
  }
  // The cases reach the paths they are meant to compare.
  EXPECT_GT(mixedFrames, 1000000);
  EXPECT_GT(endedVoices, 100);
}

TEST_P(MixPathTest, MixVoicesRunsTheSelectedPathForEveryMixedVoice) {
  RandomVoices random(7);
  std::vector<Case> cases;
  std::vector<player::Voice> reference;
  for (int index = 0; index < player::MIXED_VOICES; ++index) {
    cases.push_back(random.make());
    cases.back().voice.index = index;
    engine_->voicePool.voices[index] = cases.back().voice;
    reference.push_back(cases.back().voice);
  }
  std::vector<float> frames(2 * 884, 0.0f);
  std::vector<float> expected = frames;
  ASSERT_TRUE(player::selectMixPath(path()));
  player::mixVoices(engine_->voicePool, frames.data(), 884, interpolation());
  for (auto& voice : reference)
    mixVoice(voice, expected, 884, plainLoops());
  EXPECT_EQ(std::memcmp(frames.data(), expected.data(), frames.size() * sizeof(float)), 0);
  for (int index = 0; index < player::MIXED_VOICES; ++index) {
    EXPECT_TRUE(mixtest::sameVoice(engine_->voicePool.voices[index], reference[index])) << index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MixPathTest,
    ::testing::Combine(::testing::Values(player::MixPath::SSE2, player::MixPath::AVX2,
                                         player::MixPath::AVX512, player::MixPath::SIMD128),
                       ::testing::ValuesIn(player::ALL_INTERPOLATIONS)),
    [](const auto& info) {
      return std::string(player::mixPathName(std::get<0>(info.param))) + "_" +
             player::interpolationName(std::get<1>(info.param));
    });

}  // namespace
