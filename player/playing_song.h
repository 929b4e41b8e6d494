// The song as one engine plays it. Playing writes to a song: its playback fields (position,
// speed, tempo, global volume, the tick handler the end watch stands in for) and, through E5y, a
// sample's finetune. An engine therefore plays a copy of the loaded Song record, of its
// instruments and of its sample records, made when the song starts and freed when it stops. The
// patterns and the sample data are never written: they stay the loaded song's, shared and only
// read. A loaded song is thus the same after any number of plays, by any number of engines.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

struct PlayingSong {
  Song song;        // the copy; its instruments are the copied ones
  void* copies;     // the one allocation behind the copied instruments and samples
  Sample* samples;  // the copied samples, sampleCount of them
  std::int32_t sampleCount;
};

// Makes playing a copy of loaded, dropping the copy it held. The copied instruments' sample slots
// point at the copied samples, or at EmptySample as in the loaded song. False, with no copy held,
// when the memory cannot be had.
bool copyPlayingSong(PlayingSong& playing, const Song* loaded);

// Frees the copy; nothing to do is fine.
void freePlayingSong(PlayingSong& playing);

// The copy's own, writable record of sample; null for a sample the copy does not hold (the empty
// stand-in).
Sample* ownSample(PlayingSong& playing, const Sample* sample);

}  // namespace player
