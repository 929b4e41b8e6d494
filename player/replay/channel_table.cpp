#include "player/replay/channel.h"

namespace player {

Channel channelTable[MAX_CHANNELS];

}  // namespace player
