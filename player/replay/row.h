// Tick 0 of a row: notes, instruments, the volume column and the tick-0 effects.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

// Tick 0 of the current row of song, on engine's channels.
void processRow(Engine& engine, Song* song);

// The period of realNote (the cell's note plus the sample's relative note, from 0) played with
// sample, by the song's frequency table and rules.
std::int32_t notePeriodOf(const Song* song, const Sample* sample, std::uint8_t realNote);

// The note-start reset of a channel from a sample (the vibrato and tremolo waves apart).
void resetChannel(Channel* channel, const Sample* sample);

// Vibrato and tremolo from the start of their waves, unless the waveform says they continue.
void restartWaves(Channel* channel);

// The tick-0 meaning of a volume-column byte.
void applyVolumeColumn(Channel* channel, std::uint8_t volumeColumn);

}  // namespace player
