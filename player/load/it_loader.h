// Loading an Impulse Tracker module into a Song: the header's settings, the patterns, the
// samples of the song (compressed or plain, 8- or 16-bit, stereo mixed to one channel) and the
// instruments; in sample mode every sample gets an instrument of its own that plays it over the
// whole keyboard.
#pragma once

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Fills a zero-filled song from the stream. 1 on success, 0 on failure (not an IT file, more
// pattern cells than a song may hold, or memory running out); freeSong frees what it built.
int parseIt(Song* song, StreamHandle* handle);

}  // namespace player
