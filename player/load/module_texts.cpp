#include "player/load/module_texts.h"

#include <memory>
#include <new>

#include "player/load/it_texts.h"
#include "player/load/mod_format.h"
#include "player/load/s3m_format.h"
#include "player/load/xm_format.h"

namespace player {

ModuleTexts::ModuleTexts() = default;
ModuleTexts::ModuleTexts(const ModuleTexts& other) = default;
ModuleTexts::ModuleTexts(ModuleTexts&& other) noexcept = default;
ModuleTexts& ModuleTexts::operator=(const ModuleTexts& other) = default;
ModuleTexts& ModuleTexts::operator=(ModuleTexts&& other) noexcept = default;
ModuleTexts::~ModuleTexts() = default;

namespace {

constexpr std::int32_t TITLE_OFFSET = 17;
constexpr std::int32_t TRACKER_OFFSET = 38;
constexpr std::int32_t SHORT_TEXT_BYTES = 20;
constexpr std::int32_t NAME_BYTES = 22;
constexpr std::int32_t INSTRUMENT_NAME_OFFSET = 4;
constexpr std::int32_t SAMPLE_NAME_OFFSET = 18;
constexpr std::int32_t SAMPLE_HEADER_BYTES = 40;
constexpr std::int32_t LONGEST_TEXT = 28;

std::string readText(StreamHandle* handle, std::int64_t offset, std::int32_t bytes) {
  seekTo(handle, offset);
  char stored[LONGEST_TEXT] = {};
  read(stored, static_cast<std::uint32_t>(bytes), handle);
  std::string text;
  for (std::int32_t i = 0; i < bytes && stored[i] != '\0'; ++i) {
    const auto byte = static_cast<unsigned char>(stored[i]);
    text += byte < 0x20 || byte == 0x7F ? '?' : stored[i];
  }
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

// Passes over the pattern data exactly as the loader decodes it.
void skipPatterns(StreamHandle* handle, std::int32_t channels, std::int32_t patterns) {
  for (std::int32_t p = 0; p < patterns; ++p) {
    const PatternHeader header = readPatternHeader(handle);
    if (header.packedSize == 0 || channels <= 0) continue;
    const std::uint64_t cells = static_cast<std::uint64_t>(channels) * header.rows;
    for (std::uint64_t k = 0; k < cells && !streamAtEnd(handle); ++k) {
      PatternCell cell{};
      readPatternCell(handle, cell);
    }
  }
}

// Reads one instrument's names and leaves the stream behind its sample data; false when the
// loader would refuse the instrument.
bool readInstrumentTexts(StreamHandle* handle, ModuleTexts& texts) {
  const InstrumentStart start = readInstrumentStart(handle);
  if (start.sampleCount > INSTRUMENT_SAMPLE_SLOTS) return false;
  texts.instrumentNames.push_back(
      readText(handle, std::int64_t{start.start} + INSTRUMENT_NAME_OFFSET, NAME_BYTES));
  seekPastInstrumentHeader(handle, start);
  std::vector<std::string>& names = texts.sampleNames.emplace_back();
  Sample samples[INSTRUMENT_SAMPLE_SLOTS] = {};
  bool oddByte[INSTRUMENT_SAMPLE_SLOTS] = {};
  for (int j = 0; j < start.sampleCount; ++j) {
    const std::int32_t header = handle->position;
    names.push_back(readText(handle, std::int64_t{header} + SAMPLE_NAME_OFFSET, NAME_BYTES));
    seekTo(handle, header);
    oddByte[j] = readSampleHeader(handle, samples[j]);
    seekTo(handle, std::int64_t{header} + SAMPLE_HEADER_BYTES);
  }
  for (int j = 0; j < start.sampleCount; ++j) {
    fitSampleToStream(handle, samples[j]);
    seek(handle, static_cast<std::int32_t>(sampleFileBytes(samples[j])), 1);
    if (oddByte[j]) seek(handle, 1, 1);
  }
  return true;
}

// A name for each sample, as the instrument of that one sample.
void addSampleName(ModuleTexts& texts, std::string name) {
  texts.instrumentNames.push_back(name);
  texts.sampleNames.push_back({std::move(name)});
}

void readModTexts(StreamHandle* handle, ModuleTexts& texts) {
  ModLayout layout;
  readModLayout(handle, layout);
  texts.title = readText(handle, 0, MOD_TITLE_BYTES);
  bool amigaNotes = true;
  seekTo(handle, layout.headerBytes);
  const std::int64_t cells = std::int64_t{layout.patterns} * layout.patternBytes / MOD_CELL_BYTES;
  for (std::int64_t k = 0; k < cells && !streamAtEnd(handle); ++k) {
    std::uint8_t stored[MOD_CELL_BYTES] = {};
    read(stored, MOD_CELL_BYTES, handle);
    PatternCell cell;
    decodeModCell(stored, cell);
    if (cell.note != 0 && !amigaNote(cell.note)) amigaNotes = false;
  }
  texts.tracker = modTrackerName(layout, amigaNotes);
  for (std::int32_t s = 0; s < layout.samples; ++s) {
    addSampleName(texts,
                  readText(handle, MOD_TITLE_BYTES + std::int64_t{s} * MOD_SAMPLE_HEADER_BYTES,
                           MOD_SAMPLE_NAME_BYTES));
  }
}

void readS3mTexts(StreamHandle* handle, ModuleTexts& texts) {
  S3mHeader header;
  readS3mHeader(handle, header);
  texts.title = readText(handle, 0, S3M_TITLE_BYTES);
  bool wideSamples = false;
  std::int32_t adlib = 0;
  for (std::int32_t i = 0; i < header.instruments; ++i) {
    S3mInstrument instrument;
    readS3mInstrument(handle, header.instrumentOffsets[i], instrument);
    if (instrument.type == S3M_SAMPLE && (instrument.flags & 0x06) != 0) wideSamples = true;
    if (instrument.type > S3M_SAMPLE) ++adlib;
    addSampleName(
        texts,
        readText(handle, std::int64_t{header.instrumentOffsets[i]} + S3M_INSTRUMENT_NAME_OFFSET,
                 S3M_INSTRUMENT_NAME_BYTES));
  }
  texts.tracker = s3mTrackerName(header, wideSamples);
  if (adlib > 0) {
    texts.note = std::to_string(adlib) + (adlib == 1 ? " AdLib instrument" : " AdLib instruments") +
                 " played silent";
  }
}

}  // namespace

ModuleTexts readModuleTexts(const ModuleImage* image) {
  ModuleTexts texts;
  if (image == nullptr || moduleByteCount(image) == 0) return texts;
  // Closed however the walk ends, a text that memory runs out on included.
  const std::unique_ptr<StreamHandle, void (*)(StreamHandle*)> stream(openStream(image),
                                                                      closeStream);
  if (stream == nullptr) throw std::bad_alloc();
  StreamHandle* handle = stream.get();
  const ModuleFormat format = moduleFormatOf(image);
  if (format == ModuleFormat::IT) return readItTexts(image);
  if (format == ModuleFormat::MOD) readModTexts(handle, texts);
  if (format == ModuleFormat::S3M) readS3mTexts(handle, texts);
  if (format == ModuleFormat::XM) {
    texts.title = readText(handle, TITLE_OFFSET, SHORT_TEXT_BYTES);
    texts.tracker = readText(handle, TRACKER_OFFSET, SHORT_TEXT_BYTES);
    XmHeader header;
    readXmHeader(handle, header);
    if (!headerHasTooManyChannels(header) && !headerHasTooManyPatterns(header)) {
      seekTo(handle, static_cast<std::int64_t>(XM_HEADER_OFFSET) + header.headerSize);
      skipPatterns(handle, headerChannels(header), header.patternCount);
      const auto instruments = static_cast<std::int16_t>(header.instrumentCount);
      for (std::int32_t i = 0; i < instruments; ++i) {
        if (!readInstrumentTexts(handle, texts)) break;
      }
    }
  }
  return texts;
}

}  // namespace player
