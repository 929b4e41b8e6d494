// The voice update's frequency and step for a period, remembered: a period held over many ticks
// costs its power function and divisions once rather than on every tick.
#pragma once

#include <cstdint>

namespace player {

// AMIGA_PAL: Amiga periods counted in the PAL Amiga's clock (MOD), AMIGA in the clock C-4 at
// period 1712 plays 8,363 Hz in (XM, S3M).
enum class FrequencyTable : std::uint8_t { LINEAR, AMIGA, AMIGA_PAL };

struct VoicePitch {
  std::int32_t frequency;  // Hz, before the floor the step applies
  std::uint32_t step;      // 32.32 step at the rate asked for
  std::uint32_t stepFrac;
};

// The frequency of argument on table and its step at rate (> 0). The argument is what the
// table's formula takes: 4608 - period + periodDelta on the linear table, period + periodDelta
// (never 0) on the Amiga table.
VoicePitch pitchOf(FrequencyTable table, std::int32_t argument, std::int32_t rate);

// The frequency alone, computed afresh.
std::int32_t frequencyOf(FrequencyTable table, std::int32_t argument);

}  // namespace player
