// Channels silenced by the listener: a muted channel plays on (its effects, envelopes and the
// song's flow are untouched) but its voices get no volume. Nothing is muted unless asked, and
// then the output is what it always was.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/engine.h"

namespace player {

// Whether the engine's mute mask (Engine::mutedChannels) silences channel, one of its channel
// table. The mask takes effect at the channel's next volume update (every row, at the latest).
inline bool channelMuted(const Engine& engine, const Channel* channel) {
  const std::uint32_t muted = engine.mutedChannels.load(std::memory_order_relaxed);
  return muted != 0 && (muted >> (channel - engine.channelTable) & 1u) != 0;
}

}  // namespace player
