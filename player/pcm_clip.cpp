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

}  // namespace player
