// Loops for AVX-512 (F, BW, DQ, VL): eight frames per iteration, their sample values picked out
// of one vector load of the sample (gathered for large steps; the sinc taps loaded frame by
// frame), the values and the sums in 512-bit vectors; the last frames of a pass go through the
// same code under a mask. Built with -mavx512f -mavx512bw -mavx512dq -mavx512vl and without
// contraction, so every product and sum is rounded as in the plain loop.
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 warns about the undefined vectors inside its own AVX-512 intrinsics.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstddef>

#include "player/mixer/frame_loops.h"
#include "player/mixer/sinc_pass.h"
#include "player/mixer/sinc_table.h"

namespace player {
namespace {

constexpr int LANES = 8;

// The next frames' positions, from passStride.
struct Positions {
  std::uint64_t first;  // of the next eight frames
  std::uint64_t stride;
  __m512i lanes;    // the positions of the next eight frames
  __m512i advance;  // eight strides
  bool backward;
};

Positions startPositions(std::uint64_t position, std::uint64_t delta) {
  const PassStride pass = passStride(position, delta);
  const std::uint64_t first = pass.first;
  const std::uint64_t stride = pass.stride;
  const __m512i strides = _mm512_set1_epi64(static_cast<long long>(stride));
  const __m512i lanes =
      _mm512_add_epi64(_mm512_set1_epi64(static_cast<long long>(first)),
                       _mm512_mullo_epi64(strides, _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 6, 7)));
  // Steps stay below 2^40 (256 samples), so a backward delta has its top bit set.
  return {first, stride, lanes, _mm512_slli_epi64(strides, 3), (delta >> 63) != 0};
}

inline void moveOn(Positions& positions) {
  positions.first += LANES * positions.stride;
  positions.lanes = _mm512_add_epi64(positions.lanes, positions.advance);
}

// Steps up to 4 samples per frame keep eight frames within 30 values of the sample: those are
// read into one vector and the frames' values picked out of it. Larger steps gather.
constexpr std::uint64_t LARGEST_WINDOW_STRIDE = std::uint64_t{4} << 32;

bool fitsWindow(const Positions& positions) {
  const std::uint64_t magnitude = positions.backward ? 0 - positions.stride : positions.stride;
  return magnitude <= LARGEST_WINDOW_STRIDE;
}

// (s[i], s[i + 1]) of the first count frames as one 32-bit lane per frame, from the values
// between the frames' lowest and highest index (both read by the plain loop too).
inline __m256i windowPairs(const std::int16_t* data, const Positions& positions,
                           std::int32_t count) {
  const std::uint64_t last =
      positions.first + static_cast<std::uint64_t>(count - 1) * positions.stride;
  const auto firstIndex = static_cast<std::uint32_t>(positions.first >> 32);
  const auto lastIndex = static_cast<std::uint32_t>(last >> 32);
  const std::uint32_t low = positions.backward ? lastIndex : firstIndex;
  const std::uint32_t span = positions.backward ? firstIndex - lastIndex : lastIndex - firstIndex;
  const auto reach = static_cast<__mmask32>((std::uint64_t{1} << (span + 2)) - 1);
  const __m512i window = _mm512_maskz_loadu_epi16(reach, data + low);
  // The low 16 bits of each frame's index, twice, less low, plus (0, 1): the words of the
  // window that hold s[i] and s[i + 1].
  const __m512i indexWords = _mm512_permutexvar_epi16(
      _mm512_setr_epi32(0x20002, 0x60006, 0xA000A, 0xE000E, 0x120012, 0x160016, 0x1A001A, 0x1E001E,
                        0, 0, 0, 0, 0, 0, 0, 0),
      positions.lanes);
  const std::uint32_t offsets = (((1u - low) & 0xFFFFu) << 16) | ((0u - low) & 0xFFFFu);
  const __m512i picks = _mm512_add_epi16(indexWords, _mm512_set1_epi32(static_cast<int>(offsets)));
  return _mm512_castsi512_si256(_mm512_permutexvar_epi16(picks, window));
}

// The same by gathering, for any step; frames from count on read nothing.
inline __m256i gatheredPairs(const std::int16_t* data, const Positions& positions,
                             std::int32_t count) {
  const __m512i index = _mm512_srli_epi64(positions.lanes, 32);
  const auto mask = static_cast<__mmask8>((1u << count) - 1);
  return _mm512_mask_i64gather_epi32(_mm256_setzero_si256(), mask, index, data, 2);
}

// 2^16 times the values of eight frames, from their pairs: s[i] + w * (s[i + 1] - s[i]), w the
// fraction's upper 31 bits times 2^-31 (the fraction with bit 0 cleared times 2^-32). Every step
// is the plain loop's, scaled by a power of two, so the rounding is the same.
inline __m512d scaledValues(__m256i pairs, __m512i positions) {
  // s[i] x 2^16 and s[i + 1] x 2^16 as 32-bit integers.
  const __m512d current = _mm512_cvtepi32_pd(_mm256_slli_epi32(pairs, 16));
  const __m512d next = _mm512_cvtepi32_pd(_mm256_and_si256(pairs, _mm256_set1_epi32(-65536)));
  // w exactly: the 32 fraction bits put below the binary point of 2^20, and 2^20 taken away.
  constexpr long long TWO_POW_20_BITS = 0x4130000000000000ll;
  const __m512i fraction = _mm512_ternarylogic_epi64(positions, _mm512_set1_epi64(0xFFFFFFFEll),
                                                     _mm512_set1_epi64(TWO_POW_20_BITS), 0xEA);
  const __m512d weight = _mm512_sub_pd(_mm512_castsi512_pd(fraction), _mm512_set1_pd(0x1p20));
  return _mm512_add_pd(current, _mm512_mul_pd(weight, _mm512_sub_pd(next, current)));
}

// Each source gives 2^16 times the values of the first count of eight frames; frames from count
// on read nothing.

template <bool WINDOW>
inline __m256i pairsOf(const std::int16_t* data, const Positions& positions, std::int32_t count) {
  return WINDOW ? windowPairs(data, positions, count) : gatheredPairs(data, positions, count);
}

template <bool WINDOW>
struct Nearest {
  const std::int16_t* data;
  __m512d scaled(const Positions& positions, std::int32_t count) const {
    return _mm512_cvtepi32_pd(_mm256_slli_epi32(pairsOf<WINDOW>(data, positions, count), 16));
  }
};

template <bool WINDOW>
struct Linear {
  const std::int16_t* data;
  __m512d scaled(const Positions& positions, std::int32_t count) const {
    return scaledValues(pairsOf<WINDOW>(data, positions, count), positions.lanes);
  }
};

inline std::size_t indexOf(std::uint64_t position) {
  return static_cast<std::size_t>(position >> 32);
}

// The taps times the frame's row, summed exactly in 32 bits, times 2^-14 (and 2^16).
struct Sinc {
  const std::int16_t* data;
  const std::int16_t* rows;
  __m512d scaled(const Positions& positions, std::int32_t count) const {
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
    // Four partial sums per frame, one frame in each 128-bit lane: frames 0..3, then 4..7.
    const __m512i low = _mm512_madd_epi16(join(taps), join(row));
    const __m512i high = _mm512_madd_epi16(join(taps + 4), join(row + 4));
    // Lane j: (s[j], s[j + 4], s[j], s[j + 4]), then put in order.
    __m512i sums =
        _mm512_add_epi32(_mm512_unpacklo_epi32(low, high), _mm512_unpackhi_epi32(low, high));
    sums = _mm512_add_epi32(sums, _mm512_shuffle_epi32(sums, _MM_PERM_BADC));
    const __m512i order = _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i ordered = _mm512_castsi512_si256(_mm512_permutexvar_epi32(order, sums));
    return _mm512_mul_pd(_mm512_cvtepi32_pd(ordered), _mm512_set1_pd(SINC_UNIT * 0x1p16));
  }

