// Counts over a loaded song that describe it to a person.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

// Samples the instruments own, over all instruments.
std::int64_t ownSampleCount(const Song& song);

// Bytes of 16-bit sample data the song holds, the guard values behind each sample included.
std::uint64_t sampleMemoryBytes(const Song& song);

}  // namespace player
