#include "player/offline_render.h"

#include "player/engine.h"
#include "player/ring_buffers.h"
#include "player/song_end.h"
#include "player/song_end_watch.h"
#include "player/song_start.h"

namespace player {

std::int64_t naturalLengthFrames(const Song* song, std::int32_t rounds, std::int64_t maxFrames) {
  return songEndFrame(song, rounds, maxFrames, OFFLINE_RATE);
}

bool startOfflineRender(Engine& engine, const Song* song, std::int32_t rounds, std::int32_t rate) {
  stopOfflineRender(engine);
  if (song == nullptr) return false;
  AudioOutput& output = engine.output;
  prepareOutput(engine, rate);
  if (!allocateRingBuffers(output)) return false;
  if (!beginSong(engine, song) || !watchSongEnd(engine, rounds)) {
    stopOfflineRender(engine);
    return false;
  }
  output.song = &engine.playing.song;
  output.writeBlock = 0;
  return true;
}

const std::int16_t* renderNextBlock(Engine& engine) {
  const AudioOutput& output = engine.output;
  const std::int32_t block = output.writeBlock;
  renderBlock(engine);
  return output.waveBuffer + static_cast<std::size_t>(block) * output.blockFrames * 2;
}

std::int32_t offlineBlockFrames(const Engine& engine) {
  return engine.output.blockFrames;
}

std::int32_t offlineRingBlocks(const Engine& engine) {
  return blockCount(engine.output);
}

std::int64_t offlineNaturalEnd(const Engine& engine) {
  return engine.endWatch.endFrame;
}

void stopOfflineRender(Engine& engine) {
  unwatchSongEnd(engine);
  endSong(engine);
  freeMixBuffers(engine.output);
  freeWaveBuffer(engine.output);
  engine.output.song = nullptr;
}

}  // namespace player
