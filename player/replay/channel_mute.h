// Channels silenced or turned down by the listener: a muted channel plays on (its effects,
// envelopes and the song's flow are untouched) but its voices get no volume; a scaled one gets a
// share of it. Nothing is muted or scaled unless asked, and then the output is what it always
// was. Every song channel (up to SONG_CHANNELS) has its bit.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/engine.h"

namespace player {

// Whether bit index (a song channel counted from 0) is set in a mask of the engine.
inline bool channelBit(const std::atomic<std::uint32_t> (&mask)[CHANNEL_MASK_WORDS],
                       std::int32_t index, std::memory_order order) {
  if (index < 0 || index >= SONG_CHANNELS) return false;
  return (mask[index >> 5].load(order) >> (index & 31) & 1u) != 0;
}

// Sets or clears bit index of a mask of the engine (any thread).
inline void setChannelBit(std::atomic<std::uint32_t> (&mask)[CHANNEL_MASK_WORDS],
                          std::int32_t index, bool set,
                          std::memory_order order = std::memory_order_seq_cst) {
  const std::uint32_t bit = 1u << (index & 31);
  if (set) {
    mask[index >> 5].fetch_or(bit, order);
  } else {
    mask[index >> 5].fetch_and(~bit, order);
  }
}

// Whether the engine's mute mask (Engine::mutedChannels) silences song channel index. The mask
// takes effect at the channel's next volume update (every row, at the latest).
inline bool channelIndexMuted(const Engine& engine, std::int32_t index) {
  return channelBit(engine.mutedChannels, index, std::memory_order_relaxed);
}

// The same for channel, one of the engine's channel table.
inline bool channelMuted(const Engine& engine, const Channel* channel) {
  return channelIndexMuted(engine, static_cast<std::int32_t>(channel - engine.channelTable));
}

// gain as the listener's volume for song channel index leaves it: unchanged unless the channel
// is scaled. Takes effect where the mute does.
inline double listenerIndexGain(const Engine& engine, std::int32_t index, double gain) {
  if (!channelBit(engine.scaledChannels, index, std::memory_order_acquire)) return gain;
  return gain * static_cast<double>(engine.channelVolumes[index].load(std::memory_order_relaxed));
}

// The same for channel, one of the engine's channel table.
inline double listenerGain(const Engine& engine, const Channel* channel, double gain) {
  return listenerIndexGain(engine, static_cast<std::int32_t>(channel - engine.channelTable), gain);
}

}  // namespace player
