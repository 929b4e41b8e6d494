#include "player/replay/tick_driver.h"

namespace player {

void runTick(Song* song) { (void)song; }

}  // namespace player
