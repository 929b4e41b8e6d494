// The player as the rest of the program sees it: play a module image or stop, pause, and ask
// which position is being heard.
#pragma once

#include <cstdint>

#include "player/audio_output.h"
#include "player/load/module_image.h"
#include "player/load/song.h"

namespace player {

// With an image: opens the device at 44,100 Hz, loads the song and starts it; the song, or null
// when no device opens, the module does not load or the song cannot be started. A module that
// does not load leaves the device open until the stop path. Anything still playing is stopped
// first. With null: stops and releases everything (nothing to do is fine).
// skipBlocks above 0 starts part-way through (see startSong).
Song* playModule(const ModuleImage* image, std::int64_t skipBlocks = 0);

// Starts playback of a loaded song on the open device: playback fields reset, the ring rendered
// and handed to the device, the mixing thread started. False, with nothing allocated and nothing
// playing, for null, for a song with more channels than the channel table, when no device is
// open, while another song plays, or when a buffer or the thread cannot be had.
// With skipBlocks above 0 the song is first rendered silently from its start for that many
// blocks, so that what the device plays from then on is exactly what continuous play gives there.
bool startSong(Song* song, std::int64_t skipBlocks = 0);
// Ends the mixing thread and frees the float buffer and the BlockInfo array; false for null.
// The ring stays with the device until the stop path resets it.
bool stopSong(Song* song);
// Stops the song and frees it; 0 for null, else 1.
int releaseSong(Song* song);

// 1 when now paused, 0 when now playing.
int togglePause();

struct HeardPosition {
  std::uint8_t order;
  std::uint8_t row;
};
// Order and row of the block the device is playing; valid while a song plays.
HeardPosition heardPosition();
// The whole BlockInfo of that block, with the time played up to its end. Any thread may ask.
BlockInfo heardBlockInfo();

// Body of the mixing thread; exit code 0.
std::uint32_t mixThreadMain();

}  // namespace player
