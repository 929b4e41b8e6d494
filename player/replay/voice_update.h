// The last step of every channel's tick: turns the channel's state and update requests into the
// parameters of its voice, handing a still-sounding note over to the twin voice on a trigger.
#pragma once

#include "player/engine.h"

namespace player {

// sample is what the channel's instrument and note resolve to (EmptySample when nothing). The
// channel's voices are the engine's, and so are its mute mask and output rate.
void updateVoice(Engine& engine, Channel* channel, const Sample* sample, const Song* song);

}  // namespace player
