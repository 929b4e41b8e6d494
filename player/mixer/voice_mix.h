// One voice's share of a mixer call: the passes between boundaries and ramp ends, the volume
// ramp, and what happens at the end of the sample or loop.
#pragma once

#include <cstdint>

#include "player/mixer/frame_loops.h"
#include "player/mixer/voice.h"

namespace player {

// The volume ramps of a pool, as the mixer takes them along: length (and its reciprocal) both
// ways, unless downLength is set, which then gives the length of ramps that lower a voice's gain.
struct VolumeRamp {
  std::int32_t length;
  float reciprocal;
  std::int32_t downLength;  // 0: length
  float downReciprocal;
};

inline VolumeRamp volumeRampOf(const VoicePool& pool) {
  if (pool.songRampUpLength > 0) {
    return {pool.songRampUpLength, pool.songRampUpReciprocal, pool.songRampDownLength,
            pool.songRampDownReciprocal};
  }
  return {pool.rampLength, pool.rampReciprocal, 0, 0.0f};
}

// Adds voice's contribution to count frames at frames through loops and moves its position and
// ramp on. An idle voice (null sample) and a count below 1 change nothing.
void mixVoice(Voice& voice, float* frames, std::int32_t count, const FrameLoops& loops,
              VolumeRamp ramp);

}  // namespace player
