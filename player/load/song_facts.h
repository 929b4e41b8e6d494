// Counts over a loaded song that describe it to a person.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

// Samples the instruments own, over all instruments.
std::int64_t ownSampleCount(const Song& song);

// Bytes of 16-bit sample data the song holds, the guard values behind each sample included.
std::uint64_t sampleMemoryBytes(const Song& song);

// Instruments of a keyboard song (IT) whose new-note action lets a note sound on under the next.
std::int32_t noteActionInstruments(const Song& song);

// Instruments of a keyboard song (IT) with a filter cutoff or resonance, or a filter envelope.
std::int32_t filterInstruments(const Song& song);

}  // namespace player
