// Loading a MOD module (ProTracker and the trackers that share its layout, and Soundtracker's
// 15-sample layout) into a Song: every sample becomes an instrument of one sample, every period a
// note, every effect the player's effect with ProTracker's rules.
#pragma once

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Fills a zero-filled song from the stream. 1 on success, 0 on failure (out of memory).
int parseMod(Song* song, StreamHandle* handle);

}  // namespace player
