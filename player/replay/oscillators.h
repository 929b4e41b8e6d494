// Per-channel modulators shared by several effects: vibrato, tremolo, tremor, tone portamento.
#pragma once

#include "player/replay/channel.h"

namespace player {

void tonePortamento(Channel* channel);
// periodDelta from the current phase, phase unchanged; downFirst: the pitch falls in the first
// half of the cycle (ProTracker), else it rises.
void vibrato(Channel* channel, bool downFirst = false);
void fineVibrato(Channel* channel, bool downFirst);  // a quarter of vibrato's depth
void advanceVibrato(Channel* channel);               // phase on by vibratoSpeed
void tremolo(Channel* channel);                      // volumeDelta from the phase, then phase on
void tremor(Channel* channel);

}  // namespace player
