// Loops for SSE2: two frames per iteration share one computation of their values, each stereo
// frame's two sums held in one vector. The i686 build's fastest loops; every x86-64 processor
// runs them.
#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstddef>
#include <cstring>

#include "player/mixer/frame_loops.h"
#include "player/mixer/sinc_pass.h"
#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr double TWO_POW_MINUS_31 = 0x1p-31;

inline std::size_t indexOf(std::uint64_t position) {
  return static_cast<std::size_t>(position >> 32);
}

inline std::int32_t weightBits(std::uint64_t position) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
}

// The values of one frame (single) and of two (pair, the first in the low lane).
struct Nearest {
  const std::int16_t* data;
  double single(std::uint64_t position) const { return data[indexOf(position)]; }
  __m128d pair(std::uint64_t first, std::uint64_t second) const {
    return _mm_cvtepi32_pd(_mm_setr_epi32(data[indexOf(first)], data[indexOf(second)], 0, 0));
  }
};

// The two values s[i] and s[i + 1] at a position, as the low two 32-bit lanes.
inline __m128i valuePair(const std::int16_t* data, std::uint64_t position) {
  std::int32_t pair;
  std::memcpy(&pair, data + indexOf(position), sizeof(pair));
  return _mm_cvtsi32_si128(pair);
}

struct Linear {
  const std::int16_t* data;
  double single(std::uint64_t position) const {
    const std::size_t index = indexOf(position);
    const double current = data[index];
    const double next = data[index + 1];
    const double weight = static_cast<double>(weightBits(position)) * TWO_POW_MINUS_31;
    return current + weight * (next - current);
  }
  __m128d pair(std::uint64_t first, std::uint64_t second) const {
    // Lanes (s[i], s[i+1]) of both frames, widened to 32 bits and sorted into the values at the
    // positions and the values after them.
    __m128i values = _mm_unpacklo_epi32(valuePair(data, first), valuePair(data, second));
    values = _mm_srai_epi32(_mm_unpacklo_epi16(values, values), 16);
    values = _mm_shuffle_epi32(values, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128d current = _mm_cvtepi32_pd(values);
    const __m128d next = _mm_cvtepi32_pd(_mm_shuffle_epi32(values, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128i weightLanes = _mm_setr_epi32(weightBits(first), weightBits(second), 0, 0);
    const __m128d weight = _mm_mul_pd(_mm_cvtepi32_pd(weightLanes), _mm_set1_pd(TWO_POW_MINUS_31));
    return _mm_add_pd(current, _mm_mul_pd(weight, _mm_sub_pd(next, current)));
  }
};

// The taps times the frame's row, summed exactly in 32 bits, times 2^-14. BY_VALUE reads the taps
// a value at a time: for the edge buffer just written, where the processor forwards narrow
// stores to narrow loads but stalls a wide load over them.
template <bool BY_VALUE>
struct Sinc {
  const std::int16_t* data;
  const std::int16_t* rows;
  // The taps times the row of a frame, as four 32-bit partial sums.
  __m128i products(std::uint64_t position) const {
    const std::int16_t* t = data + (indexOf(position) - SINC_TAPS_BEFORE);
    const __m128i taps = BY_VALUE ? _mm_setr_epi16(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7])
                                  : _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    const __m128i row = _mm_load_si128(reinterpret_cast<const __m128i*>(
        rows + static_cast<std::size_t>(sincRow(position)) * SINC_TAPS));
    return _mm_madd_epi16(taps, row);
  }
  double single(std::uint64_t position) const {
    __m128i sums = products(position);
    sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, _MM_SHUFFLE(1, 0, 3, 2)));
    sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<double>(_mm_cvtsi128_si32(sums)) * SINC_UNIT;
  }
  __m128d pair(std::uint64_t first, std::uint64_t second) const {
    const __m128i a = products(first);
    const __m128i b = products(second);
    // (a0 + a2, b0 + b2, a1 + a3, b1 + b3), then the halves added.
    __m128i sums = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
    sums = _mm_add_epi32(sums, _mm_unpackhi_epi64(sums, sums));
    return _mm_mul_pd(_mm_cvtepi32_pd(sums), _mm_set1_pd(SINC_UNIT));
  }
};

