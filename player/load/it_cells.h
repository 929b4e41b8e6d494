// An Impulse Tracker pattern cell in the model's terms.
#pragma once

#include "player/load/it_format.h"
#include "player/load/song.h"

namespace player {

// Notes C-0..B-9 become 1..120, note off KEY_OFF, note cut NOTE_CUT and the other values
// NOTE_FADE; the volume column keeps the file's value plus 1 (0 for none), the effect letter
// becomes the player's effect (letter_effects.h).
PatternCell translateItCell(const ItCell& cell);

}  // namespace player
