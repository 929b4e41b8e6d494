// Where a seek in jingle play lands. The device plays blocks of the song from its start; a seek
// restarts play with the blocks before the target rendered silently, so that what is heard from
// there on is exactly what continuous play gives.
#pragma once

#include <cstdint>

#include "player/load/module_image.h"

namespace cli {

struct SeekTarget {
  bool toOrder = false;
  std::int64_t ms = 0;     // without toOrder: the time to go to
  std::int32_t order = 0;  // with toOrder: the order position to go to, where it is first reached
};

// The blocks to skip to reach target in the song of image played at 44,100 Hz: the block that
// holds the time, or the first block in which the order is reached. -1 when the song has ended
// (at endFrames; below 0: no end) before the target, or cannot be loaded.
std::int64_t blocksBefore(const player::ModuleImage* image, const SeekTarget& target,
                          std::int64_t endFrames);

}  // namespace cli
