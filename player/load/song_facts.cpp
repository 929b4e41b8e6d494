#include "player/load/song_facts.h"

namespace player {

std::int64_t ownSampleCount(const Song& song) {
  std::int64_t count = 0;
  for (int i = 0; i < song.instrumentCount; ++i)
    count += song.instruments[i].sampleCount;
  return count;
}

std::uint64_t sampleMemoryBytes(const Song& song) {
  std::uint64_t bytes = 0;
  for (int i = 0; i < song.instrumentCount; ++i) {
    const Instrument& instrument = song.instruments[i];
    for (int j = 0; j < instrument.sampleCount; ++j) {
      const Sample* sample = instrument.samples[j];
      if (sample->data == nullptr) continue;
      bytes +=
          (static_cast<std::uint64_t>(sample->length) + SAMPLE_GUARD_VALUES) * sizeof(std::int16_t);
    }
  }
  return bytes;
}

}  // namespace player
