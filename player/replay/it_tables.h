// The tables of Impulse Tracker's oscillators and slides, as its technical description lists
// them: 256-step sine, ramp-down and square waves (-64..64), the volume column's portamento
// speeds and the retrigger's volume changes.
#pragma once

#include <cstdint>

namespace player {

constexpr int IT_WAVE_STEPS = 256;

// Waveform 0 sine, 1 ramp down, 2 square; the value at position 0..255.
std::int32_t itWave(std::int32_t waveform, std::int32_t position, std::uint32_t& random);

// The volume column's portamento speeds for g0..g9.
extern const std::uint8_t IT_COLUMN_PORTAMENTO[10];

// The volume after a retrigger with volume change x (0..15).
std::int32_t retriggerVolume(std::int32_t volume, std::int32_t change);

// The next value of the player's random sequence (reproducible from its seed), 0..32767.
std::int32_t nextRandom(std::uint32_t& state);

}  // namespace player
