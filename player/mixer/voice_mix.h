// One voice's share of a mixer call: the passes between boundaries and ramp ends, the volume
// ramp, and what happens at the end of the sample or loop.
#pragma once

#include <cstdint>

#include "player/mixer/voice.h"

namespace player {

// How frames are mixed: the mixer's own loops (frames without a ramp two per iteration, SIMD
// where the target has it) or the plain scalar loops, one frame at a time, that they must match.
enum class FrameLoop { PAIRED, SINGLE };

// Adds voice's contribution to count frames at frames and moves its position and ramp on. An
// idle voice (null sample) and a count below 1 change nothing.
void mixVoice(Voice& voice, float* frames, std::int32_t count, FrameLoop loop);

}  // namespace player
