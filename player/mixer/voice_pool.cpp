#include "player/mixer/voice.h"

namespace player {

Voice voicePool[VOICE_POOL_SIZE];

}  // namespace player
