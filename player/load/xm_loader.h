// Loading an XM module image into a Song, and freeing it again.
#pragma once

#include "player/load/module_image.h"
#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// The loaded song, or null when the image is empty or the module is refused.
Song* loadSong(const ModuleImage* image, SampleReadHook sampleReadHook);

// Fills a zero-filled song from the stream. 1 on success, 0 on failure.
int parseXm(Song* song, StreamHandle* handle);

// Frees everything the song owns and the song itself. 0 when song is null, else 1.
int freeSong(Song* song);

}  // namespace player
