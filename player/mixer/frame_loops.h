// The mixer's inner loops: the frames of one pass of one voice, interpolated linearly from the
// voice's 16-bit sample and added to interleaved float stereo frames, at fixed gains or at gains
// that move by a step after every frame.
#pragma once

#include <cstdint>

namespace player {

// The 64-bit play position (integer part in the high half) after one frame: bit 0 of the
// fraction is cleared, then delta is added modulo 2^64. delta is the 32.32 step, or its two's
// complement for a voice that moves backward.
inline std::uint64_t nextPosition(std::uint64_t position, std::uint64_t delta) {
  return (position & ~std::uint64_t{1}) + delta;
}

// The position after frames >= 0 calls of nextPosition, in constant time.
std::uint64_t positionAfter(std::uint64_t position, std::uint64_t delta, std::int32_t frames);

// Gains of a ramping pass; left and right move on after every frame.
struct RampGains {
  float left;
  float right;
  float leftStep;
  float rightStep;
};

// Each function adds frames >= 0 frames read from data at position onwards to out and returns
// the position after them.

// Fixed gains, two frames per iteration. Frames at gains of exactly 0 add nothing to any value of
// a cleared buffer, so a voice silent on both sides only moves on.
std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain);

// Fixed gains, one frame at a time: the plain loop the paired one must match bit for bit.
std::uint64_t mixFixedFramesSingly(float* out, std::int32_t frames, const std::int16_t* data,
                                   std::uint64_t position, std::uint64_t delta, float leftGain,
                                   float rightGain);

// Ramping gains: every frame uses the gains before its own step is added.
std::uint64_t mixRampFrames(float* out, std::int32_t frames, const std::int16_t* data,
                            std::uint64_t position, std::uint64_t delta, RampGains& gains);

}  // namespace player
