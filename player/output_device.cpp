// Opening the sound device: the platform's wave output, or the one a test selected.
#include "player/audio_output.h"
#include "player/engine.h"

namespace player {

bool openOutput(Engine& engine, std::int32_t rate) {
  AudioOutput& output = engine.output;
  const platform::WaveOut* waveOut =
      output.waveOut != nullptr ? output.waveOut : platform::systemWaveOut();
  platform::WaveDevice* device = waveOut->open(rate);
  if (device == nullptr) return false;
  output.waveOut = waveOut;  // the table every later call on the device goes through
  output.device = device;
  output.outputRate = rate;
  prepareOutput(engine, rate);
  return true;
}

}  // namespace player