  // Four 128-bit vectors as the lanes of one.
  static __m512i join(const __m128i* parts) {
    __m512i joined = _mm512_castsi128_si512(parts[0]);
    joined = _mm512_inserti32x4(joined, parts[1], 1);
    joined = _mm512_inserti32x4(joined, parts[2], 2);
    return _mm512_inserti32x4(joined, parts[3], 3);
  }
};

// out = float(out + x * gains) for eight stereo frames, gains holding (left, right) per frame,
// the first four frames in low, the others in high. Only the values whose bits are set in mask
// (two per frame, from the first) are read and written.
inline void addFrames(float* out, __m512d x, __m512d low, __m512d high, __mmask16 mask) {
  const auto firstMask = static_cast<__mmask8>(mask);
  const auto secondMask = static_cast<__mmask8>(mask >> 8);
  const __m512d xLow = _mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 1, 1, 2, 2, 3, 3), x);
  const __m512d xHigh = _mm512_permutexvar_pd(_mm512_setr_epi64(4, 4, 5, 5, 6, 6, 7, 7), x);
  const __m512d first = _mm512_add_pd(_mm512_cvtps_pd(_mm256_maskz_loadu_ps(firstMask, out)),
                                      _mm512_mul_pd(xLow, low));
  const __m512d second = _mm512_add_pd(
      _mm512_cvtps_pd(_mm256_maskz_loadu_ps(secondMask, out + LANES)), _mm512_mul_pd(xHigh, high));
  _mm256_mask_storeu_ps(out, firstMask, _mm512_cvtpd_ps(first));
  _mm256_mask_storeu_ps(out + LANES, secondMask, _mm512_cvtpd_ps(second));
}

