// The two-pole resonant low-pass filter of Impulse Tracker's voices: out = a in + b out1 + c out2.
// The coefficients follow the tracker author's description: with cutoff c (0..127) and resonance
// q (0..127) at output rate R,
//   r = R / (2 pi 110 2^(0.25 + c / 24)),  p = 10^(-24 q / 2560),
//   d = p r + p - 1,  e = r^2,  a = 1 / (1 + d + e),  b = (d + 2e) a,  c = -e a.
#pragma once

#include <cstdint>

namespace player {

struct FilterCoefficients {
  double a;  // of the input
  double b;  // of the last output
  double c;  // of the output before it
};

// cutoff may carry a fraction (a filter envelope moves it in 1/256 steps); rate > 0.
FilterCoefficients filterCoefficients(double cutoff, std::int32_t resonance, std::int32_t rate);

}  // namespace player
