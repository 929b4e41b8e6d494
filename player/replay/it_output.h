// Every sounding Impulse Tracker note, once per tick, into its mixer voice: envelopes, fadeout,
// sample vibrato, the final volume of the tracker's formula, the final pan and the frequency.
#pragma once

#include "player/load/song.h"

namespace player {

void shapeItNotes(Engine& engine, const Song* song);

}  // namespace player
