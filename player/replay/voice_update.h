// The last step of every channel's tick: turns the channel's state and update requests into the
// parameters of its voice, handing a still-sounding note over to the twin voice on a trigger.
#pragma once

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

// sample is what the channel's instrument and note resolve to (EmptySample when nothing).
void updateVoice(Channel* channel, Sample* sample, const Song* song);

}  // namespace player
