// The mixer's inner loops: the frames of one pass of one voice, interpolated linearly from the
// voice's 16-bit sample and added to interleaved float stereo frames, at fixed gains or at gains
// that move by a step after every frame. One set of loops per instruction set (mix_path.h picks
// one); the plain loops do one scalar frame at a time and are what the others match bit for bit.
#pragma once

#include <cstdint>

namespace player {

// The 64-bit play position (integer part in the high half) after one frame: bit 0 of the
// fraction is cleared, then delta is added modulo 2^64. delta is the 32.32 step, or its two's
// complement for a voice that moves backward.
inline std::uint64_t nextPosition(std::uint64_t position, std::uint64_t delta) {
  return (position & ~std::uint64_t{1}) + delta;
}

// Frame j of a pass reads at first + j * stride: nextPosition clears bit 0 before adding delta,
// so after the first frame bit 0 equals that of delta and every later step adds delta minus
// that bit. The first frame's own bit 0 is never read (it lies below the 31 weight bits).
struct PassStride {
  std::uint64_t first;
  std::uint64_t stride;
};

inline PassStride passStride(std::uint64_t position, std::uint64_t delta) {
  const std::uint64_t odd = delta & 1;
  return {(position & ~std::uint64_t{1}) + odd, delta - odd};
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

// Each loop adds frames >= 0 frames read from data at position onwards to out and returns the
// position after them. A frame's value is s[i] + w * (s[i + 1] - s[i]) in double, w the
// fraction's upper 31 bits times 2^-31; each buffer value becomes float(value + x * gain).
//
// Fixed gains. The loops other than the plain one skip the frames when both gains are exactly 0:
// x * 0 added to a value leaves it as it was (a buffer cleared to +0 never holds -0).
using FixedFramesLoop = std::uint64_t (*)(float* out, std::int32_t frames, const std::int16_t* data,
                                          std::uint64_t position, std::uint64_t delta,
                                          float leftGain, float rightGain);
// Ramping gains: every frame uses the gains before its own step is added; gains ends as the
// gains after the last frame.
using RampFramesLoop = std::uint64_t (*)(float* out, std::int32_t frames, const std::int16_t* data,
                                         std::uint64_t position, std::uint64_t delta,
                                         RampGains& gains);

struct FrameLoops {
  FixedFramesLoop fixed;
  RampFramesLoop ramp;
};

// The sets of loops. The SIMD ones exist only where the build compiles them (mix_path.h says
// which the processor can run).
extern const FrameLoops PLAIN_FRAME_LOOPS;
extern const FrameLoops SSE2_FRAME_LOOPS;
extern const FrameLoops AVX2_FRAME_LOOPS;
extern const FrameLoops AVX512_FRAME_LOOPS;
extern const FrameLoops SIMD128_FRAME_LOOPS;

}  // namespace player
