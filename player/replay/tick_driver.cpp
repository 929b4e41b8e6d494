#include "player/replay/tick_driver.h"

#include "player/engine.h"
#include "player/numeric.h"
#include "player/replay/effect_tick.h"
#include "player/replay/row.h"
#include "player/replay/song_position.h"

namespace player {

namespace {

// Moves the song to the row that the previous row asked for. A row beyond the pattern it lands
// in plays row 0 of it (a pattern of 0 rows included).
void enterRow(Song* song) {
  if (song->nextOrder >= 0) song->orderPosition = song->nextOrder;
  if (song->nextRow >= 0) song->row = song->nextRow;
  if (song->row >= patternRowsAt(song, song->orderPosition)) song->row = 0;
}

// Where the row after the current one lies, unless the row named it itself: a pattern loop goes
// back to its start; otherwise the next row, or row 0 of the next order position at the end of
// the pattern, the restart position after the last one.
void findNextRow(const Engine& engine, Song* song) {
  if (song->nextRow != -1) return;
  if (engine.pendingLoopRow >= 0) {
    song->nextRow = engine.pendingLoopRow;
    return;
  }
  song->nextRow = song->row + 1;
  if (song->nextRow >= patternRowsAt(song, song->orderPosition)) {
    song->nextOrder = song->orderPosition + 1;
    if (song->nextOrder >= song->songLength) {
      // The loader keeps the restart position inside the song; 0 stands in for any other value.
      const bool valid = song->restartPosition >= 0 && song->restartPosition < song->songLength;
      song->nextOrder = valid ? song->restartPosition : 0;
    }
    song->nextRow = 0;
  }
}

}  // namespace

void runTick(Engine& engine, Song* song) {
  if (song->tick != 0) {
    runEffectTick(engine, song);
  } else {
    enterRow(song);
    processRow(engine, song);
    findNextRow(engine, song);
  }
  song->tick = wrapAdd(song->tick, 1);
  if (song->tick >= wrapAdd(song->speed, song->patternDelayTicks)) {
    song->patternDelayTicks = 0;
    song->tick = 0;
  }
}

}  // namespace player
