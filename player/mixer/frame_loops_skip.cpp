// Loops that move a voice on through its frames without mixing them: the position the mixing
// loops reach, and the ramp gains they end on, for a player that skips ahead. What follows a
// skipped span mixes exactly as it would after the span had been mixed.
#include "player/mixer/frame_loops.h"

namespace player {
namespace {

std::uint64_t skipFixedFrames(float*, std::int32_t frames, const Sample&,
                              std::uint64_t position, std::uint64_t delta, float, float) {
  return positionAfter(position, delta, frames);
}

// The gains move on frame by frame as the mixing loops move them: a float sum of steps.
std::uint64_t skipRampFrames(float*, std::int32_t frames, const Sample&,
                             std::uint64_t position, std::uint64_t delta, RampGains& gains) {
  float left = gains.left;
  float right = gains.right;
  for (std::int32_t done = 0; done < frames; ++done) {
    left += gains.leftStep;
    right += gains.rightStep;
  }
  gains.left = left;
  gains.right = right;
  return positionAfter(position, delta, frames);
}

}  // namespace

const FrameLoops SKIP_FRAME_LOOPS = {skipFixedFrames, skipRampFrames};

}  // namespace player
