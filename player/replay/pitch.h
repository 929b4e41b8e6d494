// The player's pitch arithmetic: its own power function, so every platform computes the same
// bits, and the note-to-period rule of the Amiga frequency table.
#pragma once

#include <cstdint>

namespace player {

// x to the power y; used as 2 to the power y. The same result on every platform.
double power(double x, double y);

// Period of note (0..255) with finetune (-128..127) on the Amiga table; C-4 (48) is 1712.
std::int32_t amigaPeriod(std::uint8_t note, std::int8_t finetune);

// ProTracker's period of note (0..255; C-4, its C-2, is 48) with finetune (-128..127) in the
// player's units (four times ProTracker's): as amigaPeriod, on ProTracker's table of three
// octaves (doubled and halved for the octaves beyond) instead of evenly tempered periods.
// At least 1.
std::int32_t protrackerPeriod(std::uint8_t note, std::int8_t finetune);

// Scream Tracker's period of note (0..255, C-4 is 48) for a sample whose C-4 plays at c4Rate Hz
// (0 taken as 8,363); at least 1.
std::int32_t screamTrackerPeriod(std::uint8_t note, std::uint32_t c4Rate);

// The exact period of note for a sample whose C-4 plays at c4Rate Hz (0 taken as 8,363) on the
// same clock, in 256ths of a unit: 8363 x 1712 x 256 / (c4Rate x 2^((note - 48) / 12)), rounded,
// at least 256.
std::int64_t exactRatePeriod256(std::uint8_t note, std::uint32_t c4Rate);

}  // namespace player
