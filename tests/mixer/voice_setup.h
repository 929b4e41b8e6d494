// Samples and voices for the mixer tests: a sample that owns its values (with the guard values a
// loaded sample has behind them), voices whose ramp has settled at their targets, and a fixture
// that mixes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/load/song.h"
#include "player/mixer/mixer.h"

namespace mixtest {

struct OwnedSample {
  std::vector<std::int16_t> values;
  player::Sample sample{};
};

// A sample holding values and 8 more zero values behind them, with the guard value the loader
// writes at the loop end.
inline std::unique_ptr<OwnedSample> makeSample(const std::vector<std::int16_t>& values,
                                               std::uint8_t loopMode, std::uint32_t loopStart,
                                               std::uint32_t loopLength) {
  auto owned = std::make_unique<OwnedSample>();
  owned->values = values;
  owned->values.resize(values.size() + player::SAMPLE_GUARD_VALUES, 0);
  player::Sample& sample = owned->sample;
  sample.data = owned->values.data();
  sample.length = static_cast<std::uint32_t>(values.size());
  sample.loopMode = loopMode;
  sample.bits = 16;
  if (loopMode == player::LOOP_OFF) {
    loopStart = 0;
    loopLength = sample.length;
  }
  sample.loopStart = loopStart;
  sample.loopLength = loopLength;
  const std::uint32_t end = loopStart + loopLength;
  if (loopMode == player::LOOP_FORWARD) owned->values[end] = owned->values[loopStart];
  if (loopMode == player::LOOP_PINGPONG) owned->values[end] = owned->values[end - 1];
  return owned;
}

// Values 0, 1, 2, ... so that a frame's value names the position it was read at.
inline std::vector<std::int16_t> rampValues(std::size_t count) {
  std::vector<std::int16_t> values(count);
  for (std::size_t i = 0; i < count; ++i)
    values[i] = static_cast<std::int16_t>(i);
  return values;
}

// A playing voice at step 1.0 from position 0 whose gains have settled at the targets.
inline player::Voice settledVoice(player::Sample* sample, std::int32_t leftTarget,
                                  std::int32_t rightTarget) {
  player::Voice voice;
  std::memset(static_cast<void*>(&voice), 0, sizeof(voice));
  voice.sample = sample;
  voice.step = 1;
  voice.direction = player::DIRECTION_FORWARD;
  voice.leftTarget = voice.rampLeftTarget = leftTarget;
  voice.rightTarget = voice.rampRightTarget = rightTarget;
  voice.leftLevel = leftTarget * 256;
  voice.rightLevel = rightTarget * 256;
  return voice;
}

constexpr std::uint64_t ONE = std::uint64_t{1} << 32;  // 1.0 in 32.32

inline std::uint64_t positionOf(const player::Voice& voice) {
  return (static_cast<std::uint64_t>(voice.position) << 32) | voice.positionFrac;
}

// Every field of two voices, floats compared bit for bit: the 32-bit fields before the sample
// reference and those after it (a 64-bit build pads between them).
inline bool sameVoice(const player::Voice& a, const player::Voice& b) {
  using player::Voice;
  constexpr std::size_t before = offsetof(Voice, startOffset) + sizeof(Voice::startOffset);
  constexpr std::size_t after =
      offsetof(Voice, rampRemaining) + sizeof(Voice::rampRemaining) - offsetof(Voice, leftTarget);
  static_assert(before <= offsetof(Voice, sample) &&
                offsetof(Voice, sample) < offsetof(Voice, leftTarget));
  return std::memcmp(&a, &b, before) == 0 && a.sample == b.sample &&
         std::memcmp(&a.leftTarget, &b.leftTarget, after) == 0;
}

// An engine of the test's own, its output prepared, which also clears the voice pool.
class MixerTest : public ::testing::Test {
 protected:
  void SetUp() override { player::prepareOutput(*engine_, 44100); }

  // count frames of the mixed voices, left and right interleaved.
  std::vector<float> mix(std::int32_t count) {
    std::vector<float> frames(2 * static_cast<std::size_t>(count), 0.0f);
    player::mixVoices(engine_->voicePool, frames.data(), count);
    return frames;
  }

  std::unique_ptr<player::Engine> engine_ = std::make_unique<player::Engine>();
  player::Voice* const voicePool = engine_->voicePool.voices;
};

}  // namespace mixtest
