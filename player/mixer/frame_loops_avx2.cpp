// Loops for AVX2: four frames per iteration, their sample values loaded frame by frame (faster
// than a gather on many processors), the values and the sums in 256-bit vectors;
// the last frames of a pass go through the same code under a mask. Built with -mavx2 (no -mfma)
// and without contraction, so every product and sum is rounded as in the plain loop.
#include <immintrin.h>

#include <cstddef>
#include <cstring>

#include "player/mixer/frame_loops.h"
#include "player/mixer/sinc_pass.h"
#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr int LANES = 4;

// The next frames' positions, from passStride.
struct Positions {
  std::uint64_t first;  // of the next four frames
  std::uint64_t stride;
  __m256i lanes;    // the positions of the next four frames
  __m256i advance;  // four strides
};

Positions startPositions(std::uint64_t position, std::uint64_t delta) {
  const PassStride pass = passStride(position, delta);
  const std::uint64_t first = pass.first;
  const std::uint64_t stride = pass.stride;
  const auto lane = [first, stride](std::uint64_t j) {
    return static_cast<long long>(first + j * stride);
  };
  return {first, stride, _mm256_setr_epi64x(lane(0), lane(1), lane(2), lane(3)),
          _mm256_set1_epi64x(static_cast<long long>(LANES * stride))};
}

inline void moveOn(Positions& positions) {
  positions.first += LANES * positions.stride;
  positions.lanes = _mm256_add_epi64(positions.lanes, positions.advance);
}

inline __m256i valueLanes(std::int32_t count) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(2 * count),
                            _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

inline std::size_t indexOf(std::uint64_t position) {
  return static_cast<std::size_t>(position >> 32);
}

// (s[i], s[i + 1]) at a position, in the low 32-bit lane.
inline __m128i valuePair(const std::int16_t* data, std::uint64_t position) {
  std::int32_t pair;
  std::memcpy(&pair, data + indexOf(position), sizeof(pair));
  return _mm_cvtsi32_si128(pair);
}

// Each source gives 2^16 times the values of the first count of four frames; frames from count
// on read nothing.

struct Nearest {
  const std::int16_t* data;
  __m256d scaled(const Positions& positions, std::int32_t count) const {
    std::int32_t values[LANES];
    std::uint64_t position = positions.first;
    for (int j = 0; j < LANES; ++j, position += positions.stride) {
      values[j] = j < count ? data[indexOf(position)] : 0;
    }
    const __m128i lanes = _mm_setr_epi32(values[0], values[1], values[2], values[3]);
    return _mm256_cvtepi32_pd(_mm_slli_epi32(lanes, 16));
  }
};

// s[i] + w * (s[i + 1] - s[i]), w the fraction's upper 31 bits times 2^-31 (the fraction with bit
// 0 cleared times 2^-32). Every step is the plain loop's, scaled by a power of two, so the
// rounding is the same.
struct Linear {
  const std::int16_t* data;
  __m256d scaled(const Positions& positions, std::int32_t count) const {
    __m128i pairs[LANES];
    std::uint64_t position = positions.first;
    for (int j = 0; j < LANES; ++j, position += positions.stride) {
      pairs[j] = j < count ? valuePair(data, position) : _mm_setzero_si128();
    }
    const __m128i values = _mm_unpacklo_epi64(_mm_unpacklo_epi32(pairs[0], pairs[1]),
                                              _mm_unpacklo_epi32(pairs[2], pairs[3]));
    // s[i] x 2^16 and s[i + 1] x 2^16 as 32-bit integers.
    const __m256d current = _mm256_cvtepi32_pd(_mm_slli_epi32(values, 16));
    const __m256d next = _mm256_cvtepi32_pd(_mm_and_si128(values, _mm_set1_epi32(-65536)));
    // w exactly: the 32 fraction bits put below the binary point of 2^20, and 2^20 taken away.
    const __m256i fraction =
        _mm256_or_si256(_mm256_and_si256(positions.lanes, _mm256_set1_epi64x(0xFFFFFFFEll)),
                        _mm256_set1_epi64x(0x4130000000000000ll));
    const __m256d weight = _mm256_sub_pd(_mm256_castsi256_pd(fraction), _mm256_set1_pd(0x1p20));
    return _mm256_add_pd(current, _mm256_mul_pd(weight, _mm256_sub_pd(next, current)));
  }
};

