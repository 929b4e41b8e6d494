// Loading an Impulse Tracker module into a Song: the header's settings, the patterns, the
// samples of the song (compressed or plain, 8- or 16-bit, stereo mixed to one channel) and the
// instruments; in sample mode every sample gets an instrument of its own that plays it over the
// whole keyboard.
#pragma once

#include <cstdint>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Fills a zero-filled song from the stream. 1 on success, 0 on failure (not an IT file, more
// pattern cells than a song may hold, or memory running out); freeSong frees what it built.
int parseIt(Song* song, StreamHandle* handle);

// The rows of the song's pattern slots together, and the channels their cells reach.
struct ItPatternSize {
  std::uint64_t rows;
  std::int32_t channels;
};
struct ItHeader;
ItPatternSize measureItPatterns(StreamHandle* handle, const ItHeader& header, std::int32_t slots);

}  // namespace player
