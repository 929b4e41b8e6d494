#include "player/mixer/mixer.h"

#include "player/mixer/mix_path.h"
#include "player/mixer/voice.h"
#include "player/mixer/voice_mix.h"

namespace player {

std::int32_t rampLength = 128;
float rampReciprocal = 1.0f / 128.0f;
std::int32_t mixedVoiceCount = MIXED_VOICES;

void mixVoices(float* frames, std::int32_t count) {
  if (frames == nullptr || count < 1) return;
  const FrameLoops& loops = frameLoopsOf(activeMixPath());
  // Voice by voice in index order, so every buffer value sums the voices in the same order.
  const std::int32_t voices = mixedVoiceCount < VOICE_POOL_SIZE ? mixedVoiceCount : VOICE_POOL_SIZE;
  for (int index = 0; index < voices; ++index) {
    Voice& voice = voicePool[index];
    if (voice.sample != nullptr) mixVoice(voice, frames, count, loops);
  }
}

}  // namespace player
