#include "player/audio_output.h"

namespace player {

AudioOutput audioOutput{};

}  // namespace player
