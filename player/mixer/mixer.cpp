#include "player/mixer/mixer.h"

#include "player/mixer/mix_path.h"
#include "player/mixer/voice_mix.h"

namespace player {
namespace {

void runVoices(VoicePool& pool, float* frames, std::int32_t count, const FrameLoops& loops) {
  if (frames == nullptr || count < 1) return;
  const VolumeRamp ramp = volumeRampOf(pool);
  // Voice by voice in index order, so every buffer value sums the voices in the same order.
  const std::int32_t voices = mixedVoiceCount(pool);
  for (int index = 0; index < voices; ++index) {
    Voice& voice = pool.voices[index];
    if (voice.sample != nullptr) mixVoice(voice, frames, count, loops, ramp);
  }
}

}  // namespace

void mixVoices(VoicePool& pool, float* frames, std::int32_t count, Interpolation interpolation) {
  runVoices(pool, frames, count, frameLoopsOf(activeMixPath(), interpolation));
}

void skipVoices(VoicePool& pool, float* frames, std::int32_t count) {
  runVoices(pool, frames, count, SKIP_FRAME_LOOPS);
}

}  // namespace player
