// The IT check: its counts, and what a file cut short (or pointing past its end) lacks of its
// patterns, instrument headers and sample data.
#include "player/load/format_checks.h"
#include "player/load/it_format.h"
#include "player/load/it_loader.h"
#include "player/load/load_memory.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

// Values a compressed block holds: 32,768 of 8 bits or 16,384 of 16 bits.
constexpr std::uint32_t BLOCK_VALUES_8 = 0x8000;
constexpr std::uint32_t BLOCK_VALUES_16 = 0x4000;

bool holdsItNote(const ItCell& cell) {
  return (cell.fields & IT_CELL_NOTE) != 0 && cell.note < KEYBOARD_NOTES;
}

void checkPatterns(StreamHandle* handle, const ItHeader& header, ModuleDamage& damage) {
  const std::int64_t fileBytes = handle->length;
  const std::int32_t stored =
      header.patternCount < IT_MAX_PATTERNS ? header.patternCount : IT_MAX_PATTERNS;
  bool played[IT_MAX_PATTERNS] = {};
  const std::int32_t orders =
      header.orderCount < ORDER_TABLE_SIZE ? header.orderCount : ORDER_TABLE_SIZE;
  for (std::int32_t i = 0; i < orders; ++i) {
    seekTo(handle, IT_HEADER_SIZE + i);
    const std::uint8_t order = readU8(handle);
    if (order == IT_ORDER_END) break;
    if (order != IT_ORDER_SKIP) played[order] = true;
  }
  auto* cells = loadAllocateArray<ItCell>(static_cast<std::size_t>(IT_MAX_ROWS) * SONG_CHANNELS);
  const std::int64_t table = itPatternTable(header);
  for (std::int32_t p = 0; p < stored; ++p) {
    const std::uint32_t offset = readItOffset(handle, table, p);
    if (offset == 0) continue;  // an empty pattern
    seekTo(handle, offset);
    const std::int64_t packed = readU16(handle);
    if (offset + 8 > fileBytes || offset + 8 + packed > fileBytes) ++damage.patternsMissing;
    if (cells == nullptr || !played[p]) continue;
    const std::int32_t rows = itPatternRows(handle, offset);
    for (std::int64_t k = 0; k < std::int64_t{rows} * SONG_CHANNELS; ++k)
      cells[k] = ItCell{};
    std::int32_t highest = -1;
    unpackItPattern(handle, offset, cells, highest);
    bool notes = false;
    for (std::int64_t k = 0; k < std::int64_t{rows} * SONG_CHANNELS && !notes; ++k)
      notes = holdsItNote(cells[k]);
    if (notes) ++damage.patternsWithNotes;
  }
  loadFree(cells);
}

// The bytes the compressed blocks of a sample take from offset, walked block by block; past the
// file's end when the file is cut.
std::int64_t compressedBytes(StreamHandle* handle, const ItSampleHeader& sample) {
  const std::uint32_t perBlock =
      (sample.flags & IT_SAMPLE_16BIT) != 0 ? BLOCK_VALUES_16 : BLOCK_VALUES_8;
  const std::uint64_t channels = (sample.flags & IT_SAMPLE_STEREO) != 0 ? 2 : 1;
  const std::uint64_t blocks = (sample.length + perBlock - 1) / perBlock * channels;
  std::int64_t at = sample.dataOffset;
  for (std::uint64_t b = 0; b < blocks && at < handle->length; ++b) {
    seekTo(handle, at);
    at += 2 + static_cast<std::int64_t>(readU16(handle));
  }
  return at - static_cast<std::int64_t>(sample.dataOffset);
}

void checkSamples(StreamHandle* handle, const ItHeader& header, ModuleDamage& damage) {
  const std::int64_t fileBytes = handle->length;
  const std::int32_t count =
      header.sampleCount < IT_MAX_SAMPLES ? header.sampleCount : IT_MAX_SAMPLES;
  const std::int64_t table = itSampleTable(header);
  for (std::int32_t s = 0; s < count; ++s) {
    const std::uint32_t offset = readItOffset(handle, table, s);
    ItSampleHeader sample;
    readItSampleHeader(handle, offset, sample);
    if (offset + std::int64_t{IT_SAMPLE_HEADER_SIZE} > fileBytes) {
      ++damage.samplesMissing;
      continue;
    }
    if ((sample.flags & IT_SAMPLE_DATA) == 0 || sample.length == 0) continue;
    const std::int64_t held = fileBytes > sample.dataOffset ? fileBytes - sample.dataOffset : 0;
    std::int64_t bytes;
    if ((sample.flags & IT_SAMPLE_COMPRESSED) != 0) {
      bytes = compressedBytes(handle, sample);
    } else {
      const std::int64_t channels = (sample.flags & IT_SAMPLE_STEREO) != 0 ? 2 : 1;
      const std::int64_t width = (sample.flags & IT_SAMPLE_16BIT) != 0 ? 2 : 1;
      bytes = std::int64_t{sample.length} * channels * width;
    }
    if (bytes > held) ++damage.samplesMissing;
    if (held > 0) ++damage.samplesWithData;
  }
}

void checkInstruments(const ItHeader& header, std::int64_t fileBytes, StreamHandle* handle,
                      ModuleDamage& damage) {
  if ((header.flags & IT_INSTRUMENTS) == 0) return;
  const std::int32_t count =
      header.instrumentCount < IT_MAX_INSTRUMENTS ? header.instrumentCount : IT_MAX_INSTRUMENTS;
  const std::int64_t table = itInstrumentTable(header);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint32_t offset = readItOffset(handle, table, i);
    if (offset == 0 || offset + std::int64_t{IT_INSTRUMENT_SIZE} > fileBytes) {
      ++damage.instrumentsMissing;
    }
  }
  damage.instruments = static_cast<std::uint32_t>(count);
}

}  // namespace

void checkIt(StreamHandle* handle, ModuleCheck& check) {
  ItHeader header;
  readItHeader(handle, header);
  const std::int32_t stored =
      header.patternCount < IT_MAX_PATTERNS ? header.patternCount : IT_MAX_PATTERNS;
  const ItPatternSize size = measureItPatterns(handle, header, stored);
  check.channelCount = size.channels;
  check.patternCount = header.patternCount;
  std::uint16_t songLength = 0;
  for (std::int32_t i = 0; i < header.orderCount && i < ORDER_TABLE_SIZE; ++i) {
    seekTo(handle, IT_HEADER_SIZE + i);
    const std::uint8_t order = readU8(handle);
    if (order == IT_ORDER_END) break;
    if (order != IT_ORDER_SKIP) ++songLength;
  }
  const bool instrumentMode = (header.flags & IT_INSTRUMENTS) != 0;
  check.stored = {songLength,
                  0,
                  static_cast<std::uint16_t>(size.channels),
                  instrumentMode ? header.instrumentCount : header.sampleCount,
                  header.speed,
                  header.tempo};
  if (size.rows * static_cast<std::uint64_t>(size.channels) > MAX_PATTERN_CELLS) {
    check.fault = ModuleFault::TOO_MANY_CELLS;
    return;
  }
  ModuleDamage& damage = check.damage;
  checkPatterns(handle, header, damage);
  checkInstruments(header, handle->length, handle, damage);
  checkSamples(handle, header, damage);
  damage.patterns = static_cast<std::uint32_t>(stored);
  noteEnd(damage, handle->length, itAfterTables(header) > handle->length);
}

}  // namespace player
