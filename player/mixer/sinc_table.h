// The filter of the sinc interpolation: a Kaiser-windowed sinc (beta 6) over 8 taps, the values
// i - 3 .. i + 4 around a position in [i, i + 1), at 2048 phases between two values. The
// coefficients are integers in units of 2^-14 whose sum is exactly 2^14 at every phase, so a
// frame's value is an integer sum of 16-bit products that no path can round differently.
//
// A voice that moves more than one value per frame would fold the frequencies above the output's
// half rate back into the audible band; its filter cuts off lower, at 1 / s of the sample's half
// rate for the table step s at or above its own step, s = 2^(k/4) for k = 0..8 (the step-4 table
// serves every faster voice).
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
