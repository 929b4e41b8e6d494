// One voice's share of a mixer call: the passes between boundaries and ramp ends, the volume
// ramp, and what happens at the end of the sample or loop.
#pragma once

#include <cstdint>

#include "player/mixer/frame_loops.h"
#include "player/mixer/voice.h"

namespace player {

// The volume ramp of a pool, as the mixer takes it along.
struct VolumeRamp {
  std::int32_t length;  // VoicePool::rampLength
  float reciprocal;     // VoicePool::rampReciprocal
};

inline VolumeRamp volumeRampOf(const VoicePool& pool) {
  return {pool.rampLength, pool.rampReciprocal};
}

// Adds voice's contribution to count frames at frames through loops and moves its position and
// ramp on. An idle voice (null sample) and a count below 1 change nothing.
void mixVoice(Voice& voice, float* frames, std::int32_t count, const FrameLoops& loops,
              VolumeRamp ramp);

}  // namespace player
