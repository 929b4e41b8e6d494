#include "player/mixer/mixer.h"

#include "player/mixer/mix_path.h"
#include "player/mixer/voice.h"
#include "player/mixer/voice_mix.h"

namespace player {

std::int32_t rampLength = 128;
float rampReciprocal = 1.0f / 128.0f;
std::int32_t mixedVoiceCount = MIXED_VOICES;
std::int32_t rampUpFrames = 128;
float rampUpReciprocal = 1.0f / 128.0f;
std::int32_t rampDownFrames = 128;
float rampDownReciprocal = 1.0f / 128.0f;

void useOutputRamps() {
  rampUpFrames = rampDownFrames = rampLength;
  rampUpReciprocal = rampDownReciprocal = rampReciprocal;
}

void useSongRamps(std::int32_t upAt44100, std::int32_t downAt44100) {
  // rampLength is 128 frames at 44,100 Hz, scaled to the rate.
  rampUpFrames = rampLength * upAt44100 / 128 > 0 ? rampLength * upAt44100 / 128 : 1;
  rampDownFrames = rampLength * downAt44100 / 128 > 0 ? rampLength * downAt44100 / 128 : 1;
  rampUpReciprocal = static_cast<float>(1.0 / rampUpFrames);
  rampDownReciprocal = static_cast<float>(1.0 / rampDownFrames);
}

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
