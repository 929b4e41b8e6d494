#include "player/load/song_build.h"

#include "player/load/load_memory.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

// The stored value k as a signed 16-bit value.
std::int32_t storedValue(const std::uint8_t* bytes, std::uint64_t k, const SampleStorage& storage) {
  if (storage.bits == 16) {
    auto word = static_cast<std::uint16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8);
    if (storage.isUnsigned) word = static_cast<std::uint16_t>(word ^ 0x8000);
    return static_cast<std::int16_t>(word);
  }
  std::uint8_t byte = bytes[k];
  if (storage.isUnsigned) byte = static_cast<std::uint8_t>(byte ^ 0x80);
  return static_cast<std::int8_t>(byte) * 256;
}

// Keeps the loop inside the sample's `length` values; a loop that starts at or beyond the end, or
// has no values, is no loop.
void fitLoop(Sample& sample) {
  if (sample.loopMode != LOOP_OFF) {
    if (sample.loopStart >= sample.length) {
      sample.loopMode = LOOP_OFF;
    } else if (sample.loopLength > sample.length - sample.loopStart) {
      sample.loopLength = sample.length - sample.loopStart;
    }
    if (sample.loopLength == 0) sample.loopMode = LOOP_OFF;
  }
  if (sample.loopMode == LOOP_OFF) {
    sample.loopStart = 0;
    sample.loopLength = sample.length;
  }
}

}  // namespace

bool allocatePatterns(Song* song, std::int32_t count, std::int32_t rows) {
  song->patternSlotCount = count;
  if (count <= 0) return true;
  song->patterns = loadAllocateArray<Pattern>(static_cast<std::size_t>(count));
  if (song->patterns == nullptr) return false;
  const std::uint64_t cells = patternCells(song->channelCount, static_cast<std::uint32_t>(rows));
  if (cells * static_cast<std::uint64_t>(count) > MAX_PATTERN_CELLS) return false;
  for (std::int32_t p = 0; p < count; ++p) {
    song->patterns[p].rows = rows;
    if (cells == 0) continue;
    song->patterns[p].cells = loadAllocateArray<PatternCell>(cells);
    if (song->patterns[p].cells == nullptr) return false;
  }
  return true;
}

std::uint64_t storedSampleBytes(std::uint32_t length, const SampleStorage& storage) {
  return std::uint64_t{length} * (storage.bits / 8) * (storage.stereo ? 2 : 1);
}

bool readSampleValues(Song* song, StreamHandle* handle, Sample& sample,
                      const SampleStorage& storage, std::int32_t instrument) {
  const std::uint64_t valueBytes = storedSampleBytes(1, storage);
  const std::uint64_t left = static_cast<std::uint64_t>(handle->length - handle->position);
  if (sample.length > left / valueBytes)
    sample.length = static_cast<std::uint32_t>(left / valueBytes);
  fitLoop(sample);
  sample.bits = 16;
  if (sample.length == 0) return true;

  const std::uint64_t n = storedSampleBytes(sample.length, storage);
  sample.data = loadAllocateArray<std::int16_t>(std::size_t{sample.length} + SAMPLE_GUARD_VALUES);
  auto* bytes = loadAllocateArray<std::uint8_t>(n);
  if (sample.data == nullptr || bytes == nullptr) {
    loadFree(bytes);
    return false;
  }
  if (song->sampleReadHook != nullptr) {
    song->sampleReadHook(bytes, static_cast<std::int32_t>(n), storage.bits, instrument, 0);
    seek(handle, static_cast<std::int32_t>(n), 1);
  } else {
    read(bytes, static_cast<std::uint32_t>(n), handle);
  }
  for (std::uint32_t k = 0; k < sample.length; ++k) {
    std::int32_t value = storedValue(bytes, k, storage);
    if (storage.stereo) {
      value = (value + storedValue(bytes, std::uint64_t{k} + sample.length, storage)) >> 1;
    }
    sample.data[k] = static_cast<std::int16_t>(value);
  }
  loadFree(bytes);
  // The interpolation partner of the last value before the loop end.
  const std::uint32_t end = sample.loopStart + sample.loopLength;
  if (sample.loopMode == LOOP_FORWARD) sample.data[end] = sample.data[sample.loopStart];
  if (sample.loopMode == LOOP_PINGPONG) sample.data[end] = sample.data[end - 1];
  return true;
}

void useSingleSample(Instrument& instrument, Sample* sample) {
  instrument.sampleCount = 1;
  instrument.samples[0] = sample;
  for (std::int32_t j = 1; j < INSTRUMENT_SAMPLE_SLOTS; ++j)
    instrument.samples[j] = &EmptySample;
}

}  // namespace player
