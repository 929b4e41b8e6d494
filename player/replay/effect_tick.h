// The ticks of a row after its first: slides, arpeggio, vibrato, retriggers, cuts and delays.
#pragma once

#include "player/load/song.h"

namespace player {

void runEffectTick(Engine& engine, Song* song);

}  // namespace player
