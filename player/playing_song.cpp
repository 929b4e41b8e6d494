#include "player/playing_song.h"

#include <cstdint>
#include <cstdlib>

namespace player {
namespace {

// The samples an instrument owns: its first sampleCount slots, the stand-ins aside.
bool ownedSlot(const Instrument& instrument, std::int32_t slot) {
  const Sample* sample = instrument.samples[slot];
  return slot < instrument.sampleCount && sample != nullptr && sample != &EmptySample;
}

}  // namespace

bool copyPlayingSong(PlayingSong& playing, const Song* loaded) {
  freePlayingSong(playing);
  if (loaded == nullptr) return false;
  const std::int32_t instruments =
      loaded->instruments != nullptr && loaded->instrumentCount > 0 ? loaded->instrumentCount : 0;
  std::int32_t samples = 0;
  for (std::int32_t i = 0; i < instruments; ++i) {
    for (std::int32_t slot = 0; slot < INSTRUMENT_SAMPLE_SLOTS; ++slot)
      samples += ownedSlot(loaded->instruments[i], slot) ? 1 : 0;
  }

  // Instruments first, then samples: both are arrays of pointer-aligned records.
  static_assert(sizeof(Instrument) % alignof(Sample) == 0);
  const std::size_t instrumentBytes = sizeof(Instrument) * static_cast<std::size_t>(instruments);
  const std::size_t bytes = instrumentBytes + sizeof(Sample) * static_cast<std::size_t>(samples);
  void* copies = nullptr;
  if (bytes > 0) {
    copies = std::calloc(bytes, 1);
    if (copies == nullptr) return false;
  }
  auto* instrumentCopies = static_cast<Instrument*>(copies);
  auto* sampleCopies =
      samples > 0 ? reinterpret_cast<Sample*>(static_cast<unsigned char*>(copies) + instrumentBytes)
                  : nullptr;
  std::int32_t next = 0;
  for (std::int32_t i = 0; i < instruments; ++i) {
    Instrument& instrument = instrumentCopies[i];
    instrument = loaded->instruments[i];
    for (std::int32_t slot = 0; slot < INSTRUMENT_SAMPLE_SLOTS; ++slot) {
      if (!ownedSlot(instrument, slot)) continue;
      sampleCopies[next] = *instrument.samples[slot];
      instrument.samples[slot] = &sampleCopies[next];
      ++next;
    }
  }

  playing.song = *loaded;
  playing.song.instruments = instrumentCopies;
  playing.copies = copies;
  playing.samples = sampleCopies;
  playing.sampleCount = samples;
  return true;
}

void freePlayingSong(PlayingSong& playing) {
  std::free(playing.copies);
  playing.copies = nullptr;
  playing.samples = nullptr;
  playing.sampleCount = 0;
  playing.song.instruments = nullptr;
}

Sample* ownSample(PlayingSong& playing, const Sample* sample) {
  // Compared as addresses: sample may point anywhere, into the copy or not.
  const auto at = reinterpret_cast<std::uintptr_t>(sample);
  const auto first = reinterpret_cast<std::uintptr_t>(playing.samples);
  if (playing.samples == nullptr || at < first) return nullptr;
  const std::uintptr_t index = (at - first) / sizeof(Sample);
  if (index >= static_cast<std::uintptr_t>(playing.sampleCount)) return nullptr;
  return playing.samples + index;
}

}  // namespace player
