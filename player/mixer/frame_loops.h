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
// the position after them. A frame's value is s[i] + w * (s[i + 1] - s[i]) in double, w the
// fraction's upper 31 bits times 2^-31; each buffer value becomes float(value + x * gain).
// The mixer's loops use SSE2 where the target has it; the plain loops do one scalar frame at a
// time and are what the others must match bit for bit.

// Fixed gains, two frames per iteration. With both gains exactly 0 the voice only moves on: x * 0
// added to a value leaves it as it was (a buffer cleared to +0 never holds -0).
std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain);
std::uint64_t mixFixedFramesPlain(float* out, std::int32_t frames, const std::int16_t* data,
                                  std::uint64_t position, std::uint64_t delta, float leftGain,
                                  float rightGain);

// Ramping gains: every frame uses the gains before its own step is added.
std::uint64_t mixRampFrames(float* out, std::int32_t frames, const std::int16_t* data,
                            std::uint64_t position, std::uint64_t delta, RampGains& gains);
std::uint64_t mixRampFramesPlain(float* out, std::int32_t frames, const std::int16_t* data,
                                 std::uint64_t position, std::uint64_t delta, RampGains& gains);

}  // namespace player
