// Building blocks of the loaders for formats whose samples are plain values and whose
// instruments are single samples (MOD and S3M): pattern cells within the song's bound, sample
// data in any of the stored layouts, and the one-sample instrument.
#pragma once

#include <cstdint>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

// Allocates the song's pattern array of `count` patterns of `rows` rows each with their cells;
// false when memory runs out or the cells would pass MAX_PATTERN_CELLS.
bool allocatePatterns(Song* song, std::int32_t count, std::int32_t rows);

// How a sample's values are stored.
struct SampleStorage {
  std::uint8_t bits;  // 8 or 16 (16 is little-endian)
  bool isUnsigned;    // values offset by half the range
  bool stereo;        // the left values, then as many right ones; played as their mean
};

// The bytes a sample of `length` values takes in the file.
std::uint64_t storedSampleBytes(std::uint32_t length, const SampleStorage& storage);

// Reads the sample's values from the stream position into plain 16-bit data with the guard
// value behind the loop. The sample is first shortened to the values the file still holds and its
// loop kept inside it. With the song's sample-read hook, the hook supplies the stored bytes and
// the stream skips them. False when memory runs out.
bool readSampleValues(Song* song, StreamHandle* handle, Sample& sample,
                      const SampleStorage& storage, std::int32_t instrument);

// Makes instrument an instrument of the one sample (which it then owns), every note mapped to it;
// a sample without values leaves the instrument without samples.
void useSingleSample(Instrument& instrument, Sample* sample);

}  // namespace player
