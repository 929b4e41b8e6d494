// Song start as far as it concerns the song: playback fields, the start hook, the default tempo,
// and the song's channels zeroed and bound to their voices.
#pragma once

#include "player/load/song.h"

namespace player {

void beginSong(Song* song);

}  // namespace player
