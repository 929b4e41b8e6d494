#include "player/load/module_check.h"

#include "player/load/format_checks.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

constexpr std::int64_t PATTERN_HEADER_BYTES = 9;
constexpr std::int64_t INSTRUMENT_START_BYTES = 29;  // up to the sample count
constexpr std::int64_t SAMPLE_HEADER_BYTES = 40;

// Where the walk is, and where the module ends.
std::int64_t position(const StreamHandle* handle) {
  return handle->position;
}
std::int64_t length(const StreamHandle* handle) {
  return handle->length;
}

// Passes over the pattern data exactly as the loader decodes it, noting the patterns the file
// does not hold in full and the played ones that hold a note; false when the song's cells, the
// patterns the file lacks included, would pass MAX_PATTERN_CELLS.
bool skipPatterns(StreamHandle* handle, const XmHeader& xm, ModuleDamage& damage) {
  const std::int32_t channels = headerChannels(xm);
  bool played[MAX_HEADER_PATTERNS] = {};
  for (std::int32_t i = 0; i < headerSongLength(xm); ++i)
    played[xm.orderTable[i]] = true;
  std::uint64_t songCells = 0;
  for (std::int32_t p = 0; p < xm.patternCount; ++p) {
    const std::int64_t start = position(handle);
    const PatternHeader header = readPatternHeader(handle);
    const std::uint64_t cells = patternCells(channels, header.rows);
    songCells += cells;
    if (songCells > MAX_PATTERN_CELLS) return false;
    if (start + PATTERN_HEADER_BYTES + header.packedSize > length(handle)) ++damage.patternsMissing;
    if (header.packedSize == 0) continue;
    bool notes = false;
    for (std::uint64_t k = 0; k < cells && !streamAtEnd(handle); ++k) {
      PatternCell cell{};
      readPatternCell(handle, cell);
      notes = notes || holdsNote(cell);
    }
    if (notes && played[p]) ++damage.patternsWithNotes;
  }
  for (std::int32_t p = xm.patternCount; p < headerUsedPatterns(xm); ++p)
    songCells += patternCells(channels, MISSING_PATTERN_ROWS);
  return songCells <= MAX_PATTERN_CELLS;
}

// Passes over one instrument with its samples, noting what the file does not hold of them; false
// when it declares too many samples.
bool skipInstrument(StreamHandle* handle, ModuleCheck& check, std::int32_t index) {
  ModuleDamage& damage = check.damage;
  const InstrumentStart start = readInstrumentStart(handle);
  if (start.sampleCount > INSTRUMENT_SAMPLE_SLOTS) {
    check.fault = ModuleFault::TOO_MANY_SAMPLES;
    check.instrument = index + 1;
    check.sampleCount = start.sampleCount;
    return false;
  }
  // An instrument without samples is whole with its sample count; one with samples needs its
  // header and its sample headers.
  std::int64_t headersEnd = start.start + INSTRUMENT_START_BYTES;
  if (start.sampleCount > 0 && start.start + start.headerSize > headersEnd) {
    headersEnd = start.start + start.headerSize;
  }
  if (headersEnd + SAMPLE_HEADER_BYTES * start.sampleCount > length(handle))
    ++damage.instrumentsMissing;
  seekPastInstrumentHeader(handle, start);
  Sample samples[INSTRUMENT_SAMPLE_SLOTS] = {};
  bool oddByte[INSTRUMENT_SAMPLE_SLOTS] = {};
  bool missing[INSTRUMENT_SAMPLE_SLOTS] = {};
  for (int j = 0; j < start.sampleCount; ++j) {
    missing[j] = position(handle) + SAMPLE_HEADER_BYTES > length(handle);
    oddByte[j] = readSampleHeader(handle, samples[j]);
  }
  for (int j = 0; j < start.sampleCount; ++j) {
    const std::uint32_t declared = samples[j].length;
    fitSampleToStream(handle, samples[j]);
    if (samples[j].length < declared || missing[j]) ++damage.samplesMissing;
    if (samples[j].length > 0) ++damage.samplesWithData;
    seek(handle, static_cast<std::int32_t>(sampleFileBytes(samples[j])), 1);
    if (oddByte[j]) seek(handle, 1, 1);
  }
  return true;
}

}  // namespace

ModuleCheck checkModule(const ModuleImage* image) {
  ModuleCheck check{};
  check.format = ModuleFormat::UNKNOWN;
  if (image == nullptr || moduleByteCount(image) == 0) {
    check.fault = ModuleFault::EMPTY;
    return check;
  }
  StreamHandle* handle = openStream(image);
  if (handle == nullptr) {
    check.fault = ModuleFault::NO_MEMORY;
    return check;
  }
  check.format = moduleFormatOf(image);
  if (check.format == ModuleFormat::MOD || check.format == ModuleFormat::S3M ||
      check.format == ModuleFormat::IT) {
    if (check.format == ModuleFormat::MOD) checkMod(handle, check);
    if (check.format == ModuleFormat::S3M) checkS3m(handle, check);
    if (check.format == ModuleFormat::IT) checkIt(handle, check);
    closeStream(handle);
    return check;
  }
  if (check.format != ModuleFormat::XM) {
    check.fault = ModuleFault::UNKNOWN_FORMAT;
    closeStream(handle);
    return check;
  }
  XmHeader header;
  readXmHeader(handle, header);
  check.channelCount = headerChannels(header);
  check.patternCount = header.patternCount;
  check.stored = {header.songLength,      header.restartPosition, header.channelCount,
                  header.instrumentCount, header.defaultSpeed,    header.defaultBpm};
  if (headerHasTooManyChannels(header)) {
    check.fault = ModuleFault::TOO_MANY_CHANNELS;
  } else if (headerHasTooManyPatterns(header)) {
    check.fault = ModuleFault::TOO_MANY_PATTERNS;
  } else {
    ModuleDamage& damage = check.damage;
    const std::int64_t patternsStart = std::int64_t{XM_HEADER_OFFSET} + header.headerSize;
    seekTo(handle, patternsStart);
    if (!skipPatterns(handle, header, damage)) {
      check.fault = ModuleFault::TOO_MANY_CELLS;
      closeStream(handle);
      return check;
    }
    const auto instruments = static_cast<std::int16_t>(header.instrumentCount);
    for (std::int32_t i = 0; i < instruments; ++i) {
      if (!skipInstrument(handle, check, i)) break;
    }
    damage.patterns = header.patternCount;
    damage.instruments = instruments > 0 ? static_cast<std::uint32_t>(instruments) : 0;
    if (patternsStart > length(handle) || damage.patternsMissing > 0 ||
        damage.instrumentsMissing > 0 || damage.samplesMissing > 0) {
      damage.endsAt = static_cast<std::uint32_t>(length(handle));
    }
  }
  closeStream(handle);
  return check;
}

}  // namespace player
