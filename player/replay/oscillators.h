// Per-channel modulators shared by several effects: vibrato, tremolo, tremor, tone portamento.
#pragma once

#include "player/replay/channel.h"

namespace player {

void tonePortamento(Channel* channel);
void vibrato(Channel* channel);          // periodDelta from the current phase; phase unchanged
void advanceVibrato(Channel* channel);   // phase on by vibratoSpeed
void tremolo(Channel* channel);          // volumeDelta from the phase, then phase on
void tremor(Channel* channel);

}  // namespace player
