// Frequencies of Impulse Tracker notes: a note's from the sample's C-5 speed, and slides either
// linear (1/768 octave per unit) or by Amiga period (one unit of a period that is 4 x the Amiga's).
#pragma once

#include <cstdint>

namespace player {

// Hz of note 0..119 (C-5 = 60) for a sample of c5Speed Hz: tempered semitones, or under
// periodTable (RULE_PERIOD_TABLE_NOTES) the semitones of Scream Tracker's period table.
double noteFrequency(std::uint32_t c5Speed, std::int32_t note, bool periodTable);

// The frequency slid by units: up for positive units.
double slideFrequency(double frequency, std::int32_t units, bool linear);

// frequency slid towards target by units (> 0) without passing it.
double slideTowards(double frequency, double target, std::int32_t units, bool linear);

}  // namespace player
