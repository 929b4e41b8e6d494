// The voice update's frequency and step for a period, remembered: a period held over many ticks
// costs its power function and divisions once rather than on every tick.
#pragma once

#include <cstdint>

namespace player {

// AMIGA_PAL: Amiga periods counted in the PAL Amiga's clock (MOD), AMIGA in FastTracker 2's clock
// (XM), SCREAM_TRACKER in the clock C-4 at period 1712 plays exactly 8,363 Hz in (S3M).
enum class FrequencyTable : std::uint8_t { LINEAR, AMIGA, AMIGA_PAL, SCREAM_TRACKER };

// The SCREAM_TRACKER table's clock: C-4 at period 1712 sounds 8,363 Hz.
constexpr std::int32_t SCREAM_TRACKER_CLOCK = 8363 * 1712;

struct VoicePitch {
  std::int32_t frequency;  // Hz, before the floor the step applies
  std::uint32_t step;      // 32.32 step at the rate asked for
  std::uint32_t stepFrac;
};

struct PitchMemoEntry {
  bool filled;
  FrequencyTable table;
  std::int32_t argument;
  std::int32_t rate;
  VoicePitch pitch;
};

// Direct-mapped by argument: a song's periods, vibrato and slides included, are far fewer. All
// zero is empty.
constexpr std::uint32_t PITCH_MEMO_ENTRIES = 1024;
struct PitchMemo {
  PitchMemoEntry entries[PITCH_MEMO_ENTRIES];
};

// The frequency of argument on table and its step at rate (> 0), remembered in memo. The
// argument is what the table's formula takes: 4608 - period + periodDelta on the linear table,
// period + periodDelta (never 0) on the Amiga table.
VoicePitch pitchOf(PitchMemo& memo, FrequencyTable table, std::int32_t argument, std::int32_t rate);

// The frequency alone, computed afresh.
std::int32_t frequencyOf(FrequencyTable table, std::int32_t argument);

}  // namespace player
