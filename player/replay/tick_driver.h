// The replayer's entry point: one call advances the song by one tick.
#pragma once

#include "player/load/song.h"

namespace player {

void runTick(Song* song);

}  // namespace player
