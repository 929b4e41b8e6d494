// The loader of each format, chosen by the format the module's bytes show.
#pragma once

#include "player/load/module_format.h"
#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Fills a zero-filled song from the stream with the loader of the format. 1 on success, 0 on
// failure (also for UNKNOWN).
int parseSong(Song* song, StreamHandle* handle, ModuleFormat format);

}  // namespace player
