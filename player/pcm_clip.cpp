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

void measureClipping(const float* source, std::size_t values, std::uint64_t& clipped, float& peak) {
  // Rounding to nearest-even takes 32767.5 up to 32768 and -32768.5 to -32768.
  constexpr float TOP = 32767.5f;
  constexpr float BOTTOM = -32768.5f;
  std::size_t done = 0;
  float largest = peak;
#if defined(__SSE2__)
  const __m128 top = _mm_set1_ps(TOP);
  const __m128 bottom = _mm_set1_ps(BOTTOM);
  const __m128 noSign = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  __m128 peaks = _mm_set1_ps(largest);
  __m128i counts = _mm_setzero_si128();
  for (; done + 4 <= values; done += 4) {
    const __m128 value = _mm_loadu_ps(source + done);
    peaks = _mm_max_ps(peaks, _mm_and_ps(value, noSign));
    const __m128 outside = _mm_or_ps(_mm_cmpge_ps(value, top), _mm_cmplt_ps(value, bottom));
    counts = _mm_sub_epi32(counts, _mm_castps_si128(outside));  // a true lane is -1
    if ((done & 0xFFFFF) == 0xFFFFC) {  // the 32-bit counts emptied long before they fill
      alignas(16) std::uint32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
      for (const std::uint32_t lane : lanes)
        clipped += lane;
      counts = _mm_setzero_si128();
    }
  }
  alignas(16) std::uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
  for (const std::uint32_t lane : lanes)
    clipped += lane;
  alignas(16) float peakLanes[4];
  _mm_store_ps(peakLanes, peaks);
  for (const float lane : peakLanes)
    largest = lane > largest ? lane : largest;
#endif
  for (; done < values; ++done) {
    const float value = source[done];
    const float magnitude = value < 0.0f ? -value : value;
    largest = magnitude > largest ? magnitude : largest;
    if (value >= TOP || value < BOTTOM) ++clipped;
  }
  peak = largest;
}

}  // namespace player
