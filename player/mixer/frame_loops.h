// The mixer's inner loops: the frames of one pass of one voice, read from the voice's 16-bit
// sample by one of the interpolations and added to interleaved float stereo frames, at fixed
// gains or at gains that move by a step after every frame. One set of loops per instruction set
// and interpolation (mix_path.h picks one); the plain loops do one scalar frame at a time and are
// what the others match bit for bit.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/mixer/interpolation.h"

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

// Each loop adds frames >= 0 frames read from sample at position onwards to out and returns the
// position after them; each buffer value becomes float(value + x * gain) in double, x the frame's
// value at the position, i its integer part:
// - nearest: s[i];
// - linear: s[i] + w * (s[i + 1] - s[i]), w the fraction's upper 31 bits times 2^-31;
// - sinc: the integer sum of the taps around i times the filter's row for the fraction, times
//   2^-14 (sinc_table.h); taps beyond the sample's edges are those sinc_pass.h describes.
// Nearest and linear read the sample up to the guard values behind it, sinc only its own values.
//
// Fixed gains. Every loop but the plain nearest and linear ones skips the frames when both gains
// are exactly 0: x * 0 added to a value leaves it as it was (a buffer cleared to +0 never holds
// -0).
using FixedFramesLoop = std::uint64_t (*)(float* out, std::int32_t frames, const Sample& sample,
                                          std::uint64_t position, std::uint64_t delta,
                                          float leftGain, float rightGain);
// Ramping gains: every frame uses the gains before its own step is added; gains ends as the
// gains after the last frame.
using RampFramesLoop = std::uint64_t (*)(float* out, std::int32_t frames, const Sample& sample,
                                         std::uint64_t position, std::uint64_t delta,
                                         RampGains& gains);

struct FrameLoops {
  FixedFramesLoop fixed;
  RampFramesLoop ramp;
};

static_assert(static_cast<int>(Interpolation::LINEAR) == 0 &&
              static_cast<int>(Interpolation::NEAREST) == 1 &&
              static_cast<int>(Interpolation::SINC) == 2);

// The sets of loops, one per interpolation in the order of Interpolation. The SIMD ones exist
// only where the build compiles them (mix_path.h says which the processor can run).
extern const FrameLoops PLAIN_FRAME_LOOPS[INTERPOLATIONS];
extern const FrameLoops SSE2_FRAME_LOOPS[INTERPOLATIONS];
extern const FrameLoops AVX2_FRAME_LOOPS[INTERPOLATIONS];
extern const FrameLoops AVX512_FRAME_LOOPS[INTERPOLATIONS];
extern const FrameLoops SIMD128_FRAME_LOOPS[INTERPOLATIONS];
// Loops that write nothing: the position and the ramp gains move on as the others move them,
// whatever the interpolation.
extern const FrameLoops SKIP_FRAME_LOOPS;

// The set of an interpolation.
inline const FrameLoops& loopsFor(const FrameLoops (&sets)[INTERPOLATIONS],
                                  Interpolation interpolation) {
  return sets[static_cast<int>(interpolation)];
}

}  // namespace player
