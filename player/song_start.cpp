#include "player/song_start.h"

#include <cstring>

#include "player/audio_output.h"
#include "player/mixer/voice.h"
#include "player/replay/channel.h"

namespace player {

void beginSong(Song* song) {
  song->globalVolume = song->initialGlobalVolume;
  song->nextRow = -1;
  song->nextOrder = -1;
  song->speed = song->defaultSpeed;
  song->row = 0;
  song->orderPosition = 0;
  song->tickSamplesLeft = 0;
  song->tick = 0;
  song->patternDelayTicks = 0;
  song->playTimeMs = 0;
  if (song->onPlayStart != nullptr) song->onPlayStart(song);
  setBpm(song, song->defaultBpm);

  // Only the song's own channels are touched; the loader refuses songs with more than the table.
  const int channels = song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
  for (int k = 0; k < channels; ++k) {
    std::memset(static_cast<void*>(&channelTable[k]), 0, sizeof(Channel));
    channelTable[k].voice = &voicePool[k];
    channelTable[k].pan = song->channelPan[k];
  }
}

}  // namespace player
