// Loops for WebAssembly's 128-bit SIMD: four frames per iteration, their values made together and
// held two frames to a vector of doubles, each stereo frame's two sums held in one vector; the
// last frames of a pass go two and one at a time. Built only for the web, where the engine that
// runs the module either has these instructions or refuses the whole module: there is no choosing
// at run time. WebAssembly has no fused multiply-add, so every product and sum is rounded as in
// the plain loops.
#if defined(__wasm_simd128__)

#include <wasm_simd128.h>

#include <cstddef>

#include "player/mixer/frame_loops.h"
#include "player/mixer/sinc_pass.h"
#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr int LANES = 4;

inline std::size_t indexOf(std::uint64_t position) {
  return static_cast<std::size_t>(position >> 32);
}

// The low two and the high two 32-bit integer lanes as doubles.
inline v128_t lowDoubles(v128_t lanes) {
  return wasm_f64x2_convert_low_i32x4(lanes);
}

inline v128_t highDoubles(v128_t lanes) {
  return wasm_f64x2_convert_low_i32x4(wasm_i64x2_shuffle(lanes, lanes, 1, 1));
}

// Each policy gives the values of COUNT frames (2 or 4) at positions, two to a vector, and of a
// single frame.
struct Nearest {
  const std::int16_t* data;
  template <int COUNT>
  void frames(const std::uint64_t* positions, v128_t* x) const {
    const auto value = [this, positions](int j) {
      return j < COUNT ? std::int32_t{data[indexOf(positions[j])]} : 0;
    };
    const v128_t values = wasm_i32x4_make(value(0), value(1), value(2), value(3));
    x[0] = lowDoubles(values);
    if constexpr (COUNT == LANES) x[1] = highDoubles(values);
  }
  double single(std::uint64_t position) const { return data[indexOf(position)]; }
};

// The weights w of two positions, exactly: the fraction with bit 0 cleared put below the binary
// point of 2^20, and 2^20 taken away, gives its upper 31 bits times 2^-31.
inline v128_t weights(std::uint64_t first, std::uint64_t second) {
  const v128_t positions =
      wasm_i64x2_make(static_cast<std::int64_t>(first), static_cast<std::int64_t>(second));
  const v128_t fraction = wasm_v128_or(wasm_v128_and(positions, wasm_i64x2_splat(0xFFFFFFFEll)),
                                       wasm_i64x2_splat(0x4130000000000000ll));
  return wasm_f64x2_sub(fraction, wasm_f64x2_splat(0x1p20));
}

// s[i] + w * (s[i + 1] - s[i]) for two frames, from the low two 32-bit lanes of current and next.
inline v128_t interpolate(v128_t current, v128_t next, v128_t weight) {
  const v128_t low = lowDoubles(current);
  return wasm_f64x2_add(low, wasm_f64x2_mul(weight, wasm_f64x2_sub(lowDoubles(next), low)));
}

struct Linear {
  const std::int16_t* data;
  template <int COUNT>
  void frames(const std::uint64_t* positions, v128_t* x) const {
    // (s[i], s[i + 1]) of each frame as 32-bit lanes; then every s[i] and every s[i + 1],
    // widened to 32 bits.
    v128_t pairs = wasm_v128_load32_zero(data + indexOf(positions[0]));
    pairs = wasm_v128_load32_lane(data + indexOf(positions[1]), pairs, 1);
    if constexpr (COUNT == LANES) {
      pairs = wasm_v128_load32_lane(data + indexOf(positions[2]), pairs, 2);
      pairs = wasm_v128_load32_lane(data + indexOf(positions[3]), pairs, 3);
    }
    const v128_t sorted = wasm_i16x8_shuffle(pairs, pairs, 0, 2, 4, 6, 1, 3, 5, 7);
    const v128_t current = wasm_i32x4_extend_low_i16x8(sorted);
    const v128_t next = wasm_i32x4_extend_high_i16x8(sorted);
    x[0] = interpolate(current, next, weights(positions[0], positions[1]));
    if constexpr (COUNT == LANES) {
      x[1] = interpolate(wasm_i64x2_shuffle(current, current, 1, 1),
                         wasm_i64x2_shuffle(next, next, 1, 1), weights(positions[2], positions[3]));
    }
  }
  double single(std::uint64_t position) const {
    const std::int16_t* values = data + indexOf(position);
    const double current = values[0];
    const double next = values[1];
    const double weight = wasm_f64x2_extract_lane(weights(position, position), 0);
    return current + weight * (next - current);
  }
};

