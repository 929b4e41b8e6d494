// The samples a song keeps apart from its instruments (Song::samples), and their release.
#pragma once

#include "player/load/song.h"

namespace player {

// Frees the song's own samples, their data and their sustained views; leaves samples null.
void freeSongSamples(Song& song);

}  // namespace player
