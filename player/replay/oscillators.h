// Per-channel modulators shared by several effects: vibrato, tremolo, tremor, tone portamento.
#pragma once

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

// How a song's vibrato moves the period: by depth x waveform >> shift period units.
struct VibratoShape {
  bool downFirst;   // the pitch falls in the first half of the cycle, else it rises
  int shift;        // 5; 4 for Scream Tracker 2's vibrato, twice as deep
  bool wholeFours;  // in whole multiples of 4 units (FastTracker 2, ProTracker), else in single
};
constexpr VibratoShape FASTTRACKER_VIBRATO{false, 5, true};

// The shape by the song's rules.
VibratoShape vibratoShapeOf(const Song* song);

void tonePortamento(Channel* channel);
// periodDelta from the current phase, phase unchanged.
void vibrato(Channel* channel, const VibratoShape& shape);
void fineVibrato(Channel* channel, const VibratoShape& shape);  // a quarter of vibrato's depth
void advanceVibrato(Channel* channel);                          // phase on by vibratoSpeed
void tremolo(Channel* channel);  // volumeDelta from the phase, then phase on
void tremor(Channel* channel);

}  // namespace player