// The taps times the frame's row, summed exactly in 32 bits, times 2^-14. BY_VALUE reads the taps
// a value at a time: for the edge buffer just written, where a wide load over narrow stores
// stalls the processor under the engine.
template <bool BY_VALUE>
struct Sinc {
  const std::int16_t* data;
  const std::int16_t* rows;
  // The taps times the row of a frame, as four 32-bit partial sums.
  v128_t products(std::uint64_t position) const {
    const std::int16_t* t = data + (indexOf(position) - SINC_TAPS_BEFORE);
    const v128_t taps = BY_VALUE ? wasm_i16x8_make(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7])
                                 : wasm_v128_load(t);
    const v128_t row =
        wasm_v128_load(rows + static_cast<std::size_t>(sincRow(position)) * SINC_TAPS);
    return wasm_i32x4_dot_i16x8(taps, row);
  }
  // (a0 + a2, b0 + b2, a1 + a3, b1 + b3) of two frames' partial sums a and b.
  static v128_t halves(v128_t a, v128_t b) {
    return wasm_i32x4_add(wasm_i32x4_shuffle(a, b, 0, 4, 1, 5),
                          wasm_i32x4_shuffle(a, b, 2, 6, 3, 7));
  }
  template <int COUNT>
  void frames(const std::uint64_t* positions, v128_t* x) const {
    const v128_t first = halves(products(positions[0]), products(positions[1]));
    if constexpr (COUNT == LANES) {
      const v128_t second = halves(products(positions[2]), products(positions[3]));
      // The four frames' sums.
      const v128_t sums = wasm_i32x4_add(wasm_i32x4_shuffle(first, second, 0, 1, 4, 5),
                                         wasm_i32x4_shuffle(first, second, 2, 3, 6, 7));
      x[0] = wasm_f64x2_mul(lowDoubles(sums), wasm_f64x2_splat(SINC_UNIT));
      x[1] = wasm_f64x2_mul(highDoubles(sums), wasm_f64x2_splat(SINC_UNIT));
    } else {
      const v128_t sums = wasm_i32x4_add(first, wasm_i64x2_shuffle(first, first, 1, 1));
      x[0] = wasm_f64x2_mul(lowDoubles(sums), wasm_f64x2_splat(SINC_UNIT));
    }
  }
  double single(std::uint64_t position) const {
    v128_t sums = products(position);
    sums = wasm_i32x4_add(sums, wasm_i64x2_shuffle(sums, sums, 1, 1));
    sums = wasm_i32x4_add(sums, wasm_i32x4_shuffle(sums, sums, 1, 0, 3, 2));
    return static_cast<double>(wasm_i32x4_extract_lane(sums, 0)) * SINC_UNIT;
  }
};

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

inline void addLastFrame(float* out, double x, v128_t gains) {
  wasm_v128_store64_lane(out, addFrame(wasm_v128_load64_zero(out), wasm_f64x2_splat(x), gains), 0);
}

// The positions of the next COUNT frames; position moves on past them.
template <int COUNT>
inline void nextPositions(std::uint64_t& position, std::uint64_t delta, std::uint64_t* positions) {
  for (int j = 0; j < COUNT; ++j) {
    positions[j] = position;
    position = nextPosition(position, delta);
  }
}

// Mixes the frames COUNT at a time at fixed gains while COUNT of them are left.
template <int COUNT, class Values>
inline void fixedRun(float*& out, std::int32_t& done, std::int32_t frames, const Values& values,
                     std::uint64_t& position, std::uint64_t delta, v128_t gains) {
  std::uint64_t positions[COUNT];
  v128_t x[COUNT / 2];
  for (; done + COUNT <= frames; done += COUNT, out += 2 * COUNT) {
    nextPositions<COUNT>(position, delta, positions);
    values.template frames<COUNT>(positions, x);
    for (int pair = 0; pair < COUNT / 2; ++pair)
      addFramePair(out + 4 * pair, x[pair], gains, gains);
  }
}

