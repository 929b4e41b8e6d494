#include "player/pcm_clip.h"

#include <cstddef>

#include "player/numeric.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace player {

namespace {

void clipValues(std::int16_t* destination, const float* source, std::ptrdiff_t values) {
  for (std::ptrdiff_t i = 0; i < values; ++i) {
    std::int32_t value = roundToInt32(source[i]);
    if (value > 32767) value = 32767;
    if (value < -32768) value = -32768;
    destination[i] = static_cast<std::int16_t>(value);
  }
}

}  // namespace

void clipToPcmPlain(std::int16_t* destination, const float* source, std::int32_t count) {
  if (destination == nullptr || source == nullptr || count < 1) return;
  clipValues(destination, source, 2 * static_cast<std::ptrdiff_t>(count));
}

void clipToPcm(std::int16_t* destination, const float* source, std::int32_t count) {
  if (destination == nullptr || source == nullptr || count < 1) return;
  const std::ptrdiff_t values = 2 * static_cast<std::ptrdiff_t>(count);
  std::ptrdiff_t done = 0;
#if defined(__SSE2__)
  // The conversion rounds in the current mode, nearest-even as the engine keeps it, and turns
  // anything beyond 32 bits into -2^31, as roundToInt32 does; the packing saturates to 16 bits.
  for (; done + 8 <= values; done += 8) {
    const __m128i low = _mm_cvtps_epi32(_mm_loadu_ps(source + done));
    const __m128i high = _mm_cvtps_epi32(_mm_loadu_ps(source + done + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + done), _mm_packs_epi32(low, high));
  }
#endif
  clipValues(destination + done, source + done, values - done);
}

namespace {

// The largest magnitude among values float values, and largest if that is larger.
float largestMagnitude(const float* source, std::size_t values, float largest) {
  std::size_t done = 0;
#if defined(__SSE2__)
  // Four running maxima, so that no one waits for the last.
  const __m128 noSign = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  __m128 peaks[4] = {_mm_set1_ps(largest), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
  for (; done + 16 <= values; done += 16) {
    for (int k = 0; k < 4; ++k) {
      const __m128 value = _mm_loadu_ps(source + done + 4 * static_cast<std::size_t>(k));
      peaks[k] = _mm_max_ps(peaks[k], _mm_and_ps(value, noSign));
    }
  }
  const __m128 peak = _mm_max_ps(_mm_max_ps(peaks[0], peaks[1]), _mm_max_ps(peaks[2], peaks[3]));
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, peak);
  for (const float lane : lanes)
    largest = lane > largest ? lane : largest;
#endif
  for (; done < values; ++done) {
    const float magnitude = source[done] < 0.0f ? -source[done] : source[done];
    largest = magnitude > largest ? magnitude : largest;
  }
  return largest;
}

}  // namespace

void measureClipping(const float* source, std::size_t values, std::uint64_t& clipped, float& peak) {
  // Rounding to nearest-even takes 32767.5 up to 32768 and -32768.5 to -32768.
  constexpr float TOP = 32767.5f;
  constexpr float BOTTOM = -32768.5f;
  const float largest = largestMagnitude(source, values, 0.0f);
  if (largest > peak) peak = largest;
  if (largest < TOP) return;  // nothing clipped: the usual case, counted no further
  for (std::size_t i = 0; i < values; ++i) {
    if (source[i] >= TOP || source[i] < BOTTOM) ++clipped;
  }
}

}  // namespace player
