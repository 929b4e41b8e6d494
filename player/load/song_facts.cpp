#include "player/load/song_facts.h"

namespace player {

namespace {

std::uint64_t dataBytes(const Sample& sample) {
  if (sample.data == nullptr) return 0;
  return (static_cast<std::uint64_t>(sample.length) + SAMPLE_GUARD_VALUES) * sizeof(std::int16_t);
}

}  // namespace

std::int64_t ownSampleCount(const Song& song) {
  // A song with a sample bank of its own (IT): its instruments play the bank's samples.
  if (song.samples != nullptr) return song.sampleCount;
  std::int64_t count = 0;
  for (int i = 0; i < song.instrumentCount; ++i)
    count += song.instruments[i].sampleCount;
  return count;
}

std::uint64_t sampleMemoryBytes(const Song& song) {
  std::uint64_t bytes = 0;
  if (song.samples != nullptr) {
    for (int k = 0; k < song.sampleCount; ++k) {
      bytes += dataBytes(song.samples[k]);
      if (song.samples[k].sustained != nullptr) bytes += dataBytes(*song.samples[k].sustained);
    }
    return bytes;
  }
  for (int i = 0; i < song.instrumentCount; ++i) {
    const Instrument& instrument = song.instruments[i];
    for (int j = 0; j < instrument.sampleCount; ++j) {
      bytes += dataBytes(*instrument.samples[j]);
    }
  }
  return bytes;
}

std::int32_t noteActionInstruments(const Song& song) {
  std::int32_t count = 0;
  for (int i = 0; i < song.instrumentCount && song.samples != nullptr; ++i)
    count += song.instruments[i].newNoteAction != NNA_CUT ? 1 : 0;
  return count;
}

std::int32_t filterInstruments(const Song& song) {
  std::int32_t count = 0;
  for (int i = 0; i < song.instrumentCount && song.samples != nullptr; ++i) {
    const Instrument& in = song.instruments[i];
    const bool envelope =
        (in.pitchNodes.flags & (ENVELOPE_ON | ENVELOPE_FILTER)) == (ENVELOPE_ON | ENVELOPE_FILTER);
    count += in.filterCutoff != FILTER_UNSET || in.filterResonance != FILTER_UNSET || envelope;
  }
  return count;
}

}  // namespace player
