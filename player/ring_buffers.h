// The buffers of the block ring: the BlockInfo array, the 16-bit ring the device plays and the
// 16-byte aligned float frames each block is mixed in.
#pragma once

#include "player/audio_output.h"

namespace player {

// Allocates all three, zero-filled, for output.ringFrames frames. On failure frees what it
// allocated and returns false.
bool allocateRingBuffers(AudioOutput& output);

// Frees the float frames and the BlockInfo array (the wave buffer may still be in the device).
void freeMixBuffers(AudioOutput& output);

// Frees the 16-bit ring; only once the device no longer reads it.
void freeWaveBuffer(AudioOutput& output);

}  // namespace player
