// Finding where a song ends by itself: the first row tick that comes back to an order position
// and row already played. A revisit while a pattern loop is running (some channel's loop count
// is not 0) belongs to the loop and is no end. The watch sits between the block renderer and the
// song's tick handler and counts the frames of every tick, so the end is known to the frame.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

struct SongEndWatch {
  Song* song;
  TickHandler songTick;        // the handler the watch stands in for
  std::int32_t roundsLeft;     // revisits still to pass before the end
  std::int64_t nextTickFrame;  // first frame of the next tick, counted from song start
  std::int64_t endFrame;       // first frame of the tick that reached the end; -1 before
  std::uint8_t* played;        // one bit per row of every order position of the song
  std::int32_t orderFirstBit[ORDER_TABLE_SIZE];
  std::int32_t orderRows[ORDER_TABLE_SIZE];  // rows tracked per order position, 0: not tracked
  std::int32_t playedBytes;
};

extern SongEndWatch songEndWatch;

// Puts the watch in front of song's tick handler, for a song about to start; it lets rounds
// revisits pass (the song goes round that many times). False when its memory cannot be had.
bool watchSongEnd(Song* song, std::int32_t rounds);

// Gives the song its own tick handler back and frees the watch's memory.
void unwatchSongEnd();

}  // namespace player
