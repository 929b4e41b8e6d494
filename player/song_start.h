// Song start as far as it concerns the song: the engine's copy of it made, its playback fields,
// the start hook, the default tempo, and the song's channels zeroed and bound to their voices.
#pragma once

#include "player/load/song.h"

namespace player {

// Makes the engine's playing copy of song (the song itself is only read) and starts it. The
// voices all start idle. False, with no copy made, when its memory cannot be had.
bool beginSong(Engine& engine, const Song* song);

// Frees the engine's copy once nothing renders it any more; the voices are idle again.
void endSong(Engine& engine);

}  // namespace player
