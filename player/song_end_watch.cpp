#include "player/song_end_watch.h"

#include "player/engine.h"
#include "player/replay/tick_driver.h"

namespace player {

namespace {

void watchedTick(Engine& engine, Song* song) {
  SongEndWatch& watch = engine.endWatch;
  const bool rowTick = song->tick == 0;
  // Whether a loop runs is decided as the row is reached: the last pass over a loop's last row
  // counts the loop down to 0, and that row still belongs to the loop.
  const bool inLoop = rowTick && loopRunning(engine.flowMemory);
  const std::int64_t tickFrame = watch.nextTickFrame;
  watch.songTick(engine, song);
  watch.nextTickFrame += song->samplesPerTick > 0 ? song->samplesPerTick : 1;
  if (!rowTick || watch.endFrame >= 0) return;
  if (!markPlayedRow(watch.played, song->orderPosition, song->row) || inLoop) return;
  watch.roundsLeft -= 1;
  if (watch.roundsLeft <= 0) {
    watch.endFrame = tickFrame;
    return;
  }
  // A new round: only what it plays from here on counts as played.
  clearPlayedRows(watch.played);
  markPlayedRow(watch.played, song->orderPosition, song->row);
}

}  // namespace

bool watchSongEnd(Engine& engine, std::int32_t rounds) {
  unwatchSongEnd(engine);
  SongEndWatch& watch = engine.endWatch;
  Song* song = &engine.playing.song;
  if (!allocatePlayedRows(watch.played, song)) return false;
  watch.song = song;
  watch.songTick = song->tickHandler != nullptr ? song->tickHandler : runTick;
  watch.roundsLeft = rounds < 1 ? 1 : rounds;
  watch.nextTickFrame = 0;
  watch.endFrame = -1;
  song->tickHandler = watchedTick;
  return true;
}

void unwatchSongEnd(Engine& engine) {
  SongEndWatch& watch = engine.endWatch;
  if (watch.song != nullptr) watch.song->tickHandler = watch.songTick;
  freePlayedRows(watch.played);
  watch.song = nullptr;
}

}  // namespace player
