// How the letter effects of S3M (and IT) play. After its parameter memory, most of them come to
// an XM effect of the same meaning for the row, which the XM code then plays; the others play as
// themselves (effects.h).
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

struct PlayedEffect {
  std::uint8_t effect;
  std::uint8_t param;
  std::int8_t rowVolumeSlide;  // a volume change on the row tick besides the effect (fine and
                               // fast volume slides)
};

// What the cell's letter effect (effect from XM_EFFECT_COUNT on) plays as this row: a zero
// parameter is taken from the effect's memory (the shared one under RULE_SHARED_EFFECT_MEMORY),
// a non-zero one remembered.
PlayedEffect playedEffect(const Song* song, Channel* channel, const PatternCell& cell);

// The lowest tempo Txx sets: 33 under RULE_SCREAM_TRACKER_LIMITS, else 32.
std::int32_t tempoFloor(const Song* song);

// Under RULE_AMIGA_PERIOD_LIMITS the period kept within the Amiga's octaves, else unchanged.
std::int32_t limitPeriod(const Song* song, std::int32_t period);

}  // namespace player
