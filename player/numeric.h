// Conversions shared by the engine. Every float-to-integer conversion rounds to the nearest
// integer, ties to even; a value that does not fit in 32 bits gives INT32_MIN.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace player {

inline std::int32_t roundToInt32(double value) {
  if (!(value >= -2147483648.0 && value < 2147483648.0)) return std::numeric_limits<std::int32_t>::min();
  // nearbyint is exact and honours the rounding mode, which the engine keeps at nearest-even.
  return static_cast<std::int32_t>(std::nearbyint(value));
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
