// How long a song plays from its start to its natural end, as jingle prints it.
#pragma once

#include <string>

#include "player/load/song.h"

namespace cli {

// "m:ss.mmm (N frames)" at the render rate, the same length jingle render writes by default;
// a song that finds no end within the render limit is said to last at least that long.
std::string naturalDurationText(const player::Song* song);

}  // namespace cli
