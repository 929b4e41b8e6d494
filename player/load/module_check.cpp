#include "player/load/module_check.h"

#include "player/load/xm_format.h"

namespace player {
namespace {

// Passes over the pattern data exactly as the loader decodes it.
void skipPatterns(StreamHandle* handle, std::int32_t channels, std::int32_t patterns) {
  for (std::int32_t p = 0; p < patterns; ++p) {
    const PatternHeader header = readPatternHeader(handle);
    if (header.packedSize == 0 || channels <= 0) continue;
    const std::uint64_t cells = static_cast<std::uint64_t>(channels) * header.rows;
    for (std::uint64_t k = 0; k < cells && !streamAtEnd(); ++k) {
      PatternCell cell{};
      readPatternCell(handle, cell);
    }
  }
}

// Passes over one instrument with its samples; false when it declares too many samples.
bool skipInstrument(StreamHandle* handle, ModuleCheck& check, std::int32_t index) {
  const InstrumentStart start = readInstrumentStart(handle);
  if (start.sampleCount > INSTRUMENT_SAMPLE_SLOTS) {
    check.fault = ModuleFault::TOO_MANY_SAMPLES;
    check.instrument = index + 1;
    check.sampleCount = start.sampleCount;
    return false;
  }
  seekPastInstrumentHeader(handle, start);
  Sample samples[INSTRUMENT_SAMPLE_SLOTS] = {};
  bool oddByte[INSTRUMENT_SAMPLE_SLOTS] = {};
  for (int j = 0; j < start.sampleCount; ++j)
    oddByte[j] = readSampleHeader(handle, samples[j]);
  for (int j = 0; j < start.sampleCount; ++j) {
    fitSampleToStream(samples[j]);
    seek(handle, static_cast<std::int32_t>(sampleFileBytes(samples[j])), 1);
    if (oddByte[j]) seek(handle, 1, 1);
  }
  return true;
}

}  // namespace

ModuleCheck checkModule(const ModuleImage* image) {
  ModuleCheck check{};
  if (image == nullptr || moduleByteCount(image) == 0) {
    check.fault = ModuleFault::EMPTY;
    return check;
  }
  StreamHandle* handle = openStream(image);
  if (handle == nullptr) {
    check.fault = ModuleFault::NO_MEMORY;
    return check;
  }
  if (!readSignature(handle)) {
    check.fault = ModuleFault::NOT_XM;
    closeStream(handle);
    return check;
  }
  XmHeader header;
  readXmHeader(handle, header);
  check.channelCount = headerChannels(header);
  check.patternCount = header.patternCount;
  if (headerHasTooManyChannels(header)) {
    check.fault = ModuleFault::TOO_MANY_CHANNELS;
  } else if (headerHasTooManyPatterns(header)) {
    check.fault = ModuleFault::TOO_MANY_PATTERNS;
  } else {
    seekTo(handle, static_cast<std::int64_t>(XM_HEADER_OFFSET) + header.headerSize);
    skipPatterns(handle, check.channelCount, header.patternCount);
    const auto instruments = static_cast<std::int16_t>(header.instrumentCount);
    for (std::int32_t i = 0; i < instruments; ++i) {
      if (!skipInstrument(handle, check, i)) break;
    }
  }
  closeStream(handle);
  return check;
}

}  // namespace player
