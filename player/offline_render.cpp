#include "player/offline_render.h"

#include "player/audio_output.h"
#include "player/ring_buffers.h"
#include "player/song_end.h"
#include "player/song_start.h"

namespace player {

std::int64_t naturalLengthFrames(Song* song, std::int32_t rounds, std::int64_t maxFrames) {
  prepareOutput(OFFLINE_RATE);
  beginSong(song);
  if (!watchSongEnd(song, rounds)) return maxFrames;
  while (songEndWatch.endFrame < 0 && songEndWatch.nextTickFrame < maxFrames) {
    song->tickHandler(song);
    if (song->samplesPerTick <= 0) break;  // a tick without frames would never end the count
  }
  const std::int64_t end = songEndWatch.endFrame;
  unwatchSongEnd();
  return end >= 0 && end < maxFrames ? end : maxFrames;
}

bool startOfflineRender(Song* song, std::int32_t rounds) {
  stopOfflineRender();
  prepareOutput(OFFLINE_RATE);
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
