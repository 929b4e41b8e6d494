// The S3M check: its counts, and what a file cut short (or pointing past its end) lacks of its
// patterns, instrument headers and sample data.
#include "player/load/format_checks.h"
#include "player/load/letter_effects.h"
#include "player/load/s3m_format.h"
#include "player/load/song_build.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

constexpr std::int64_t S3M_HEADER_BYTES = 0x60;  // up to the order list
constexpr std::int64_t S3M_INSTRUMENT_BYTES = 0x50;

void checkPatterns(StreamHandle* handle, const S3mHeader& header, std::int32_t channels,
                   const std::int32_t songChannel[S3M_CHANNELS], ModuleDamage& damage) {
  const std::int64_t fileBytes = handle->length;
  bool played[S3M_MAX_PATTERNS] = {};
  for (std::int32_t i = 0; i < header.orderCount && i < 256; ++i) {
    if (header.orders[i] == ORDER_END) break;
    if (header.orders[i] != ORDER_SKIP) played[header.orders[i]] = true;
  }
  PatternCell cells[S3M_ROWS * S3M_CHANNELS];
  for (std::int32_t p = 0; p < header.patterns; ++p) {
    const std::uint32_t offset = header.patternOffsets[p];
    if (offset == 0) continue;  // an empty pattern
    seekTo(handle, offset);
    const std::int64_t packed = readU16(handle);
    if (offset + 2 > fileBytes || offset + packed > fileBytes) ++damage.patternsMissing;
    for (PatternCell& cell : cells)
      cell = PatternCell{};
    readS3mPattern(handle, offset, songChannel, channels, cells);
    bool notes = false;
    for (std::int32_t k = 0; k < S3M_ROWS * channels; ++k)
      notes = notes || holdsNote(cells[k]);
    if (notes && played[p]) ++damage.patternsWithNotes;
  }
}

void checkInstruments(StreamHandle* handle, const S3mHeader& header, ModuleDamage& damage) {
  const std::int64_t fileBytes = handle->length;
  for (std::int32_t i = 0; i < header.instruments; ++i) {
    const std::int64_t offset = header.instrumentOffsets[i];
    if (offset + S3M_INSTRUMENT_BYTES > fileBytes) ++damage.instrumentsMissing;
    S3mInstrument stored;
    readS3mInstrument(handle, header.instrumentOffsets[i], stored);
    if (stored.type != S3M_SAMPLE || stored.pack != 0 || stored.length == 0) continue;
    const SampleStorage storage{
        static_cast<std::uint8_t>((stored.flags & S3M_SAMPLE_16_BIT) != 0 ? 16 : 8),
        header.sampleFormat == 2, (stored.flags & S3M_SAMPLE_STEREO) != 0};
    const std::int64_t bytes = static_cast<std::int64_t>(storedSampleBytes(stored.length, storage));
    const std::int64_t held = fileBytes > stored.dataOffset ? fileBytes - stored.dataOffset : 0;
    if (bytes > held) ++damage.samplesMissing;
    if (held > 0) ++damage.samplesWithData;
  }
}

}  // namespace

void checkS3m(StreamHandle* handle, ModuleCheck& check) {
  S3mHeader header;
  readS3mHeader(handle, header);
  std::int32_t songChannel[S3M_CHANNELS];
  check.channelCount = s3mSongChannels(header, songChannel);
  check.patternCount = header.patternCount;
  std::uint16_t songLength = 0;
  for (std::int32_t i = 0; i < header.orderCount && i < 256 && header.orders[i] != ORDER_END; ++i)
    songLength = static_cast<std::uint16_t>(songLength + (header.orders[i] != ORDER_SKIP ? 1 : 0));
  check.stored = {songLength,
                  0,
                  static_cast<std::uint16_t>(check.channelCount),
                  header.instrumentCount,
                  header.speed,
                  header.tempo};

  ModuleDamage& damage = check.damage;
  checkPatterns(handle, header, check.channelCount, songChannel, damage);
  checkInstruments(handle, header, damage);
  damage.patterns = static_cast<std::uint32_t>(header.patterns);
  damage.instruments = static_cast<std::uint32_t>(header.instruments);
  const std::int64_t headerBytes = S3M_HEADER_BYTES + header.orderCount +
                                   2 * std::int64_t{header.instrumentCount} +
                                   2 * std::int64_t{header.patternCount};
  noteEnd(damage, handle->length, headerBytes > handle->length);
}

}  // namespace player
