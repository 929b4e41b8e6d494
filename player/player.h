// The player as the rest of the program sees it: play a module image or stop, pause, and ask
// which position is being heard.
#pragma once

#include <cstdint>

#include "player/load/module_image.h"
#include "player/load/song.h"

namespace player {

// With an image: opens the device at 44,100 Hz, loads the song and starts it; the song, or null
// when no device opens or the module does not load. With null: stops and releases everything.
Song* playModule(const ModuleImage* image);

bool startSong(Song* song);
bool stopSong(Song* song);
int releaseSong(Song* song);

// 1 when now paused, 0 when now playing.
int togglePause();

struct HeardPosition {
  std::uint8_t order;
  std::uint8_t row;
};
// Order and row of the block the device is playing; valid while a song plays.
HeardPosition heardPosition();

// Body of the mixing thread; exit code 0.
std::uint32_t mixThreadMain();

}  // namespace player
