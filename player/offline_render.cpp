#include "player/offline_render.h"

#include "player/audio_output.h"
#include "player/ring_buffers.h"
#include "player/song_end.h"
#include "player/song_end_watch.h"
#include "player/song_start.h"

namespace player {

std::int64_t naturalLengthFrames(const Song* song, std::int32_t rounds, std::int64_t maxFrames) {
  return songEndFrame(song, rounds, maxFrames, OFFLINE_RATE);
}

bool startOfflineRender(Song* song, std::int32_t rounds, std::int32_t rate) {
  stopOfflineRender();
  prepareOutput(rate);
  if (!allocateRingBuffers(audioOutput)) return false;
  beginSong(song);
  if (!watchSongEnd(song, rounds)) {
    freeMixBuffers(audioOutput);
    freeWaveBuffer(audioOutput);
    return false;
  }
  audioOutput.song = song;
  audioOutput.writeBlock = 0;
  return true;
}

const std::int16_t* renderNextBlock() {
  const std::int32_t block = audioOutput.writeBlock;
  renderBlock();
  return audioOutput.waveBuffer + static_cast<std::size_t>(block) * audioOutput.blockFrames * 2;
}

std::int32_t offlineBlockFrames() {
  return audioOutput.blockFrames;
}

std::int32_t offlineRingBlocks() {
  return blockCount(audioOutput);
}

std::int64_t offlineNaturalEnd() {
  return songEndWatch.endFrame;
}

void stopOfflineRender() {
  unwatchSongEnd();
  freeMixBuffers(audioOutput);
  freeWaveBuffer(audioOutput);
  audioOutput.song = nullptr;
}

}  // namespace player