// The taps times the frame's row, summed exactly in 32 bits, times 2^-14 (and 2^16).
struct Sinc {
  const std::int16_t* data;
  const std::int16_t* rows;
  __m256d scaled(const Positions& positions, std::int32_t count) const {
    __m128i taps[LANES];
    __m128i row[LANES];
    std::uint64_t position = positions.first;
    for (int j = 0; j < LANES; ++j, position += positions.stride) {
      if (j < count) {
        taps[j] = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(data + (indexOf(position) - SINC_TAPS_BEFORE)));
        row[j] = _mm_load_si128(reinterpret_cast<const __m128i*>(
            rows + static_cast<std::size_t>(sincRow(position)) * SINC_TAPS));
      } else {
        taps[j] = row[j] = _mm_setzero_si128();
      }
    }
    // Four partial sums per frame, frames 0 and 1 in low, 2 and 3 in high.
    const __m256i low =
        _mm256_madd_epi16(_mm256_set_m128i(taps[1], taps[0]), _mm256_set_m128i(row[1], row[0]));
    const __m256i high =
        _mm256_madd_epi16(_mm256_set_m128i(taps[3], taps[2]), _mm256_set_m128i(row[3], row[2]));
    // (s0, s2, s0, s2 | s1, s3, s1, s3), then put in order.
    __m256i sums = _mm256_hadd_epi32(low, high);
    sums = _mm256_hadd_epi32(sums, sums);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5);
    const __m128i ordered = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(sums, order));
    return _mm256_mul_pd(_mm256_cvtepi32_pd(ordered), _mm256_set1_pd(SINC_UNIT * 0x1p16));
  }
};

// out = float(out + x * gains) for four stereo frames, gains holding (left, right) per frame,
// the first two frames in low, the others in high.
inline void addFrames(float* out, __m256d x, __m256d low, __m256d high) {
  const __m256d xLow = _mm256_permute4x64_pd(x, _MM_SHUFFLE(1, 1, 0, 0));
  const __m256d xHigh = _mm256_permute4x64_pd(x, _MM_SHUFFLE(3, 3, 2, 2));
  const __m256d first = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(out)), _mm256_mul_pd(xLow, low));
  const __m256d second =
      _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(out + 4)), _mm256_mul_pd(xHigh, high));
  _mm_storeu_ps(out, _mm256_cvtpd_ps(first));
  _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(second));
}

// The same for the first count frames only.
inline void addFrames(float* out, __m256d x, __m256d low, __m256d high, std::int32_t count) {
  const __m256i values = valueLanes(count);
  float frames[2 * LANES];
  _mm256_storeu_ps(frames, _mm256_maskload_ps(out, values));
  addFrames(frames, x, low, high);
  _mm256_maskstore_ps(out, values, _mm256_loadu_ps(frames));
}

template <class Values>
std::uint64_t mixFixed(float* out, std::int32_t frames, const Values& values,
                       std::uint64_t position, std::uint64_t delta, float leftGain,
                       float rightGain) {
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  Positions positions = startPositions(position, delta);
  // The gains take back the 2^16 of the values: exactly, so x * gain rounds as in the plain loop.
  const double left = static_cast<double>(leftGain) * 0x1p-16;
  const double right = static_cast<double>(rightGain) * 0x1p-16;
  const __m256d gains = _mm256_setr_pd(left, right, left, right);
  std::int32_t done = 0;
  for (; done + LANES <= frames; done += LANES, out += 2 * LANES) {
    addFrames(out, values.scaled(positions, LANES), gains, gains);
    moveOn(positions);
  }
  if (done < frames) {
    const std::int32_t rest = frames - done;
    addFrames(out, values.scaled(positions, rest), gains, gains, rest);
  }
  return positionAfter(position, delta, frames);
}

