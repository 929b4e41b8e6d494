// The filter of the sinc interpolation: a Kaiser-windowed sinc (beta 8) over 8 taps, the values
// i - 3 .. i + 4 around a position in [i, i + 1), at 2048 phases between two values. The
// coefficients are integers in units of 2^-14 whose sum is exactly 2^14 at every phase, so a
// frame's value is an integer sum of 16-bit products that no path can round differently, and a
// constant passes unchanged.
//
// A voice that moves more than one value per frame folds the sample's frequencies above the
// output's half rate back into the audible band, so its filter cuts off lower, by its step s:
// - s up to 2^(1/4): the full band. Only the top sixth of the band folds, already 2 to 6 dB down
//   in the filter's own roll-off; a lower cutoff would dull the many notes played just above
//   their sample's rate.
// - s up to 2: half the band. 8 taps fall from 1 dB to 30 dB down over two thirds of the band,
//   so a cutoff at the output's half rate (1/s of the band) would let the top of the band fold
//   back hardly damped; at half the band, what folds is damped the more, the nearer s is to 1.
// - s above 2: 1/t of the band, t the first of 2^(5/4), 2^(6/4), 2^(7/4) and 4 at or above s
//   (the step-4 filter serves every faster voice).
#pragma once

#include <cstdint>

namespace player {

constexpr int SINC_TAPS = 8;
constexpr int SINC_TAPS_BEFORE = 3;  // taps before the value at the position's integer part
constexpr int SINC_PHASE_BITS = 11;
constexpr int SINC_PHASES = 1 << SINC_PHASE_BITS;
constexpr int SINC_COEFFICIENT_BITS = 14;
constexpr double SINC_UNIT = 1.0 / (1 << SINC_COEFFICIENT_BITS);  // the value of a summed unit

// The row of the filter for a 32.32 position: its fraction rounded to the nearest phase, 0 to
// SINC_PHASES (which weighs the values as phase 0 does the ones a value further on). Bit 0 of
// the fraction never matters.
inline std::uint32_t sincRow(std::uint64_t position) {
  constexpr std::uint64_t HALF_PHASE = std::uint64_t{1} << (31 - SINC_PHASE_BITS);
  return static_cast<std::uint32_t>(((position & 0xFFFFFFFFu) + HALF_PHASE) >>
                                    (32 - SINC_PHASE_BITS));
}

// The SINC_PHASES + 1 rows of SINC_TAPS coefficients, 16-byte aligned, for a voice that moves
// step (32.32, its magnitude) per frame. The tables are built at the first call.
const std::int16_t* sincRows(std::uint64_t step);

// Builds the tables now, so that the first pass that needs them does not.
void prepareSincTables();

}  // namespace player
