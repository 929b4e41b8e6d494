// The data of one sample of an Impulse Tracker song: read plain or decompressed, 8- or 16-bit,
// signed or unsigned, little- or big-endian, a stereo sample's two channels mixed into one, and
// turned into the model's 16-bit values with their loops fitted to what the file held.
#pragma once

#include <cstdint>

#include "player/load/it_format.h"
#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Reads the data the header points at into sample, whose settings takeItSampleHeader took.
// A sample longer than the file can hold is cut to what it holds; loops that then lie past the
// end are cut or turned off. Builds the sample's sustained view. False when memory runs out.
bool readItSampleData(Song* song, StreamHandle* handle, const ItSampleHeader& header,
                      Sample& sample, std::int32_t index);

}  // namespace player
