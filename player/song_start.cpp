#include "player/song_start.h"

#include <cstring>

#include "player/engine.h"
#include "player/load/effects.h"

namespace player {
namespace {

// The ramps of RULE_QUICK_RAMPS, in frames at 44,100 Hz.
constexpr std::int32_t QUICK_RAMP_UP_FRAMES = 16;
constexpr std::int32_t QUICK_RAMP_DOWN_FRAMES = 42;

}  // namespace

bool beginSong(Engine& engine, const Song* loaded) {
  if (!copyPlayingSong(engine.playing, loaded)) return false;
  Song* song = &engine.playing.song;
  song->globalVolume = song->initialGlobalVolume;
  song->nextRow = -1;
  song->nextOrder = -1;
  song->speed = song->defaultSpeed;
  song->row = 0;
  song->orderPosition = 0;
  song->tickSamplesLeft = 0;
  song->tick = 0;
  song->patternDelayTicks = 0;
  song->tempoSlide = 0;
  song->playTimeMs = 0;
  setBpm(engine, song, song->defaultBpm);

  // No voice may go on sounding a sample of a copy that is gone.
  resetVoicePool(engine.voicePool);
  engine.voicePool.songRampUpLength = 0;
  if ((song->rules & RULE_QUICK_RAMPS) != 0) {
    useSongRamps(engine.voicePool, QUICK_RAMP_UP_FRAMES, QUICK_RAMP_DOWN_FRAMES);
  }
  engine.voicePool.mixedVoices = 0;
  engine.flowMemory = FlowMemory{};
  engine.pendingTempo = 0;
  // Only the song's own channels are touched; the loader refuses songs with more than the table.
  const int channels = song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
  for (int k = 0; k < channels; ++k) {
    std::memset(static_cast<void*>(&engine.channelTable[k]), 0, sizeof(Channel));
    engine.channelTable[k].voice = &engine.voicePool.voices[k];
    engine.channelTable[k].pan = song->channelPan[k];
  }
  if (song->onPlayStart != nullptr) song->onPlayStart(engine, song);
  return true;
}

void endSong(Engine& engine) {
  freePlayingSong(engine.playing);
  resetVoicePool(engine.voicePool);  // none of them points into the copy any more
}

}  // namespace player
