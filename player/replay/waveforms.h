// The sine tables of the replayer's oscillators, as literal integers so that every platform
// modulates by the same values without calling a C library's sin.
#pragma once

#include <cstdint>

namespace player {

constexpr int OSCILLATOR_SINE_SIZE = 32;
constexpr int AUTO_VIBRATO_SINE_SIZE = 256;

// Vibrato and tremolo magnitude |sin(2 p x 0.049087375)| x 256, rounded, for p = 0..31; the
// magnitude repeats every 32 positions, so position p of the 64-position cycle reads entry p & 31.
extern const std::uint16_t OSCILLATOR_SINE[OSCILLATOR_SINE_SIZE];

// Auto-vibrato sine sin(p x 0.0245436877f) x 64, rounded, for p = 0..255 (one turn).
extern const std::int8_t AUTO_VIBRATO_SINE[AUTO_VIBRATO_SINE_SIZE];

}  // namespace player
