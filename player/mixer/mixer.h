// The software mixer: renders voices 0..63 of a pool into a span of interleaved float stereo
// frames.
#pragma once

#include <cstdint>

#include "player/mixer/voice.h"

namespace player {

// Adds the contribution of the pool's mixed voices to count frames at frames (left, right, left,
// ...). Does nothing for a count below 1.
void mixVoices(VoicePool& pool, float* frames, std::int32_t count);

}  // namespace player
