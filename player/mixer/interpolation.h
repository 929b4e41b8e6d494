// How the mixer reads a voice's sample between its values: the value at the position's integer
// part (nearest), the straight line between the two values around it (linear, the default), or
// an 8-tap windowed-sinc filter (sinc_table.h). Every mix path gives the same bytes for each.
#pragma once

#include <cstdint>

namespace player {

// Linear comes first: a zero-filled setting is the default.
enum class Interpolation : std::uint8_t { LINEAR, NEAREST, SINC };
constexpr int INTERPOLATIONS = 3;
constexpr Interpolation ALL_INTERPOLATIONS[] = {Interpolation::LINEAR, Interpolation::NEAREST,
                                                Interpolation::SINC};

constexpr const char* interpolationName(Interpolation interpolation) {
  switch (interpolation) {
    case Interpolation::NEAREST:
      return "nearest";
    case Interpolation::LINEAR:
      return "linear";
    case Interpolation::SINC:
      return "sinc";
  }
  return "unknown";
}

}  // namespace player