// float(sums + x * gains) for one stereo frame, on two floats held in the low half of a vector.
inline __m128 addFrame(__m128 sums, double x, __m128d gains) {
  const __m128d total = _mm_add_pd(_mm_cvtps_pd(sums), _mm_mul_pd(_mm_set1_pd(x), gains));
  return _mm_cvtpd_ps(total);
}

// float(sums + x * gains) for two stereo frames held in one vector, x and the gains of the first
// frame in the low lanes.
inline __m128 addFramePair(__m128 sums, __m128d x, __m128d firstGains, __m128d secondGains) {
  const __m128d first =
      _mm_add_pd(_mm_cvtps_pd(sums), _mm_mul_pd(_mm_unpacklo_pd(x, x), firstGains));
  const __m128d second = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(sums, sums)),
                                    _mm_mul_pd(_mm_unpackhi_pd(x, x), secondGains));
  return _mm_movelh_ps(_mm_cvtpd_ps(first), _mm_cvtpd_ps(second));
}

inline __m128 loadFrame(const float* out) {
  return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(out)));
}

inline void storeFrame(float* out, __m128 frame) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_castps_si128(frame));
}

template <class Values>
std::uint64_t mixFixed(float* out, std::int32_t frames, const Values& values,
                       std::uint64_t position, std::uint64_t delta, float leftGain,
                       float rightGain) {
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const __m128d gains = _mm_setr_pd(leftGain, rightGain);
  std::int32_t done = 0;
  for (; done + 1 < frames; done += 2, out += 4) {
    const std::uint64_t second = nextPosition(position, delta);
    const __m128d x = values.pair(position, second);
    position = nextPosition(second, delta);
    _mm_storeu_ps(out, addFramePair(_mm_loadu_ps(out), x, gains, gains));
  }
  if (done < frames) {
    storeFrame(out, addFrame(loadFrame(out), values.single(position), gains));
    position = nextPosition(position, delta);
  }
  return position;
}

template <class Values>
std::uint64_t mixRamp(float* out, std::int32_t frames, const Values& values, std::uint64_t position,
                      std::uint64_t delta, RampGains& gains) {
  __m128 running = _mm_setr_ps(gains.left, gains.right, 0.0f, 0.0f);
  const __m128 steps = _mm_setr_ps(gains.leftStep, gains.rightStep, 0.0f, 0.0f);
  // Two frames per iteration share the values; the gains still move on frame by frame.
  std::int32_t done = 0;
  for (; done + 1 < frames; done += 2, out += 4) {
    const std::uint64_t second = nextPosition(position, delta);
    const __m128d x = values.pair(position, second);
    position = nextPosition(second, delta);
    const __m128 next = _mm_add_ps(running, steps);
    _mm_storeu_ps(out,
                  addFramePair(_mm_loadu_ps(out), x, _mm_cvtps_pd(running), _mm_cvtps_pd(next)));
    running = _mm_add_ps(next, steps);
  }
  if (done < frames) {
    storeFrame(out, addFrame(loadFrame(out), values.single(position), _mm_cvtps_pd(running)));
    running = _mm_add_ps(running, steps);
    position = nextPosition(position, delta);
  }
  float lanes[4];
  _mm_storeu_ps(lanes, running);
  gains.left = lanes[0];
  gains.right = lanes[1];
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

std::uint64_t sincFixedFrames(float* out, std::int32_t frames, const Sample& sample,
                              std::uint64_t position, std::uint64_t delta, float leftGain,
                              float rightGain) {
  return mixSincFixedFrames(SSE2_SINC_KERNELS, SSE2_SINC_EDGE_KERNELS, out, frames, sample,
                            position, delta, leftGain, rightGain);
}

std::uint64_t sincRampFrames(float* out, std::int32_t frames, const Sample& sample,
                             std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixSincRampFrames(SSE2_SINC_KERNELS, SSE2_SINC_EDGE_KERNELS, out, frames, sample, position,
                           delta, gains);
}

}  // namespace

const SincKernels SSE2_SINC_KERNELS = {sincKernelFixed<false>, sincKernelRamp<false>};
const SincKernels SSE2_SINC_EDGE_KERNELS = {sincKernelFixed<true>, sincKernelRamp<true>};

const FrameLoops SSE2_FRAME_LOOPS[INTERPOLATIONS] = {
    {fixedFrames<Linear>, rampFrames<Linear>},
    {fixedFrames<Nearest>, rampFrames<Nearest>},
    {sincFixedFrames, sincRampFrames},
};

}  // namespace player

#endif
