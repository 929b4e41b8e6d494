// The player's control operations: play a module image or stop everything, start, stop and
// release a song, pause, and the audible position.
#include "player/player.h"

#include "platform/thread.h"
#include "player/audio_output.h"
#include "player/heard_block.h"
#include "player/load/xm_loader.h"
#include "player/replay/channel.h"
#include "player/ring_buffers.h"
#include "player/song_start.h"

namespace player {

namespace {

constexpr std::int32_t PLAY_RATE = 44100;
constexpr std::uint32_t POLL_STOP_MS = 50;

// Undoes a start that could not be completed; the device no longer holds the ring.
void abandonStart(Engine& engine) {
  AudioOutput& output = engine.output;
  if (output.waveHeader.data != nullptr)
    output.waveOut->unprepareHeader(output.device, &output.waveHeader);
  output.waveHeader = platform::WaveHeader{};
  output.song = nullptr;
  endSong(engine);
  freeMixBuffers(output);
  freeWaveBuffer(output);
}

// A ring left behind by a song stopped without the stop path is still in the device: take it
// back before a new one is handed over.
void takeBackRing(AudioOutput& output) {
  if (output.waveBuffer == nullptr) return;
  output.waveOut->reset(output.device);
  output.waveHeader = platform::WaveHeader{};
  freeWaveBuffer(output);
}

// The stop path: run a paused player again, end the song, close the device, free the ring.
void stopPlayback(Engine& engine) {
  AudioOutput& output = engine.output;
  if (output.paused != 0) togglePause(engine);
  releaseSong(engine, output.currentSong);
  output.currentSong = nullptr;
  // A song started by startSong alone is stopped too (its owner frees it): no thread may be
  // left rendering into a ring that is about to be freed.
  if (output.song != nullptr) stopSong(engine, output.song);
  if (output.device != nullptr) {
    output.waveOut->reset(output.device);
    output.waveOut->close(output.device);
    output.device = nullptr;
  }
  output.waveHeader = platform::WaveHeader{};
  freeWaveBuffer(output);
}

}  // namespace

Song* playModule(Engine& engine, const ModuleImage* image, std::int64_t skipBlocks) {
  AudioOutput& output = engine.output;
  if (image == nullptr || output.device != nullptr || output.currentSong != nullptr) {
    stopPlayback(engine);
  }
  if (image == nullptr) return nullptr;
  if (!openOutput(engine, PLAY_RATE)) return nullptr;
  Song* song = loadSong(image, nullptr);
  if (song == nullptr) return nullptr;  // the device stays open until the stop path
  output.currentSong = song;
  if (!startSong(engine, song, skipBlocks)) {
    output.currentSong = nullptr;
    freeSong(song);
    return nullptr;
  }
  return song;
}

bool startSong(Engine& engine, const Song* song, std::int64_t skipBlocks) {
  if (!beginPlayback(engine, song)) return false;
  // A start part-way through: every block up to there is played without mixing, in the ring's
  // first block.
  for (std::int64_t skipped = 0; skipped < skipBlocks; ++skipped) {
    engine.output.writeBlock = 0;
    skipBlock(engine);
  }
  return startRing(engine);
}

bool beginPlayback(Engine& engine, const Song* song) {
  AudioOutput& output = engine.output;
  if (song == nullptr) return false;
  // Refused rather than played: a song wider than the channel table, no device to play on, or
  // another song still being played.
  if (song->channelCount > MAX_CHANNELS) return false;
  if (output.device == nullptr || output.song != nullptr || output.mixThread != nullptr)
    return false;
  takeBackRing(output);
  if (!allocateRingBuffers(output)) return false;

  if (!beginSong(engine, song)) {
    abandonStart(engine);
    return false;
  }
  output.song = &engine.playing.song;
  output.writeBlock = 0;
  return true;
}

bool startRing(Engine& engine) {
  AudioOutput& output = engine.output;
  platform::WaveHeader& header = output.waveHeader;
  header = platform::WaveHeader{};
  header.data = output.waveBuffer;
  header.length = static_cast<std::uint32_t>(output.ringFrames) * 4;
  header.flags = platform::WHDR_BEGINLOOP | platform::WHDR_ENDLOOP;
  header.loops = 0xFFFFFFFFu;
  if (!output.waveOut->prepareHeader(output.device, &header)) {
    header = platform::WaveHeader{};
    abandonStart(engine);
    return false;
  }

  // The whole ring, before the device starts.
  output.writeBlock = 0;
  do {
    renderBlock(engine);
  } while (output.writeBlock != 0);
  output.heardBlock = 0;
  output.heardBlocks = 0;
  publishHeardBlock(output);
  output.lastDevicePosition = 0;
  output.devicePosition = 0;

  if (!output.waveOut->write(output.device, &header)) {
    abandonStart(engine);
    return false;
  }
  output.stopRequested = 0;
  // Cleared here rather than by the thread, so a stop that comes before the thread has begun
  // still waits for it.
  output.threadFinished = 0;
  output.mixThread = platform::startThread(mixThreadMain, &engine);
  if (output.mixThread == nullptr) {
    output.threadFinished = 1;
    output.waveOut->reset(output.device);
    abandonStart(engine);
    return false;
  }
  return true;
}

bool stopSong(Engine& engine, const Song* song) {
  AudioOutput& output = engine.output;
  if (song == nullptr) return false;
  output.stopRequested = 1;
  while (output.rendering != 0) {
  }
  if (output.mixThread != nullptr) {
    while (output.threadFinished == 0)
      platform::sleepMs(POLL_STOP_MS);
    platform::closeThread(output.mixThread);
    output.mixThread = nullptr;
  }
  freeMixBuffers(output);
  endSong(engine);
  if (output.waveHeader.data != nullptr) {
    // Its result is of no use: the ring may still be playing, and is taken back by the reset.
    if (output.device != nullptr)
      output.waveOut->unprepareHeader(output.device, &output.waveHeader);
    output.waveHeader.flags &= ~platform::WHDR_PREPARED;
  }
  output.song = nullptr;
  return true;
}

int releaseSong(Engine& engine, Song* song) {
  AudioOutput& output = engine.output;
  if (song == nullptr) return 0;
  while (output.rendering != 0) {
  }
  stopSong(engine, song);
  if (output.currentSong == song) output.currentSong = nullptr;
  freeSong(song);
  return 1;
}

int togglePause(Engine& engine) {
  AudioOutput& output = engine.output;
  output.paused = ~output.paused;
  if (output.paused == 0) {
    if (output.device != nullptr) output.waveOut->restart(output.device);
    platform::resumeThread(output.mixThread);
  } else {
    platform::suspendThread(output.mixThread);
    if (output.device != nullptr) output.waveOut->pause(output.device);
  }
  return output.paused != 0 ? 1 : 0;
}

void wakeMixingWhilePaused(Engine& engine) {
  platform::resumeThread(engine.output.mixThread);
}

void parkMixingWhilePaused(Engine& engine) {
  platform::suspendThread(engine.output.mixThread);
}

BlockInfo heardBlockInfo(const Engine& engine) {
  return readHeardBlock(engine.output);
}

HeardPosition heardPosition(const Engine& engine) {
  const BlockInfo info = heardBlockInfo(engine);
  return HeardPosition{info.order, info.row};
}

}  // namespace player
