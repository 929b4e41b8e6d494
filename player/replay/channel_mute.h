// Channels silenced by the listener: a muted channel plays on (its effects, envelopes and the
// song's flow are untouched) but its voices get no volume. Nothing is muted unless asked, and
// then the output is what it always was.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/replay/channel.h"

namespace player {

// Bit c set: channel c (counted from 0) is muted. Any thread may set it; it takes effect at the
// channel's next volume update (every row, at the latest).
extern std::atomic<std::uint32_t> mutedChannels;

inline bool channelMuted(const Channel* channel) {
  const std::uint32_t muted = mutedChannels.load(std::memory_order_relaxed);
  return muted != 0 && (muted >> (channel - channelTable) & 1u) != 0;
}

}  // namespace player
