// Where a song ends by itself: the first row tick that comes back to an order position and row
// already played, a revisit while a pattern loop is running (some channel's loop count is not 0)
// being part of the loop and no end. Found from the song's flow alone (orders, rows, jumps and
// breaks, pattern loops, speed, tempo and pattern delays), without voices or mixing, reading the
// song and changing nothing, in time bounded by the rows it passes.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

// The first frame of the row tick that ends the song after `rounds` times round it (below 1
// taken as 1), counted from song start at rate frames a second, as the block renderer plays it;
// maxFrames when the song does not end before that frame, or when the search cannot have the
// memory it needs. A song whose flow falls into a cycle with no possible end is known to have
// none as soon as the cycle is seen.
std::int64_t songEndFrame(const Song* song, std::int32_t rounds, std::int64_t maxFrames,
                          std::int32_t rate);

// The first frame of the first row tick that plays row of order position order, the song played
// from its start at rate, found from its flow as songEndFrame finds the end; -1 when the song
// does not reach that row before maxFrames, or ever.
std::int64_t songRowFrame(const Song* song, std::int32_t order, std::int32_t row,
                          std::int64_t maxFrames, std::int32_t rate);

}  // namespace player