template <class Values>
std::uint64_t mixRamp(float* out, std::int32_t frames, const Values& values, std::uint64_t position,
                      std::uint64_t delta, RampGains& gains) {
  Positions positions = startPositions(position, delta);
  // The running gains move on in single precision, frame after frame. The gains of the first
  // four frames are laid out one after another; those of the next four follow from them by
  // adding the steps four times more, one rounding each, as the plain loop does.
  float laid[2 * LANES];
  float left = gains.left;
  float right = gains.right;
  for (int j = 0; j < LANES; ++j) {
    laid[2 * j] = left;
    laid[2 * j + 1] = right;
    left += gains.leftStep;
    right += gains.rightStep;
  }
  const __m256 steps = _mm256_castpd_ps(_mm256_broadcastsd_pd(
      _mm_castps_pd(_mm_setr_ps(gains.leftStep, gains.rightStep, 0.0f, 0.0f))));
  __m256 running = _mm256_loadu_ps(laid);
  __m256 used = running;
  for (std::int32_t done = 0; done < frames; done += LANES, out += 2 * LANES) {
    const std::int32_t count = frames - done < LANES ? frames - done : LANES;
    const __m256d low = _mm256_cvtps_pd(_mm256_castps256_ps128(running));
    const __m256d high = _mm256_cvtps_pd(_mm256_extractf128_ps(running, 1));
    const __m256d x = _mm256_mul_pd(values.scaled(positions, count), _mm256_set1_pd(0x1p-16));
    if (count == LANES) {
      addFrames(out, x, low, high);
    } else {
      addFrames(out, x, low, high, count);
    }
    moveOn(positions);
    used = running;
    for (int j = 0; j < LANES; ++j)
      running = _mm256_add_ps(running, steps);
  }
  // The gains after the last frame: those of the frame after it, which is the first frame of
  // the next four when the frames fill whole fours.
  const std::int32_t rest = frames % LANES;
  _mm256_storeu_ps(laid, rest == 0 ? running : used);
  gains.left = laid[2 * rest];
  gains.right = laid[2 * rest + 1];
  return positionAfter(position, delta, frames);
}

// A pass shorter than one iteration (a short loop) costs less through the SSE2 loops.
template <class Values, Interpolation INTERPOLATION>
std::uint64_t fixedFrames(float* out, std::int32_t frames, const Sample& sample,
                          std::uint64_t position, std::uint64_t delta, float leftGain,
                          float rightGain) {
  if (frames < LANES) {
    return loopsFor(SSE2_FRAME_LOOPS, INTERPOLATION)
        .fixed(out, frames, sample, position, delta, leftGain, rightGain);
  }
  return mixFixed(out, frames, Values{sample.data}, position, delta, leftGain, rightGain);
}

template <class Values, Interpolation INTERPOLATION>
std::uint64_t rampFrames(float* out, std::int32_t frames, const Sample& sample,
                         std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  if (frames < LANES) {
    return loopsFor(SSE2_FRAME_LOOPS, INTERPOLATION)
        .ramp(out, frames, sample, position, delta, gains);
  }
  return mixRamp(out, frames, Values{sample.data}, position, delta, gains);
}

std::uint64_t sincKernelFixed(float* out, std::int32_t frames, const std::int16_t* data,
                              const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                              float leftGain, float rightGain) {
  if (frames < LANES) {
    return SSE2_SINC_KERNELS.fixed(out, frames, data, rows, position, delta, leftGain, rightGain);
  }
  return mixFixed(out, frames, Sinc{data, rows}, position, delta, leftGain, rightGain);
}

std::uint64_t sincKernelRamp(float* out, std::int32_t frames, const std::int16_t* data,
                             const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                             RampGains& gains) {
  if (frames < LANES)
    return SSE2_SINC_KERNELS.ramp(out, frames, data, rows, position, delta, gains);
  return mixRamp(out, frames, Sinc{data, rows}, position, delta, gains);
}

const SincKernels AVX2_SINC_KERNELS = {sincKernelFixed, sincKernelRamp};

std::uint64_t sincFixedFrames(float* out, std::int32_t frames, const Sample& sample,
                              std::uint64_t position, std::uint64_t delta, float leftGain,
                              float rightGain) {
  return mixSincFixedFrames(AVX2_SINC_KERNELS, SSE2_SINC_EDGE_KERNELS, out, frames, sample,
                            position, delta, leftGain, rightGain);
}

std::uint64_t sincRampFrames(float* out, std::int32_t frames, const Sample& sample,
                             std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixSincRampFrames(AVX2_SINC_KERNELS, SSE2_SINC_EDGE_KERNELS, out, frames, sample, position,
                           delta, gains);
}

}  // namespace

const FrameLoops AVX2_FRAME_LOOPS[INTERPOLATIONS] = {
    {fixedFrames<Linear, Interpolation::LINEAR>, rampFrames<Linear, Interpolation::LINEAR>},
    {fixedFrames<Nearest, Interpolation::NEAREST>, rampFrames<Nearest, Interpolation::NEAREST>},
    {sincFixedFrames, sincRampFrames},
};

}  // namespace player
