// The voice record: one mixer channel playing one sample, shared between the replayer (which says
// what to play) and the mixer (which plays it and keeps position and ramp state).
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/mixer/filtered_frames.h"

namespace player {

constexpr int VOICE_POOL_SIZE = 256;
constexpr int MIXED_VOICES = 64;  // only voices 0..63 are ever mixed
constexpr int TWIN_OFFSET = 32;   // voice k < 32 and voice k + 32 are twins

constexpr std::int32_t DIRECTION_FORWARD = 1;
constexpr std::int32_t DIRECTION_BACKWARD = 2;

struct Voice {
  std::int32_t index;           // own slot number in the pool
  std::int32_t reportedVolume;  // last final volume (not read by the engine)
  std::int32_t frequency;       // last computed frequency in Hz, before the 100 Hz floor
  std::int32_t reportedPan;     // last pan (not read by the engine)
  std::int32_t volume;          // final volume, 255 = full gain
  std::int32_t pan;             // 0..255
  std::uint32_t startOffset;    // where the next trigger starts the sample
  const Sample* sample;         // null: idle
  std::int32_t leftTarget;
  std::int32_t rightTarget;
  std::uint32_t position;        // 32.32 play position, integer part
  std::uint32_t positionFrac;    // fraction, units of 2^-32
  std::uint32_t stepFrac;        // 32.32 step, fraction
  std::uint32_t step;            // step, integer part
  std::int32_t direction;        // DIRECTION_FORWARD or DIRECTION_BACKWARD
  std::int32_t rampLeftTarget;   // leftTarget when the running ramp was set up
  std::int32_t rampRightTarget;  // rightTarget when the running ramp was set up
  std::int32_t leftLevel;        // current gain, 8.8 fixed point
  std::int32_t rightLevel;
  float leftRampStep;  // gain change per frame, 1.0 = gain 255
  float rightRampStep;
  std::int32_t rampRemaining;  // frames left in the running ramp
  // A sample that takes over where this one's loop, or this one without a loop, ends: its loop
  // plays from there on, or nothing where it has none. Null: none (RULE_SAMPLE_SWAP).
  const Sample* nextSample;
  // Whether volume, the targets and the levels count 256ths of a gain step (RULE_FINE_GAINS):
  // 255 x 256 is then full gain.
  bool fineGains;
  std::int32_t rampFrames;  // length of the next ramp; 0: the pool's ramps
  bool filtered;            // plays through filter
  FilterState filter;
};

// The voices of one engine, and the volume ramp every one of them follows: its length in frames
// and the reciprocal of that, fixed when the output is prepared.
struct VoicePool {
  Voice voices[VOICE_POOL_SIZE];
  std::int32_t rampLength;
  float rampReciprocal;
  // Ramps the playing song asks for, raising and lowering a voice's gain (0: rampLength both
  // ways); set when a song starts.
  std::int32_t songRampUpLength;
  float songRampUpReciprocal;
  std::int32_t songRampDownLength;
  float songRampDownReciprocal;
  // Voices 0..mixedVoices - 1 are mixed (0: MIXED_VOICES); at most VOICE_POOL_SIZE.
  std::int32_t mixedVoices;
};

// How many voices from 0 on the mixer plays.
inline std::int32_t mixedVoiceCount(const VoicePool& pool) {
  if (pool.mixedVoices <= 0) return MIXED_VOICES;
  return pool.mixedVoices < VOICE_POOL_SIZE ? pool.mixedVoices : VOICE_POOL_SIZE;
}

// The playing song's ramps: the given lengths at 44,100 Hz, scaled to the output's rate as
// rampLength is.
void useSongRamps(VoicePool& pool, std::int32_t upAt44100, std::int32_t downAt44100);

// Every voice idle, at its own slot number and step 1.
void resetVoicePool(VoicePool& pool);

constexpr int twinOf(int index) {
  return index < TWIN_OFFSET ? index + TWIN_OFFSET : index - TWIN_OFFSET;
}

}  // namespace player