// The same at gains that move on in single precision frame by frame, as the plain loop's do.
template <int COUNT, class Values>
inline void rampRun(float*& out, std::int32_t& done, std::int32_t frames, const Values& values,
                    std::uint64_t& position, std::uint64_t delta, v128_t& running, v128_t steps) {
  std::uint64_t positions[COUNT];
  v128_t x[COUNT / 2];
  for (; done + COUNT <= frames; done += COUNT, out += 2 * COUNT) {
    nextPositions<COUNT>(position, delta, positions);
    values.template frames<COUNT>(positions, x);
    for (int pair = 0; pair < COUNT / 2; ++pair) {
      const v128_t next = wasm_f32x4_add(running, steps);
      addFramePair(out + 4 * pair, x[pair], wasm_f64x2_promote_low_f32x4(running),
                   wasm_f64x2_promote_low_f32x4(next));
      running = wasm_f32x4_add(next, steps);
    }
  }
}

template <class Values>
std::uint64_t mixFixed(float* out, std::int32_t frames, const Values& values,
                       std::uint64_t position, std::uint64_t delta, float leftGain,
                       float rightGain) {
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const v128_t gains = wasm_f64x2_make(leftGain, rightGain);
  std::int32_t done = 0;
  fixedRun<LANES>(out, done, frames, values, position, delta, gains);
  fixedRun<2>(out, done, frames, values, position, delta, gains);
  if (done < frames) {
    addLastFrame(out, values.single(position), gains);
    position = nextPosition(position, delta);
  }
  return position;
}

template <class Values>
std::uint64_t mixRamp(float* out, std::int32_t frames, const Values& values, std::uint64_t position,
                      std::uint64_t delta, RampGains& gains) {
  v128_t running = wasm_f32x4_make(gains.left, gains.right, 0.0f, 0.0f);
  const v128_t steps = wasm_f32x4_make(gains.leftStep, gains.rightStep, 0.0f, 0.0f);
  std::int32_t done = 0;
  rampRun<LANES>(out, done, frames, values, position, delta, running, steps);
  rampRun<2>(out, done, frames, values, position, delta, running, steps);
  if (done < frames) {
    addLastFrame(out, values.single(position), wasm_f64x2_promote_low_f32x4(running));
    running = wasm_f32x4_add(running, steps);
    position = nextPosition(position, delta);
  }
  gains.left = wasm_f32x4_extract_lane(running, 0);
  gains.right = wasm_f32x4_extract_lane(running, 1);
  return position;
}

template <class Values>
std::uint64_t fixedFrames(float* out, std::int32_t frames, const Sample& sample,
                          std::uint64_t position, std::uint64_t delta, float leftGain,
                          float rightGain) {
  return mixFixed(out, frames, Values{sample.data}, position, delta, leftGain, rightGain);
}

template <class Values>
std::uint64_t rampFrames(float* out, std::int32_t frames, const Sample& sample,
                         std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixRamp(out, frames, Values{sample.data}, position, delta, gains);
}

template <bool BY_VALUE>
std::uint64_t sincKernelFixed(float* out, std::int32_t frames, const std::int16_t* data,
                              const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                              float leftGain, float rightGain) {
  return mixFixed(out, frames, Sinc<BY_VALUE>{data, rows}, position, delta, leftGain, rightGain);
}

template <bool BY_VALUE>
std::uint64_t sincKernelRamp(float* out, std::int32_t frames, const std::int16_t* data,
                             const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                             RampGains& gains) {
  return mixRamp(out, frames, Sinc<BY_VALUE>{data, rows}, position, delta, gains);
}

const SincKernels SINC_KERNELS = {sincKernelFixed<false>, sincKernelRamp<false>};
const SincKernels SINC_EDGE_KERNELS = {sincKernelFixed<true>, sincKernelRamp<true>};

std::uint64_t sincFixedFrames(float* out, std::int32_t frames, const Sample& sample,
                              std::uint64_t position, std::uint64_t delta, float leftGain,
                              float rightGain) {
  return mixSincFixedFrames(SINC_KERNELS, SINC_EDGE_KERNELS, out, frames, sample, position, delta,
                            leftGain, rightGain);
}

std::uint64_t sincRampFrames(float* out, std::int32_t frames, const Sample& sample,
                             std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixSincRampFrames(SINC_KERNELS, SINC_EDGE_KERNELS, out, frames, sample, position, delta,
                           gains);
}

}  // namespace

const FrameLoops SIMD128_FRAME_LOOPS[INTERPOLATIONS] = {
    {fixedFrames<Linear>, rampFrames<Linear>},
    {fixedFrames<Nearest>, rampFrames<Nearest>},
    {sincFixedFrames, sincRampFrames},
};

}  // namespace player

#endif
