#include "player/replay/channel_mute.h"

namespace player {

std::atomic<std::uint32_t> mutedChannels{0};

}  // namespace player
