// Slides shared by the row and the per-tick effects. Volume slides stop at 64 and at 0; the volume
// column's panning slides have no bound of their own, the voice update clamps what is heard.
#pragma once

#include <cstdint>

#include "player/numeric.h"
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

inline void slidePanLeft(Channel* channel, std::int32_t amount) {
  channel->pan = wrapSub(channel->pan, amount);
  channel->flags |= UPDATE_PAN;
}

inline void slidePanRight(Channel* channel, std::int32_t amount) {
  channel->pan = wrapAdd(channel->pan, amount);
  channel->flags |= UPDATE_PAN;
}

}  // namespace player
