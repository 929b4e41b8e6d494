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

}  // namespace player
