// Loops for WebAssembly's 128-bit SIMD: four frames per iteration, their sample values loaded
// into one vector and interpolated two frames to a vector of doubles, each stereo frame's two
// sums held in one vector; the last frames of a pass go two and one at a time. Built only for the
// web, where the engine that runs the module either has these instructions or refuses the whole
// module: there is no choosing at run time. WebAssembly has no fused multiply-add, so every
// product and sum is rounded as in the plain loop.
#if defined(__wasm_simd128__)

#include <wasm_simd128.h>

#include <cstddef>

#include "player/mixer/frame_loops.h"

namespace player {
namespace {

constexpr int LANES = 4;

inline const std::int16_t* valuesAt(const std::int16_t* data, std::uint64_t position) {
  return data + static_cast<std::size_t>(position >> 32);
}

// The weights w of two positions, exactly: the fraction with bit 0 cleared put below the binary
// point of 2^20, and 2^20 taken away, gives its upper 31 bits times 2^-31.
inline v128_t weights(std::uint64_t first, std::uint64_t second) {
  const v128_t positions =
      wasm_i64x2_make(static_cast<std::int64_t>(first), static_cast<std::int64_t>(second));
  const v128_t fraction = wasm_v128_or(wasm_v128_and(positions, wasm_i64x2_splat(0xFFFFFFFEll)),
                                       wasm_i64x2_splat(0x4130000000000000ll));
  return wasm_f64x2_sub(fraction, wasm_f64x2_splat(0x1p20));
}

// s[i] + w * (s[i + 1] - s[i]) for two frames, from the low two 32-bit lanes of current and
// next.
inline v128_t interpolate(v128_t current, v128_t next, v128_t weight) {
  const v128_t low = wasm_f64x2_convert_low_i32x4(current);
  const v128_t high = wasm_f64x2_convert_low_i32x4(next);
  return wasm_f64x2_add(low, wasm_f64x2_mul(weight, wasm_f64x2_sub(high, low)));
}

// The values of frames at positions[0 .. COUNT - 1] (COUNT 2 or 4), two frames to a vector.
template <int COUNT>
inline void interpolateFrames(const std::int16_t* data, const std::uint64_t* positions,
                              v128_t* values) {
  // (s[i], s[i + 1]) of each frame, as 32-bit lanes.
  v128_t pairs = wasm_v128_load32_zero(valuesAt(data, positions[0]));
  pairs = wasm_v128_load32_lane(valuesAt(data, positions[1]), pairs, 1);
  if constexpr (COUNT == LANES) {
    pairs = wasm_v128_load32_lane(valuesAt(data, positions[2]), pairs, 2);
    pairs = wasm_v128_load32_lane(valuesAt(data, positions[3]), pairs, 3);
  }
  // Every s[i], then every s[i + 1], widened to 32 bits.
  const v128_t sorted = wasm_i16x8_shuffle(pairs, pairs, 0, 2, 4, 6, 1, 3, 5, 7);
  const v128_t current = wasm_i32x4_extend_low_i16x8(sorted);
  const v128_t next = wasm_i32x4_extend_high_i16x8(sorted);
  values[0] = interpolate(current, next, weights(positions[0], positions[1]));
  if constexpr (COUNT == LANES) {
    values[1] =
        interpolate(wasm_i64x2_shuffle(current, current, 1, 1),
                    wasm_i64x2_shuffle(next, next, 1, 1), weights(positions[2], positions[3]));
  }
}

// float(sums + x * gains) for one stereo frame, the sums the vector's two low floats.
inline v128_t addFrame(v128_t sums, v128_t x, v128_t gains) {
  return wasm_f32x4_demote_f64x2_zero(
      wasm_f64x2_add(wasm_f64x2_promote_low_f32x4(sums), wasm_f64x2_mul(x, gains)));
}

// The same for the two stereo frames at out, x and the gains of the first frame in the low lanes.
inline void addFramePair(float* out, v128_t x, v128_t firstGains, v128_t secondGains) {
  const v128_t sums = wasm_v128_load(out);
  const v128_t first = addFrame(sums, wasm_i64x2_shuffle(x, x, 0, 0), firstGains);
  const v128_t second =
      addFrame(wasm_i64x2_shuffle(sums, sums, 1, 1), wasm_i64x2_shuffle(x, x, 1, 1), secondGains);
  wasm_v128_store(out, wasm_i64x2_shuffle(first, second, 0, 2));
}

// The positions of the next COUNT frames; position moves on past them.
template <int COUNT>
inline void nextPositions(std::uint64_t& position, std::uint64_t delta, std::uint64_t* positions) {
  for (int j = 0; j < COUNT; ++j) {
    positions[j] = position;
    position = nextPosition(position, delta);
  }
}

inline void addLastFrame(float* out, const std::int16_t* data, std::uint64_t position,
                         v128_t gains) {
  const std::int16_t* values = valuesAt(data, position);
  const double current = values[0];
  const double next = values[1];
  const double weight = wasm_f64x2_extract_lane(weights(position, position), 0);
  const v128_t x = wasm_f64x2_splat(current + weight * (next - current));
  wasm_v128_store64_lane(out, addFrame(wasm_v128_load64_zero(out), x, gains), 0);
}

// Mixes the frames COUNT at a time at fixed gains while COUNT of them are left.
template <int COUNT>
inline void fixedRun(float*& out, std::int32_t& done, std::int32_t frames, const std::int16_t* data,
                     std::uint64_t& position, std::uint64_t delta, v128_t gains) {
  std::uint64_t positions[COUNT];
  v128_t x[COUNT / 2];
  for (; done + COUNT <= frames; done += COUNT, out += 2 * COUNT) {
    nextPositions<COUNT>(position, delta, positions);
    interpolateFrames<COUNT>(data, positions, x);
    for (int pair = 0; pair < COUNT / 2; ++pair)
      addFramePair(out + 4 * pair, x[pair], gains, gains);
  }
}

// The same at gains that move on in single precision frame by frame, as the plain loop's do.
template <int COUNT>
inline void rampRun(float*& out, std::int32_t& done, std::int32_t frames, const std::int16_t* data,
                    std::uint64_t& position, std::uint64_t delta, v128_t& running, v128_t steps) {
  std::uint64_t positions[COUNT];
  v128_t x[COUNT / 2];
  for (; done + COUNT <= frames; done += COUNT, out += 2 * COUNT) {
    nextPositions<COUNT>(position, delta, positions);
    interpolateFrames<COUNT>(data, positions, x);
    for (int pair = 0; pair < COUNT / 2; ++pair) {
      const v128_t next = wasm_f32x4_add(running, steps);
      addFramePair(out + 4 * pair, x[pair], wasm_f64x2_promote_low_f32x4(running),
                   wasm_f64x2_promote_low_f32x4(next));
      running = wasm_f32x4_add(next, steps);
    }
  }
}

std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain) {
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const v128_t gains = wasm_f64x2_make(leftGain, rightGain);
  std::int32_t done = 0;
  fixedRun<LANES>(out, done, frames, data, position, delta, gains);
  fixedRun<2>(out, done, frames, data, position, delta, gains);
  if (done < frames) {
    addLastFrame(out, data, position, gains);
    position = nextPosition(position, delta);
  }
  return position;
}

std::uint64_t mixRampFrames(float* out, std::int32_t frames, const std::int16_t* data,
                            std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  v128_t running = wasm_f32x4_make(gains.left, gains.right, 0.0f, 0.0f);
  const v128_t steps = wasm_f32x4_make(gains.leftStep, gains.rightStep, 0.0f, 0.0f);
  std::int32_t done = 0;
  rampRun<LANES>(out, done, frames, data, position, delta, running, steps);
  rampRun<2>(out, done, frames, data, position, delta, running, steps);
  if (done < frames) {
    addLastFrame(out, data, position, wasm_f64x2_promote_low_f32x4(running));
    running = wasm_f32x4_add(running, steps);
    position = nextPosition(position, delta);
  }
  gains.left = wasm_f32x4_extract_lane(running, 0);
  gains.right = wasm_f32x4_extract_lane(running, 1);
  return position;
}

}  // namespace

const FrameLoops SIMD128_FRAME_LOOPS = {mixFixedFrames, mixRampFrames};

}  // namespace player

#endif
