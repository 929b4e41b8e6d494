// Where the song stands, as both passes of the replayer read it: the pattern and cells of the
// current row, and the instrument and sample that a channel's instrument and note select.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

// Rows of the pattern that the order table names at orderPosition. A pattern number beyond the
// song's patterns, a pattern without cells or an order position outside the table count as a
// pattern of 0 rows, so no cell of it is ever read.
std::int32_t patternRowsAt(const Song* song, std::int32_t orderPosition);

// The channelCount cells of row Song::row at Song::orderPosition, or null when there are none
// (no channels, a pattern of 0 rows, or a row outside the pattern).
const PatternCell* currentRowCells(const Song* song);
// The same for any order position and row.
const PatternCell* rowCellsAt(const Song* song, std::int32_t orderPosition, std::int32_t row);

// The instrument and sample a channel plays with on this tick; never null.
struct ChannelSound {
  const Instrument* instrument;
  const Sample* sample;
};

// An instrument the song does not have selects EmptyInstrument and EmptySample; a note of 96
// or more, a sample-map slot of 16 or more or an empty slot selects EmptySample.
ChannelSound resolveSound(const Song* song, const Channel* channel);

}  // namespace player
