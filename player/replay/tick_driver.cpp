#include "player/replay/tick_driver.h"

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/replay/effect_tick.h"
#include "player/replay/row.h"
#include "player/replay/song_flow.h"
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

// The flow of the row just played: where the song goes next, and the speed, tempo and delay the
// row leaves. The row stays the one being played until the next row tick.
void playRowFlow(Engine& engine, Song* song) {
  const PatternCell* cells = currentRowCells(song);
  RowFlow effects;
  if (cells != nullptr) decodeRowFlow(song, cells, song->channelCount, effects);
  FlowStep step{song->orderPosition, song->row, -1, -1, song->speed, song->bpm, 0, 0};
  stepRow(song, patternRowsAt(song, song->orderPosition), cells != nullptr ? &effects : nullptr,
          engine.flowMemory, step);
  song->nextOrder = step.nextOrder;
  song->nextRow = step.nextRow;
  song->speed = step.speed;
  song->patternDelayTicks = step.delayTicks;
  song->tempoSlide = step.tempoSlide;
  if (cells == nullptr || effects.tempo <= 0) return;
  if ((song->rules & RULE_TEMPO_AT_NEXT_TICK) != 0) {
    engine.pendingTempo = step.tempo;
  } else {
    setBpm(engine, song, step.tempo);
  }
}

}  // namespace

void runTick(Engine& engine, Song* song) {
  if (engine.pendingTempo > 0) {
    setBpm(engine, song, engine.pendingTempo);
    engine.pendingTempo = 0;
  }
  if (song->tick != 0) {
    if (song->tempoSlide != 0) setBpm(engine, song, slidTempo(song->bpm, song->tempoSlide));
    runEffectTick(engine, song);
  } else {
    enterRow(song);
    processRow(engine, song);
    playRowFlow(engine, song);
  }
  song->tick = wrapAdd(song->tick, 1);
  if (song->tick >= wrapAdd(song->speed, song->patternDelayTicks)) {
    song->patternDelayTicks = 0;
    song->tick = 0;
  }
}

}  // namespace player
