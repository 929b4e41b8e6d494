// Node envelopes as Impulse Tracker runs them: a position in ticks that moves on by one every
// tick, read between the nodes around it, and sent back by the sustain loop while the note is
// held and by the loop always. Past the last node the envelope holds its last value.
#pragma once

#include "player/load/song.h"
#include "player/replay/it_player.h"

namespace player {

// The envelope's value at the cursor (between nodes, exactly), then the cursor one tick on.
// A note that is not released keeps to the sustain loop. Returns the value in 1/256 units of
// the node values.
std::int32_t stepEnvelope(const NodeEnvelope& envelope, EnvelopeCursor& cursor, bool released);

}  // namespace player
