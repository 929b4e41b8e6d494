// Conversions shared by the engine. Every float-to-integer conversion rounds to the nearest
// integer, ties to even; a value that does not fit in 32 bits gives INT32_MIN.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace player {

inline std::int32_t roundToInt32(double value) {
  if (!(value >= -2147483648.0 && value < 2147483648.0)) return std::numeric_limits<std::int32_t>::min();
#if defined(__SSE2__)
  // One instruction in the rounding mode, which the engine keeps at nearest-even; a value that
  // rounds up to 2^31 comes back as INT32_MIN.
  return _mm_cvtsd_si32(_mm_set_sd(value));
#else
  const double rounded = std::nearbyint(value);
  if (rounded >= 2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(rounded);
#endif
}

// Signed 32-bit arithmetic that wraps modulo 2^32 instead of overflowing.
inline std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline std::int32_t wrapMul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

}  // namespace player
