#include "player/load/song.h"

namespace player {

const Sample EmptySample{};
const Instrument EmptyInstrument{};

}  // namespace player
