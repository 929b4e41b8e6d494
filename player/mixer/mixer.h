// The software mixer: renders voices 0..63 of a pool into a span of interleaved float stereo
// frames.
#pragma once

#include <cstdint>

#include "player/mixer/interpolation.h"
#include "player/mixer/voice.h"

namespace player {

// Adds the contribution of the pool's mixed voices to count frames at frames (left, right, left,
// ...), read from their samples by interpolation. Does nothing for a count below 1.
void mixVoices(VoicePool& pool, float* frames, std::int32_t count,
               Interpolation interpolation = Interpolation::LINEAR);

// Moves the pool's mixed voices on through count frames as mixVoices does, without writing them:
// frames (a buffer of count frames) is only passed along, never read or written.
void skipVoices(VoicePool& pool, float* frames, std::int32_t count);

}  // namespace player
