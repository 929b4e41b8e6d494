#include "player/load/it_sample_data.h"

#include <cstddef>
#include <cstring>

#include "player/load/it_sample_decompress.h"
#include "player/load/load_memory.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

// Compressed values take at least one bit each: no more of them fit in the bytes left.
constexpr std::uint64_t VALUES_PER_COMPRESSED_BYTE = 8;
// A bound far beyond any tracker's samples that keeps value counts and their bytes in range.
constexpr std::uint32_t MAX_SAMPLE_VALUES = 1u << 28;

std::uint32_t fewer(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::uint32_t>(a < b ? a : b);
}

// The values per channel the file can still hold from the data offset.
std::uint32_t valuesInFile(const StreamHandle* handle, const ItSampleHeader& header,
                           std::uint32_t length) {
  const std::uint64_t end = static_cast<std::uint64_t>(handle->length);
  const std::uint64_t left = header.dataOffset < end ? end - header.dataOffset : 0;
  const std::uint64_t channels = (header.flags & IT_SAMPLE_STEREO) != 0 ? 2 : 1;
  const std::uint64_t bytesPerValue = (header.flags & IT_SAMPLE_16BIT) != 0 ? 2 : 1;
  const std::uint64_t most = (header.flags & IT_SAMPLE_COMPRESSED) != 0
                                 ? left * VALUES_PER_COMPRESSED_BYTE
                                 : left / (channels * bytesPerValue);
  return fewer(fewer(length, most), MAX_SAMPLE_VALUES);
}

// Turns count plain stored values at bytes into 16-bit values (8-bit ones into the high byte).
void convertPlain(const std::uint8_t* bytes, std::int16_t* out, std::uint32_t count,
                  std::uint8_t flags, std::uint8_t convert) {
  const bool sixteenBit = (flags & IT_SAMPLE_16BIT) != 0;
  const bool bigEndian = (convert & IT_CONVERT_BIG_ENDIAN) != 0;
  std::uint16_t sum = 0;
  for (std::uint32_t k = 0; k < count; ++k) {
    std::uint16_t value;
    if (sixteenBit) {
      const std::uint8_t low = bytes[2 * k + (bigEndian ? 1 : 0)];
      const std::uint8_t high = bytes[2 * k + (bigEndian ? 0 : 1)];
      value = static_cast<std::uint16_t>(low | high << 8);
    } else {
      value = static_cast<std::uint16_t>(bytes[k] << 8);
    }
    if ((convert & IT_CONVERT_DELTA) != 0) {
      sum = static_cast<std::uint16_t>(sum + value);
      value = sum;
    }
    out[k] = static_cast<std::int16_t>(value);
  }
}

// Reads one channel of count values from the stream position into out.
bool readChannel(StreamHandle* handle, const ItSampleHeader& header, std::int16_t* out,
                 std::uint32_t count) {
  const std::uint8_t* at = handle->base + handle->position;
  const auto left = static_cast<std::size_t>(handle->length - handle->position);
  if ((header.flags & IT_SAMPLE_COMPRESSED) != 0) {
    const CompressedSampleFormat format{(header.flags & IT_SAMPLE_16BIT) != 0,
                                        (header.convert & IT_CONVERT_DELTA) != 0};
    const std::size_t used = decompressItSample(at, left, out, count, format);
    seek(handle, static_cast<std::int32_t>(used), 1);
  } else {
    const std::uint32_t bytes = (header.flags & IT_SAMPLE_16BIT) != 0 ? 2 * count : count;
    convertPlain(at, out, count, header.flags, header.convert);
    seek(handle, static_cast<std::int32_t>(bytes), 1);
  }
  if ((header.convert & IT_CONVERT_SIGNED) == 0) {
    for (std::uint32_t k = 0; k < count; ++k)
      out[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(out[k]) ^ 0x8000);
  }
  return true;
}