// The same for all eight frames.
inline void addFrames(float* out, __m512d x, __m512d low, __m512d high) {
  const __m512d xLow = _mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 1, 1, 2, 2, 3, 3), x);
  const __m512d xHigh = _mm512_permutexvar_pd(_mm512_setr_epi64(4, 4, 5, 5, 6, 6, 7, 7), x);
  const __m512d first =
      _mm512_add_pd(_mm512_cvtps_pd(_mm256_loadu_ps(out)), _mm512_mul_pd(xLow, low));
  const __m512d second =
      _mm512_add_pd(_mm512_cvtps_pd(_mm256_loadu_ps(out + LANES)), _mm512_mul_pd(xHigh, high));
  _mm256_storeu_ps(out, _mm512_cvtpd_ps(first));
  _mm256_storeu_ps(out + LANES, _mm512_cvtpd_ps(second));
}

inline __mmask16 valueMask(std::int32_t frames) {
  return static_cast<__mmask16>((1u << (2 * frames)) - 1);
}

template <class Values>
void mixFixed(float* out, std::int32_t frames, const Values& values, Positions positions,
              __m512d gains) {
  std::int32_t done = 0;
  for (; done + LANES <= frames; done += LANES, out += 2 * LANES) {
    const __m512d x = values.scaled(positions, LANES);
    addFrames(out, x, gains, gains);
    moveOn(positions);
  }
  if (done < frames) {
    const std::int32_t rest = frames - done;
    const __m512d x = values.scaled(positions, rest);
    addFrames(out, x, gains, gains, valueMask(rest));
  }
}

// The gains take back the 2^16 of the values: exactly, so x * gain rounds as in the plain loop.
inline __m512d fixedGains(float leftGain, float rightGain) {
  const double left = static_cast<double>(leftGain) * 0x1p-16;
  const double right = static_cast<double>(rightGain) * 0x1p-16;
  return _mm512_setr_pd(left, right, left, right, left, right, left, right);
}

template <class Values>
void mixRamp(float* out, std::int32_t frames, const Values& values, Positions positions,
             RampGains& gains) {
  // The running gains move on in single precision, frame after frame. The gains of the first
  // four frames are laid out one after another; those of the next four follow from them by
  // adding the steps four times more, one rounding each, as the plain loop does.
  constexpr int QUARTER = LANES / 2;
  float laid[2 * QUARTER];
  float left = gains.left;
  float right = gains.right;
  for (int j = 0; j < QUARTER; ++j) {
    laid[2 * j] = left;
    laid[2 * j + 1] = right;
    left += gains.leftStep;
    right += gains.rightStep;
  }
  const __m256 steps =
      _mm256_broadcast_f32x2(_mm_setr_ps(gains.leftStep, gains.rightStep, 0.0f, 0.0f));
  const auto fourOn = [&](__m256 running) {
    for (int j = 0; j < QUARTER; ++j)
      running = _mm256_add_ps(running, steps);
    return running;
  };
  __m256 first = _mm256_loadu_ps(laid);  // gains of the first four frames of the next eight
  __m256 second = first;
  for (std::int32_t done = 0; done < frames; done += LANES, out += 2 * LANES) {
    const std::int32_t count = frames - done < LANES ? frames - done : LANES;
    second = fourOn(first);
    const __m512d x = _mm512_mul_pd(values.scaled(positions, count), _mm512_set1_pd(0x1p-16));
    addFrames(out, x, _mm512_cvtps_pd(first), _mm512_cvtps_pd(second), valueMask(count));
    moveOn(positions);
    if (count == LANES) first = fourOn(second);
  }
  // The gains after the last frame: the running gains of the frame that would follow it.
  const std::int32_t rest = frames % LANES;
  _mm256_storeu_ps(laid, rest >= QUARTER ? second : first);
  gains.left = laid[2 * (rest % QUARTER)];
  gains.right = laid[2 * (rest % QUARTER) + 1];
}

