// The software mixer: renders voices 0..63 into a span of interleaved float stereo frames.
#pragma once

#include <cstdint>

namespace player {

// Frames of a volume ramp and its reciprocal; fixed when the output is prepared.
extern std::int32_t rampLength;
extern float rampReciprocal;

// Voices 0..mixedVoiceCount - 1 are mixed: MIXED_VOICES unless a song asks for more (at most
// VOICE_POOL_SIZE) when it starts.
extern std::int32_t mixedVoiceCount;

// Adds the contribution of the mixed voices to count frames at frames (left, right, left, ...).
// Does nothing for a count below 1.
void mixVoices(float* frames, std::int32_t count);

}  // namespace player
