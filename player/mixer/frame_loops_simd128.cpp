// Loops for WebAssembly's 128-bit SIMD: two frames per iteration share one interpolation in a
// vector of two doubles, each stereo frame's two sums held in one vector, as the SSE2 loops do.
// Built only for the web, where the engine that runs the module either has these instructions or
// refuses the whole module; there is no choosing at run time.
#if defined(__wasm_simd128__)

#include <wasm_simd128.h>

#include <cstddef>

#include "player/mixer/frame_loops.h"

namespace player {
namespace {

constexpr double TWO_POW_MINUS_31 = 0x1p-31;

inline std::int32_t weightBits(std::uint64_t position) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
}

// (s[i], s[i + 1]) at a position, in the low 32 bits.
inline v128_t valuePair(const std::int16_t* data, std::uint64_t position) {
  return wasm_v128_load32_zero(data + static_cast<std::size_t>(position >> 32));
}

// The two lanes of lanes times 2^-31, exactly.
inline v128_t weights(std::int32_t first, std::int32_t second) {
  return wasm_f64x2_mul(wasm_f64x2_convert_low_i32x4(wasm_i32x4_make(first, second, 0, 0)),
                        wasm_f64x2_splat(TWO_POW_MINUS_31));
}

// The values of two frames at first and second, as the two lanes of a vector.
inline v128_t interpolatePair(const std::int16_t* data, std::uint64_t first, std::uint64_t second) {
  // (s[i] of the first, s[i] of the second, s[i + 1] of the first, s[i + 1] of the second),
  // widened to 32 bits.
  const v128_t values = wasm_i32x4_extend_low_i16x8(
      wasm_i16x8_shuffle(valuePair(data, first), valuePair(data, second), 0, 8, 1, 9, 0, 0, 0, 0));
  const v128_t current = wasm_f64x2_convert_low_i32x4(values);
  const v128_t next = wasm_f64x2_convert_low_i32x4(wasm_i64x2_shuffle(values, values, 1, 1));
  const v128_t weight = weights(weightBits(first), weightBits(second));
  return wasm_f64x2_add(current, wasm_f64x2_mul(weight, wasm_f64x2_sub(next, current)));
}

// float(sums + x * gains) for one stereo frame, the sums the vector's two low floats.
inline v128_t addFrame(v128_t sums, v128_t x, v128_t gains) {
  return wasm_f32x4_demote_f64x2_zero(
      wasm_f64x2_add(wasm_f64x2_promote_low_f32x4(sums), wasm_f64x2_mul(x, gains)));
}

// The same for two stereo frames held in one vector, x and the gains of the first frame in the
// low lanes.
inline v128_t addFramePair(v128_t sums, v128_t x, v128_t firstGains, v128_t secondGains) {
  const v128_t first = addFrame(sums, wasm_i64x2_shuffle(x, x, 0, 0), firstGains);
  const v128_t second =
      addFrame(wasm_i64x2_shuffle(sums, sums, 1, 1), wasm_i64x2_shuffle(x, x, 1, 1), secondGains);
  return wasm_i64x2_shuffle(first, second, 0, 2);
}

inline v128_t onlyFrame(const std::int16_t* data, std::uint64_t position) {
  const auto index = static_cast<std::size_t>(position >> 32);
  const double current = data[index];
  const double next = data[index + 1];
  const double weight = static_cast<double>(weightBits(position)) * TWO_POW_MINUS_31;
  return wasm_f64x2_splat(current + weight * (next - current));
}

inline void addLastFrame(float* out, const std::int16_t* data, std::uint64_t position,
                         v128_t gains) {
  wasm_v128_store64_lane(out,
                         addFrame(wasm_v128_load64_zero(out), onlyFrame(data, position), gains), 0);
}

std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain) {
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const v128_t gains = wasm_f64x2_make(leftGain, rightGain);
  std::int32_t done = 0;
  for (; done + 1 < frames; done += 2, out += 4) {
    const std::uint64_t second = nextPosition(position, delta);
    const v128_t x = interpolatePair(data, position, second);
    position = nextPosition(second, delta);
    wasm_v128_store(out, addFramePair(wasm_v128_load(out), x, gains, gains));
  }
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
  // Two frames per iteration share the interpolation; the gains still move on frame by frame.
  std::int32_t done = 0;
  for (; done + 1 < frames; done += 2, out += 4) {
    const std::uint64_t second = nextPosition(position, delta);
    const v128_t x = interpolatePair(data, position, second);
    position = nextPosition(second, delta);
    const v128_t next = wasm_f32x4_add(running, steps);
    wasm_v128_store(out, addFramePair(wasm_v128_load(out), x, wasm_f64x2_promote_low_f32x4(running),
                                      wasm_f64x2_promote_low_f32x4(next)));
    running = wasm_f32x4_add(next, steps);
  }
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
