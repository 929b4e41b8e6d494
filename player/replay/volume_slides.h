// Volume slides shared by the row and the per-tick effects: up stops at 64, down at 0, and both
// ask the voice update for the new volume.
#pragma once

#include <cstdint>

#include "player/replay/channel.h"

namespace player {

inline void slideVolumeUp(Channel* channel, std::int32_t amount) {
  channel->volume += amount;
  if (channel->volume > 64) channel->volume = 64;
  channel->flags |= UPDATE_VOLUME;
}

inline void slideVolumeDown(Channel* channel, std::int32_t amount) {
  channel->volume -= amount;
  if (channel->volume < 0) channel->volume = 0;
  channel->flags |= UPDATE_VOLUME;
}

}  // namespace player
