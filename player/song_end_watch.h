// Watching a render for the song's natural end: the watch sits between the block renderer and the
// song's tick handler, sees every row tick the replayer plays and counts the frames of every
// tick. It finds the same end as the end search (song_end.h) does from the song's flow alone, so
// a render can tell where the end it was asked to stop at lies in the audio.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/played_rows.h"

namespace player {

struct SongEndWatch {
  Song* song;                  // the song whose handler the watch stands in for; null: none
  TickHandler songTick;        // that handler
  std::int32_t roundsLeft;     // revisits still to pass before the end
  std::int64_t nextTickFrame;  // first frame of the next tick, counted from song start
  std::int64_t endFrame;       // first frame of the tick that reached the end; -1 before
  PlayedRows played;
};

// Puts the engine's watch in front of the tick handler of the song it has just begun (its playing
// copy); it lets rounds revisits pass (the song goes round that many times). False when its
// memory cannot be had.
bool watchSongEnd(Engine& engine, std::int32_t rounds);

// Gives the song its own tick handler back and frees the watch's memory.
void unwatchSongEnd(Engine& engine);

}  // namespace player
