// Loading an S3M module (Scream Tracker 3 and the trackers that save its format) into a Song:
// the played channels with their pans, every sample an instrument of one sample tuned from its
// C-4 rate, the letter effects in the player's numbering, the rules of the tracker that wrote it.
#pragma once

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Fills a zero-filled song from the stream. 1 on success, 0 on failure (out of memory).
int parseS3m(Song* song, StreamHandle* handle);

}  // namespace player
