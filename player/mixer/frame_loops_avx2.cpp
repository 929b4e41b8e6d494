// Loops for AVX2: four frames per iteration, their sample values gathered by one instruction,
// the interpolation and the sums in 256-bit double vectors; the last frames of a pass go through
// the same code under a mask. Built with -mavx2 (no -mfma) and without contraction, so every
// product and sum is rounded as in the plain loop.
#include <immintrin.h>

#include "player/mixer/frame_loops.h"

namespace player {
namespace {

constexpr int LANES = 4;

// Frame j of a pass reads at first + j * stride: nextPosition clears bit 0 before adding delta,
// so after the first frame bit 0 equals that of delta and every later step adds delta minus
// that bit. The first frame's own bit 0 is never read (it lies below the 31 weight bits).
struct Positions {
  __m256i lanes;    // the positions of the next four frames
  __m256i advance;  // four strides
};

Positions startPositions(std::uint64_t position, std::uint64_t delta) {
  const std::uint64_t odd = delta & 1;
  const std::uint64_t stride = delta - odd;
  const std::uint64_t first = (position & ~std::uint64_t{1}) + odd;
  const auto lane = [&](std::uint64_t j) { return static_cast<long long>(first + j * stride); };
  return {_mm256_setr_epi64x(lane(0), lane(1), lane(2), lane(3)),
          _mm256_set1_epi64x(static_cast<long long>(LANES * stride))};
}

// Lane masks for the first frames of four: all bits set in the lanes of frames below count.
inline __m128i frameLanes(std::int32_t count) {
  return _mm_cmpgt_epi32(_mm_set1_epi32(count), _mm_setr_epi32(0, 1, 2, 3));
}
inline __m256i valueLanes(std::int32_t count) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(2 * count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// The values of four frames: s[i] + w * (s[i + 1] - s[i]) with w the fraction's upper 31 bits
// times 2^-31. Frames outside mask read nothing.
inline __m256d interpolate(const std::int16_t* data, __m256i positions, __m128i mask) {
  const __m256i index = _mm256_srli_epi64(positions, 32);
  // (s[i], s[i + 1]) as one 32-bit lane per frame.
  const __m128i pairs = _mm256_mask_i64gather_epi32(
      _mm_setzero_si128(), reinterpret_cast<const int*>(data), index, mask, 2);
  const __m256d current = _mm256_cvtepi32_pd(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
  const __m256d next = _mm256_cvtepi32_pd(_mm_srai_epi32(pairs, 16));
  // The fraction's upper 31 bits, in the low 32-bit half of each lane, then packed.
  const __m256i weights = _mm256_srli_epi64(_mm256_slli_epi64(positions, 32), 33);
  const __m128i weightBits = _mm256_castsi256_si128(
      _mm256_permutevar8x32_epi32(weights, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
  const __m256d weight = _mm256_mul_pd(_mm256_cvtepi32_pd(weightBits), _mm256_set1_pd(0x1p-31));
  return _mm256_add_pd(current, _mm256_mul_pd(weight, _mm256_sub_pd(next, current)));
}

// float(sums + x * gains) for four stereo frames; gains holds (left, right) per frame, the first
// two frames in low, the others in high.
inline __m256 addFrames(__m256 sums, __m256d x, __m256d low, __m256d high) {
  const __m256d xLow = _mm256_permute4x64_pd(x, _MM_SHUFFLE(1, 1, 0, 0));
  const __m256d xHigh = _mm256_permute4x64_pd(x, _MM_SHUFFLE(3, 3, 2, 2));
  const __m256d first =
      _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(sums)), _mm256_mul_pd(xLow, low));
  const __m256d second =
      _mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(sums, 1)), _mm256_mul_pd(xHigh, high));
  return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(first)),
                              _mm256_cvtpd_ps(second), 1);
}

std::uint64_t mixFixedFrames(float* out, std::int32_t frames, const std::int16_t* data,
                             std::uint64_t position, std::uint64_t delta, float leftGain,
                             float rightGain) {
  if (frames <= 0) return position;
  if (leftGain == 0.0f && rightGain == 0.0f) return positionAfter(position, delta, frames);
  Positions positions = startPositions(position, delta);
  const double left = leftGain;
  const double right = rightGain;
  const __m256d gains = _mm256_setr_pd(left, right, left, right);
  const __m128i all = _mm_set1_epi32(-1);
  std::int32_t done = 0;
  for (; done + LANES <= frames; done += LANES, out += 2 * LANES) {
    const __m256d x = interpolate(data, positions.lanes, all);
    _mm256_storeu_ps(out, addFrames(_mm256_loadu_ps(out), x, gains, gains));
    positions.lanes = _mm256_add_epi64(positions.lanes, positions.advance);
  }
  if (done < frames) {
    const std::int32_t rest = frames - done;
    const __m256d x = interpolate(data, positions.lanes, frameLanes(rest));
    const __m256i values = valueLanes(rest);
    const __m256 sums = _mm256_maskload_ps(out, values);
    _mm256_maskstore_ps(out, values, addFrames(sums, x, gains, gains));
  }
  return positionAfter(position, delta, frames);
}

std::uint64_t mixRampFrames(float* out, std::int32_t frames, const std::int16_t* data,
                            std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  if (frames <= 0) return position;
  Positions positions = startPositions(position, delta);
  // The running gains move on in single precision, frame after frame; they are laid out for
  // four frames at a time before each iteration.
  __m128 running = _mm_setr_ps(gains.left, gains.right, 0.0f, 0.0f);
  const __m128 steps = _mm_setr_ps(gains.leftStep, gains.rightStep, 0.0f, 0.0f);
  float laid[2 * LANES] = {};
  for (std::int32_t done = 0; done < frames; done += LANES, out += 2 * LANES) {
    const std::int32_t count = frames - done < LANES ? frames - done : LANES;
    for (std::int32_t j = 0; j < count; ++j) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(laid + 2 * j), _mm_castps_si128(running));
      running = _mm_add_ps(running, steps);
    }
    const __m256 frameGains = _mm256_loadu_ps(laid);
    const __m256d low = _mm256_cvtps_pd(_mm256_castps256_ps128(frameGains));
    const __m256d high = _mm256_cvtps_pd(_mm256_extractf128_ps(frameGains, 1));
    const __m256d x = interpolate(data, positions.lanes, frameLanes(count));
    const __m256i values = valueLanes(count);
    const __m256 sums = _mm256_maskload_ps(out, values);
    _mm256_maskstore_ps(out, values, addFrames(sums, x, low, high));
    positions.lanes = _mm256_add_epi64(positions.lanes, positions.advance);
  }
  float lanes[4];
  _mm_storeu_ps(lanes, running);
  gains.left = lanes[0];
  gains.right = lanes[1];
  return positionAfter(position, delta, frames);
}

}  // namespace

const FrameLoops AVX2_FRAME_LOOPS = {mixFixedFrames, mixRampFrames};

}  // namespace player
