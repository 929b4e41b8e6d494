// Impulse Tracker's effects on a channel: the row tick's part of every effect (with the note and
// volume column of the cell) and the part that runs on the other ticks of the row.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/it_player.h"

namespace player {

// Effect letters of the cells (1 = A .. 26 = Z).
enum ItEffect : std::uint8_t {
  IT_A = 1,
  IT_B,
  IT_C,
  IT_D,
  IT_E,
  IT_F,
  IT_G,
  IT_H,
  IT_I,
  IT_J,
  IT_K,
  IT_L,
  IT_M,
  IT_N,
  IT_O,
  IT_P,
  IT_Q,
  IT_R,
  IT_S,
  IT_T,
  IT_U,
  IT_V,
  IT_W,
  IT_X,
  IT_Y,
  IT_Z
};

// The cell of channel c on the row tick (or the tick its note delay names).
void playItCell(Engine& engine, Song* song, std::int32_t c, const PatternCell& cell);

// The effects of channel c on a tick after the row's first.
void runItEffects(Engine& engine, Song* song, std::int32_t c);

}  // namespace player