// A pass shorter than one iteration (a short loop) costs less through the SSE2 loops. Nearest
// and linear read their values out of one load of the sample when the step allows.
template <template <bool> class Values, Interpolation INTERPOLATION>
std::uint64_t fixedFrames(float* out, std::int32_t frames, const Sample& sample,
                          std::uint64_t position, std::uint64_t delta, float leftGain,
                          float rightGain) {
  if (frames < LANES) {
    return loopsFor(SSE2_FRAME_LOOPS, INTERPOLATION)
        .fixed(out, frames, sample, position, delta, leftGain, rightGain);
  }
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  const Positions positions = startPositions(position, delta);
  const __m512d gains = fixedGains(leftGain, rightGain);
  if (fitsWindow(positions)) {
    mixFixed(out, frames, Values<true>{sample.data}, positions, gains);
  } else {
    mixFixed(out, frames, Values<false>{sample.data}, positions, gains);
  }
  return positionAfter(position, delta, frames);
}

template <template <bool> class Values, Interpolation INTERPOLATION>
std::uint64_t rampFrames(float* out, std::int32_t frames, const Sample& sample,
                         std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  if (frames < LANES) {
    return loopsFor(SSE2_FRAME_LOOPS, INTERPOLATION)
        .ramp(out, frames, sample, position, delta, gains);
  }
  const Positions positions = startPositions(position, delta);
  if (fitsWindow(positions)) {
    mixRamp(out, frames, Values<true>{sample.data}, positions, gains);
  } else {
    mixRamp(out, frames, Values<false>{sample.data}, positions, gains);
  }
  return positionAfter(position, delta, frames);
}

std::uint64_t sincKernelFixed(float* out, std::int32_t frames, const std::int16_t* data,
                              const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                              float leftGain, float rightGain) {
  if (frames < LANES) {
    return SSE2_SINC_KERNELS.fixed(out, frames, data, rows, position, delta, leftGain, rightGain);
  }
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  mixFixed(out, frames, Sinc{data, rows}, startPositions(position, delta),
           fixedGains(leftGain, rightGain));
  return positionAfter(position, delta, frames);
}

std::uint64_t sincKernelRamp(float* out, std::int32_t frames, const std::int16_t* data,
                             const std::int16_t* rows, std::uint64_t position, std::uint64_t delta,
                             RampGains& gains) {
  if (frames < LANES)
    return SSE2_SINC_KERNELS.ramp(out, frames, data, rows, position, delta, gains);
  mixRamp(out, frames, Sinc{data, rows}, startPositions(position, delta), gains);
  return positionAfter(position, delta, frames);
}

const SincKernels AVX512_SINC_KERNELS = {sincKernelFixed, sincKernelRamp};

std::uint64_t sincFixedFrames(float* out, std::int32_t frames, const Sample& sample,
                              std::uint64_t position, std::uint64_t delta, float leftGain,
                              float rightGain) {
  return mixSincFixedFrames(AVX512_SINC_KERNELS, SSE2_SINC_EDGE_KERNELS, out, frames, sample,
                            position, delta, leftGain, rightGain);
}

std::uint64_t sincRampFrames(float* out, std::int32_t frames, const Sample& sample,
                             std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  return mixSincRampFrames(AVX512_SINC_KERNELS, SSE2_SINC_EDGE_KERNELS, out, frames, sample,
                           position, delta, gains);
}

}  // namespace

const FrameLoops AVX512_FRAME_LOOPS[INTERPOLATIONS] = {
    {fixedFrames<Linear, Interpolation::LINEAR>, rampFrames<Linear, Interpolation::LINEAR>},
    {fixedFrames<Nearest, Interpolation::NEAREST>, rampFrames<Nearest, Interpolation::NEAREST>},
    {sincFixedFrames, sincRampFrames},
};

}  // namespace player
