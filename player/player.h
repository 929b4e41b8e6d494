// The player as the rest of the program sees it: play a module image or stop, pause, and ask
// which position is being heard. Every operation acts on one engine; engines are independent.
#pragma once

#include <cstdint>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/load/module_image.h"
#include "player/load/song.h"

namespace player {

// With an image: opens the device at 44,100 Hz, loads the song and starts it; the song, or null
// when no device opens, the module does not load or the song cannot be started. A module that
// does not load leaves the device open until the stop path. Anything still playing is stopped
// first. With null: stops and releases everything (nothing to do is fine).
// skipBlocks above 0 starts part-way through (see startSong).
Song* playModule(Engine& engine, const ModuleImage* image, std::int64_t skipBlocks = 0);

// Starts playback of a loaded song on the engine's open device: the engine's copy of the song
// made and reset, the ring rendered and handed to the device, the mixing thread started. The song
// itself is only read, and must outlive the playback. False, with nothing allocated and nothing
// playing, for null, for a song with more channels than the channel table, when no device is
// open, while another song plays, or when a buffer, the copy or the thread cannot be had.
// With skipBlocks above 0 the song is first played without mixing from its start for that many
// blocks (skipBlock), so that what the device plays from then on is exactly what continuous play
// gives there.
bool startSong(Engine& engine, const Song* song, std::int64_t skipBlocks = 0);
// startSong in two halves, for a program that moves the song on before the device starts:
// beginPlayback makes and resets the engine's copy of the song and the ring (false, with nothing
// held, as startSong refuses); startRing renders the ring from where the copy stands, hands it
// to the device and starts the mixing thread (false, with everything released, on failure).
bool beginPlayback(Engine& engine, const Song* song);
bool startRing(Engine& engine);
// Ends the mixing thread and frees the float buffer, the BlockInfo array and the engine's copy
// of the song; false for null. The ring stays with the device until the stop path resets it.
bool stopSong(Engine& engine, const Song* song);
// Stops the song and frees it; 0 for null, else 1.
int releaseSong(Engine& engine, Song* song);

// 1 when now paused, 0 when now playing.
int togglePause(Engine& engine);
// While paused: lets the mixing thread run (so that a stop can end it) with the device still
// paused, and parks it again. A ring started in between waits on the paused device too.
void wakeMixingWhilePaused(Engine& engine);
void parkMixingWhilePaused(Engine& engine);

struct HeardPosition {
  std::uint8_t order;
  std::uint8_t row;
};
// Order and row of the block the device is playing; valid while a song plays.
HeardPosition heardPosition(const Engine& engine);
// The whole BlockInfo of that block, with the time played up to its end. Any thread may ask.
BlockInfo heardBlockInfo(const Engine& engine);

// Body of an engine's mixing thread; context is the Engine. Exit code 0.
std::uint32_t mixThreadMain(void* context);

}  // namespace player
