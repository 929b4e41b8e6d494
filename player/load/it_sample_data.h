// The data of one sample of an Impulse Tracker song: read plain or decompressed, 8- or 16-bit,
// signed or unsigned, little- or big-endian, a stereo sample's two channels mixed into one, and
// turned into the model's 16-bit values with their loops fitted to what the file held.
#pragma once

#include <cstdint>

#include "player/load/it_format.h"
#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// The values all samples of the song may decode to together: what the file's bytes could hold
// if every byte carried compressed values and no two samples shared bytes.
std::uint64_t sampleValueBudget(const StreamHandle* handle);

// Reads the data the header points at into sample, whose settings takeItSampleHeader took.
// A sample longer than the file can hold, or than what is left of budget (which it then takes
// its values from), is cut; loops that then lie past the end are cut or turned off. Builds the
// sample's sustained view. False when memory runs out.
bool readItSampleData(Song* song, StreamHandle* handle, const ItSampleHeader& header,
                      Sample& sample, std::int32_t index, std::uint64_t& budget);

}  // namespace player
