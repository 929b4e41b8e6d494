// An Impulse Tracker pattern cell in the model's terms.
#pragma once

#include "player/load/it_format.h"
#include "player/load/song.h"

namespace player {

// Notes C-0..B-9 become 1..120, note off KEY_OFF, note cut NOTE_CUT and the other values
// NOTE_FADE; the volume column and the effect keep the file's values for now (volume + 1, 0 for
// none; effect letters 1 = A .. 26 = Z).
PatternCell translateItCell(const ItCell& cell);

}  // namespace player
