// Opening the sound device: the platform's wave output, or the one a test selected.
#include "player/audio_output.h"

namespace player {

bool openOutput(std::int32_t rate) {
  const platform::WaveOut* waveOut =
      audioOutput.waveOut != nullptr ? audioOutput.waveOut : platform::systemWaveOut();
  platform::WaveDevice* device = waveOut->open(rate);
  if (device == nullptr) return false;
  audioOutput.waveOut = waveOut;  // the table every later call on the device goes through
  audioOutput.device = device;
  audioOutput.outputRate = rate;
  prepareOutput(rate);
  return true;
}

}  // namespace player
