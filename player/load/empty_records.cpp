#include "player/load/song.h"

namespace player {

Sample EmptySample{};
Instrument EmptyInstrument{};

}  // namespace player
