// How the mixer reads a voice's sample between its values: the value at the position's integer
// part (nearest), the straight line between the two values around it (linear, the default), or
// an 8-tap windowed-sinc filter (sinc_table.h). Every mix path gives the same bytes for each.
#pragma once

#include <cstdint>

namespace player {

enum class Interpolation : std::uint8_t { NEAREST, LINEAR, SINC };
constexpr int INTERPOLATIONS = 3;
constexpr Interpolation ALL_INTERPOLATIONS[] = {Interpolation::NEAREST, Interpolation::LINEAR,
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
