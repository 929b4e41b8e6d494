// The software mixer: renders voices 0..63 into a span of interleaved float stereo frames.
#pragma once

#include <cstdint>

namespace player {

// Frames of a volume ramp and its reciprocal; fixed when the output is prepared.
extern std::int32_t rampLength;
extern float rampReciprocal;
// The ramps the mixer runs: rampLength both ways, unless the playing song asks for its own
// lengths of ramps that raise and that lower a voice's gain.
extern std::int32_t rampUpFrames;
extern float rampUpReciprocal;
extern std::int32_t rampDownFrames;
extern float rampDownReciprocal;

// Both ramps rampLength long again.
void useOutputRamps();
// Ramps of the given lengths at 44,100 Hz, scaled to the output's rate as rampLength is.
void useSongRamps(std::int32_t upAt44100, std::int32_t downAt44100);

// Voices 0..mixedVoiceCount - 1 are mixed: MIXED_VOICES unless a song asks for more (at most
// VOICE_POOL_SIZE) when it starts.
extern std::int32_t mixedVoiceCount;

// Adds the contribution of the mixed voices to count frames at frames (left, right, left, ...).
// Does nothing for a count below 1.
void mixVoices(float* frames, std::int32_t count);

}  // namespace player
