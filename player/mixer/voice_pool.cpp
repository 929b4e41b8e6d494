#include <cstring>

#include "player/mixer/voice.h"

namespace player {

void resetVoicePool(VoicePool& pool) {
  std::memset(static_cast<void*>(pool.voices), 0, sizeof(pool.voices));
  for (int index = 0; index < VOICE_POOL_SIZE; ++index) {
    pool.voices[index].index = index;
    pool.voices[index].step = 1;
  }
}

void useSongRamps(VoicePool& pool, std::int32_t upAt44100, std::int32_t downAt44100) {
  // rampLength is 128 frames at 44,100 Hz, scaled to the rate.
  const std::int32_t up = pool.rampLength * upAt44100 / 128;
  const std::int32_t down = pool.rampLength * downAt44100 / 128;
  pool.songRampUpLength = up > 0 ? up : 1;
  pool.songRampDownLength = down > 0 ? down : 1;
  pool.songRampUpReciprocal = static_cast<float>(1.0 / pool.songRampUpLength);
  pool.songRampDownReciprocal = static_cast<float>(1.0 / pool.songRampDownLength);
}

}  // namespace player
