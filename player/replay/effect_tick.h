// The ticks of a row after its first: slides, arpeggio, vibrato, retriggers, cuts and delays.
#pragma once

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

void runEffectTick(Engine& engine, Song* song);

// Rxy and Qxy as they fall due: the volume change x, then the note starts again.
void retrigger(Channel* channel);
// One more tick of a retrigger counting across rows (RULE_RETRIGGER_COUNTS_ON): the retrigger
// when the count reaches the interval.
void countRetrigger(Channel* channel);

}  // namespace player
