// Small modules built to make the player work hard: time, memory and the song's flow at their
// worst. Tests, benchmarks and the fuzz seeds share them.
#pragma once

#include "tests/support/xm_writer.h"

namespace xmtest {

// 32 channels with a note in every cell of a `rows`-row pattern at `speed` and 32,767 BPM (3
// frames a tick). The last row loops back to row 0 on every channel, the channels counting 1 to
// 15 repetitions, so their counts first come round together after 720,720 passes: at speed 5 and
// 8 rows the song runs over 30 minutes before it ends. About 1.4 KB.
Module loopStormModule(int rows = 8, int speed = 5);

// 256 patterns of 65,535 rows on 32 channels, none with cell data: 2.6 KB of headers that
// declare 536,862,720 cells.
Module tallPatternsModule();

}  // namespace xmtest
