// The frames of a voice that plays through its resonant filter: interpolated as the other loops
// interpolate, filtered, then added at gains that move by their steps after every frame. One
// scalar loop that every mix path shares, so filtered voices give the same bytes everywhere.
#pragma once

#include <cstdint>

#include "player/mixer/frame_loops.h"

namespace player {

struct FilterState {
  double a, b, c;  // out = a in + b out1 + c out2
  double out1, out2;
};

// Adds frames >= 0 frames read from data at position onwards, filtered, to out; gains end as
// the gains after the last frame. Returns the position after them.
std::uint64_t mixFilteredFrames(float* out, std::int32_t frames, const std::int16_t* data,
                                std::uint64_t position, std::uint64_t delta, RampGains& gains,
                                FilterState& filter);

}  // namespace player
