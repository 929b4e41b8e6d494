// The replayer's entry point: one call advances the song by one tick.
#pragma once

#include "player/load/song.h"

namespace player {

// One tick of song, played by engine: its channels, voices and pending pattern loop.
void runTick(Engine& engine, Song* song);

}  // namespace player
