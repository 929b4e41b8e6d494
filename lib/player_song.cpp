// A player's song on its engine: where it stops, the tick handler that watches it, and pull
// rendering block by block, with seeking by playing the song without mixing up to the block
// that holds the frame sought.
#include <cstdint>
#include <limits>

#include "lib/module_record.h"
#include "lib/player_record.h"
#include "player/audio_output.h"
#include "player/mixer/voice.h"
#include "player/replay/tick_driver.h"
#include "player/ring_buffers.h"
#include "player/song_end.h"
#include "player/song_start.h"

namespace jingle::internal {
namespace {

constexpr std::int64_t NO_STOP = std::numeric_limits<std::int64_t>::max();

void playerTick(player::Engine& base, player::Song* song) {
  auto& engine = static_cast<PlayerEngine&>(base);
  const std::int64_t frame = engine.nextTickFrame;
  if (!engine.stopped && frame >= engine.stopFrame) {
    engine.stopped = true;
    player::resetVoicePool(engine.voicePool);
  }
  if (!engine.stopped) engine.songTick(base, song);
  engine.nextTickFrame += song->samplesPerTick > 0 ? song->samplesPerTick : 1;
  if (engine.stopped) return;
  engine.ticks[engine.tickCount % TICK_LOG_SIZE] =
      TickFact{frame, song->orderPosition, song->row, song->speed, song->bpm};
  ++engine.tickCount;
}

}  // namespace

std::int64_t stopFrameOf(const jingle_player& player) {
  std::int64_t stop = NO_STOP;
  if (player.rounds != JINGLE_ENDLESS) {
    stop = moduleEndFrame(*player.module, player.rate, player.rounds);
  }
  if (player.frameLimit >= 0 && player.frameLimit < stop) stop = player.frameLimit;
  return stop;
}

void watchTicks(jingle_player& player) {
  PlayerEngine& engine = *player.engine;
  player::Song& song = engine.playing.song;
  engine.songTick = song.tickHandler != nullptr ? song.tickHandler : player::runTick;
  song.tickHandler = playerTick;
  engine.nextTickFrame = 0;
  engine.stopFrame = player.stopFrame;
  engine.stopped = false;
  engine.tickCount = 0;
  if (player.startOrder >= 0) {
    song.nextOrder = player.startOrder;
    song.nextRow = player.startRow;
  }
}

bool startPull(jingle_player& player) {
  PlayerEngine& engine = *player.engine;
  player::AudioOutput& output = engine.output;
  player::prepareOutput(engine, player.rate);
  output.ringFrames = output.blockFrames;  // one block at a time
  if (!player::allocateRingBuffers(output)) return false;
  if (!restartPull(player)) {
    endPull(player);
    return false;
  }
  return true;
}

bool restartPull(jingle_player& player) {
  PlayerEngine& engine = *player.engine;
  player.pull = PullState{};
  engine.output.song = nullptr;
  if (!player::beginSong(engine, player.module->song)) {
    player.pull.ended = true;  // nothing to render until a seek starts the song again
    return false;
  }
  watchTicks(player);
  engine.output.song = &engine.playing.song;
  engine.output.writeBlock = 0;
  return true;
}

void endPull(jingle_player& player) {
  player::AudioOutput& output = player.engine->output;
  player::endSong(*player.engine);
  player::freeMixBuffers(output);
  player::freeWaveBuffer(output);
  output.song = nullptr;
  player.pull = PullState{};
}

bool nextBlock(jingle_player& player, bool audible) {
  PullState& pull = player.pull;
  PlayerEngine& engine = *player.engine;
  if (pull.lastBlock || pull.ended) return false;
  const std::int32_t frames = engine.output.blockFrames;
  engine.output.writeBlock = 0;
  if (audible) {
    player::renderBlock(engine);
  } else {
    player::skipBlock(engine);
  }
  pull.holdsBlock = true;
  pull.blockStart = pull.played;
  pull.played += frames;
  pull.blockFrames = frames;
  pull.handedOut = 0;
  if (player.stopFrame <= pull.played) {
    const std::int64_t left = player.stopFrame - pull.blockStart;
    pull.blockFrames = static_cast<std::int32_t>(left < 0 ? 0 : left);
    pull.lastBlock = true;
  }
  return true;
}

std::int64_t pullFrame(const jingle_player& player) {
  const PullState& pull = player.pull;
  if (pull.ended) return player.stopFrame;
  return pull.holdsBlock ? pull.blockStart + pull.handedOut : 0;
}

bool seekPull(jingle_player& player, std::int64_t frame, bool restart) {
  PullState& pull = player.pull;
  if (frame >= player.stopFrame) {
    pull.ended = true;
    return true;
  }
  pull.ended = false;
  const std::int64_t blockFrames = player.engine->output.blockFrames;
  const std::int64_t start = frame / blockFrames * blockFrames;
  if (!restart && pull.holdsBlock && start == pull.blockStart) {
    pull.handedOut = static_cast<std::int32_t>(frame - start);
    return true;
  }
  if ((restart || start < pull.played) && !restartPull(player)) return false;
  while (pull.played < start)
    nextBlock(player, false);
  nextBlock(player, true);
  pull.handedOut = static_cast<std::int32_t>(frame - start);
  return true;
}

TickFact tickFactAt(const jingle_player& player, std::int64_t frame) {
  const PlayerEngine& engine = *player.engine;
  const std::int64_t count = engine.tickCount;
  const std::int64_t oldest = count > TICK_LOG_SIZE ? count - TICK_LOG_SIZE : 0;
  for (std::int64_t n = count - 1; n >= oldest; --n) {
    const TickFact& fact = engine.ticks[n % TICK_LOG_SIZE];
    if (fact.frame <= frame || n == oldest) return fact;
  }
  const player::Song& song = *player.module->song;
  return TickFact{0, 0, 0, song.defaultSpeed, song.defaultBpm};
}

std::int32_t soundingVoices(const player::Engine& engine) {
  std::int32_t voices = 0;
  // Background voices (IT's new-note actions) included.
  for (int v = 0; v < player::mixedVoiceCount(engine.voicePool); ++v) {
    const player::Voice& voice = engine.voicePool.voices[v];
    if (voice.sample != nullptr && (voice.leftLevel != 0 || voice.rightLevel != 0)) ++voices;
  }
  return voices;
}

}  // namespace jingle::internal
