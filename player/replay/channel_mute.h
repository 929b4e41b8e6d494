// Channels silenced or turned down by the listener: a muted channel plays on (its effects,
// envelopes and the song's flow are untouched) but its voices get no volume; a scaled one gets a
// share of it. Nothing is muted or scaled unless asked, and then the output is what it always
// was.
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

// gain as the listener's volume for channel leaves it: unchanged unless the channel is scaled.
// Takes effect where the mute does.
inline double listenerGain(const Engine& engine, const Channel* channel, double gain) {
  const std::uint32_t scaled = engine.scaledChannels.load(std::memory_order_acquire);
  const auto index = channel - engine.channelTable;
  if (scaled == 0 || (scaled >> index & 1u) == 0) return gain;
  return gain * static_cast<double>(engine.channelVolumes[index].load(std::memory_order_relaxed));
}

}  // namespace player
