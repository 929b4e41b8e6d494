// What a player's status display shows of the block being heard beyond its BlockInfo: the full row
// number, speed and tempo, the voices sounding and each side's peak. Kept only while a program has
// asked for it (the command's play screen); the engine itself never reads it.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/load/song.h"

namespace player {

struct BlockStatus {
  std::int32_t row;    // the whole row number (BlockInfo keeps its low byte)
  std::int32_t speed;  // ticks per row
  std::int32_t bpm;
  std::int32_t voices;  // mixed voices holding a sample with some gain, at the block's end
  float peakLeft;       // the largest magnitude among the block's frames, 1.0 = full scale
  float peakRight;
};

constexpr int MAX_STATUS_BLOCKS = 256;

// An engine's statuses, one per block of its ring.
struct BlockStatusLog {
  std::atomic<bool> keep;  // off unless a program turns it on before it starts a song
  BlockStatus blocks[MAX_STATUS_BLOCKS];
};

// Called by the block renderer for each block it has mixed, while the log's keep is on.
void recordBlockStatus(Engine& engine, const Song* song, std::int32_t block, const float* frames,
                       std::int32_t count);

// The status of the block the engine's device is playing; zeros when none was kept. Any thread
// may ask.
BlockStatus heardBlockStatus(const Engine& engine);

}  // namespace player