// The values of the sample's one channel, or of its two mixed. Null when memory runs out.
std::int16_t* readValues(Song* song, StreamHandle* handle, const ItSampleHeader& header,
                         std::uint32_t length, std::int32_t index) {
  const std::size_t values = static_cast<std::size_t>(length) + SAMPLE_GUARD_VALUES;
  auto* data = loadAllocateArray<std::int16_t>(values);
  if (data == nullptr) return nullptr;
  const bool stereo = (header.flags & IT_SAMPLE_STEREO) != 0;
  if (song->sampleReadHook != nullptr) {
    // The hook delivers one channel of plain values in the stored depth.
    const std::int32_t bits = (header.flags & IT_SAMPLE_16BIT) != 0 ? 16 : 8;
    auto* bytes = reinterpret_cast<std::uint8_t*>(data);
    song->sampleReadHook(bytes,
                         static_cast<std::int32_t>(length * static_cast<std::uint32_t>(bits / 8)),
                         bits, -1, index);
    if (bits == 8) {
      for (std::uint32_t k = length; k-- > 0;)
        data[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[k] << 8));
    }
    return data;
  }
  seekTo(handle, header.dataOffset);
  readChannel(handle, header, data, length);
  if (!stereo) return data;
  auto* right = loadAllocateArray<std::int16_t>(values);
  if (right == nullptr) {
    loadFree(data);
    return nullptr;
  }
  readChannel(handle, header, right, length);
  for (std::uint32_t k = 0; k < length; ++k)
    data[k] = static_cast<std::int16_t>((data[k] + right[k]) >> 1);
  loadFree(right);
  return data;
}

// Keeps a loop inside length values; a loop that does not fit at all is turned off.
void fitLoop(std::uint32_t length, std::uint8_t& mode, std::uint32_t& start,
             std::uint32_t& loopLength) {
  if (mode != LOOP_OFF && start < length) {
    if (static_cast<std::uint64_t>(start) + loopLength > length) loopLength = length - start;
    if (loopLength > 0) return;
  }
  mode = LOOP_OFF;
  start = 0;
  loopLength = 0;
}

// The value behind the loop end that interpolation reads: the loop start's for a forward loop,
// the last value's for a ping-pong loop.
void setLoopGuard(std::int16_t* data, std::uint8_t mode, std::uint32_t start,
                  std::uint32_t length) {
  const std::uint32_t end = start + length;
  if (mode == LOOP_FORWARD) data[end] = data[start];
  if (mode == LOOP_PINGPONG) data[end] = data[end - 1];
}

// The copy of the sample that loops its sustain loop, with values up to the loop's end.
bool buildSustainedView(Sample& sample) {
  if (sample.sustainMode == LOOP_OFF) return true;
  const std::uint32_t end = sample.sustainStart + sample.sustainLength;
  auto* view = loadAllocateArray<Sample>(1);
  if (view == nullptr) return false;
  *view = sample;
  view->sustained = nullptr;
  view->length = end;
  view->loopMode = sample.sustainMode;
  view->loopStart = sample.sustainStart;
  view->loopLength = sample.sustainLength;
  view->data = loadAllocateArray<std::int16_t>(static_cast<std::size_t>(end) + SAMPLE_GUARD_VALUES);
  if (view->data == nullptr) {
    loadFree(view);
    return false;
  }
  std::memcpy(view->data, sample.data, static_cast<std::size_t>(end) * sizeof(std::int16_t));
  setLoopGuard(view->data, view->loopMode, view->loopStart, view->loopLength);
  sample.sustained = view;
  return true;
}

}  // namespace

std::uint64_t sampleValueBudget(const StreamHandle* handle) {
  return VALUES_PER_COMPRESSED_BYTE * static_cast<std::uint64_t>(handle->length);
}

bool readItSampleData(Song* song, StreamHandle* handle, const ItSampleHeader& header,
                      Sample& sample, std::int32_t index, std::uint64_t& budget) {
  const std::uint64_t channels = (header.flags & IT_SAMPLE_STEREO) != 0 ? 2 : 1;
  sample.length = fewer(valuesInFile(handle, header, sample.length), budget / channels);
  budget -= sample.length * channels;
  fitLoop(sample.length, sample.loopMode, sample.loopStart, sample.loopLength);
  fitLoop(sample.length, sample.sustainMode, sample.sustainStart, sample.sustainLength);
  if (sample.loopMode == LOOP_OFF) sample.loopLength = sample.length;
  if (sample.length == 0) return true;
  sample.data = readValues(song, handle, header, sample.length, index);
  if (sample.data == nullptr) return false;
  if (!buildSustainedView(sample)) return false;
  setLoopGuard(sample.data, sample.loopMode, sample.loopStart, sample.loopLength);
  return true;
}

}  // namespace player
