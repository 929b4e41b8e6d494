#include "player/load/song_samples.h"

#include "player/load/load_memory.h"

namespace player {

void freeSongSamples(Song& song) {
  if (song.samples == nullptr) return;
  for (std::int32_t s = 0; s < song.sampleCount; ++s) {
    Sample& sample = song.samples[s];
    if (sample.sustained != nullptr) {
      loadFree(sample.sustained->data);
      loadFree(sample.sustained);
    }
    loadFree(sample.data);
  }
  loadFree(song.samples);
  song.samples = nullptr;
}

}  // namespace player
