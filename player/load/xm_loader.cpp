#include "player/load/xm_loader.h"

#include "player/load/load_memory.h"
#include "player/load/song_parse.h"
#include "player/load/song_samples.h"
#include "player/load/xm_format.h"
#include "player/replay/tick_driver.h"

namespace player {
namespace {

// Header values the song keeps, brought within what the replayer can play.
void takeHeader(Song* song, const XmHeader& header) {
  song->songLength = static_cast<std::int16_t>(headerSongLength(header));
  song->restartPosition = static_cast<std::int16_t>(header.restartPosition);
  if (song->restartPosition < 0 || song->restartPosition >= song->songLength) {
    song->restartPosition = 0;
  }
  song->channelCount = static_cast<std::int16_t>(headerChannels(header));
  song->instrumentCount = static_cast<std::int16_t>(header.instrumentCount);
  song->flags = header.flags;
  song->defaultSpeed = static_cast<std::int16_t>(header.defaultSpeed);
  song->defaultBpm = static_cast<std::int16_t>(header.defaultBpm);
  if (song->defaultBpm < 1) song->defaultBpm = 1;
  for (int i = 0; i < ORDER_TABLE_SIZE; ++i)
    song->orderTable[i] = header.orderTable[i];
}

// Allocates a pattern's cells, a pattern without channels or rows having none. Fails, as an
// allocation that fails does, once the song's cells would pass MAX_PATTERN_CELLS.
bool allocateCells(Pattern& pattern, std::int32_t channels, std::uint64_t& songCells) {
  const std::uint64_t count = patternCells(channels, static_cast<std::uint32_t>(pattern.rows));
  if (count == 0) return true;
  songCells += count;
  if (songCells > MAX_PATTERN_CELLS) return false;
  pattern.cells = loadAllocateArray<PatternCell>(count);
  return pattern.cells != nullptr;
}

bool readPatterns(Song* song, StreamHandle* handle, const XmHeader& xm) {
  const std::int32_t headerPatterns = xm.patternCount;
  song->usedPatternCount = headerUsedPatterns(xm);
  song->patternSlotCount =
      song->usedPatternCount > headerPatterns ? song->usedPatternCount : headerPatterns;
  if (song->patternSlotCount == 0) return true;
  song->patterns = loadAllocateArray<Pattern>(static_cast<std::size_t>(song->patternSlotCount));
  if (song->patterns == nullptr) return false;

  std::uint64_t songCells = 0;
  for (std::int32_t p = 0; p < headerPatterns; ++p) {
    Pattern& pattern = song->patterns[p];
    const PatternHeader header = readPatternHeader(handle);
    pattern.rows = header.rows;
    if (!allocateCells(pattern, song->channelCount, songCells)) return false;
    if (header.packedSize == 0 || pattern.cells == nullptr) continue;
    // The cells consume exactly the bytes they need; the packed size is not compared.
    readPatternCells(handle, pattern.cells,
                     static_cast<std::uint64_t>(song->channelCount) * header.rows);
  }
  // Patterns the order table names but the file lacks: 64 empty rows.
  for (std::int32_t p = headerPatterns; p < song->usedPatternCount; ++p) {
    song->patterns[p].rows = MISSING_PATTERN_ROWS;
    if (!allocateCells(song->patterns[p], song->channelCount, songCells)) return false;
  }
  return true;
}

void readEnvelopePoints(StreamHandle* handle, EnvelopePoint* points) {
  for (int k = 0; k < ENVELOPE_POINTS; ++k) {
    points[k].x = readU16(handle);
    points[k].y = readU16(handle);
  }
}

// Keeps an envelope within its 12 stored points and its values within 0..64. Runs after the
// flags of an envelope with fewer than 2 points have been cleared.
void boundEnvelope(EnvelopePoint* points, std::uint8_t& count, std::uint8_t sustain,
                   std::uint8_t loopStart, std::uint8_t loopEnd, std::uint8_t& flags) {
  if (count > ENVELOPE_POINTS) count = ENVELOPE_POINTS;
  if (sustain >= count) flags &= static_cast<std::uint8_t>(~ENVELOPE_SUSTAIN);
  if (loopStart >= count || loopEnd >= count) flags &= static_cast<std::uint8_t>(~ENVELOPE_LOOP);
  for (int k = 0; k < ENVELOPE_POINTS; ++k) {
    if (points[k].y > 64) points[k].y = 64;
  }
}

// The instrument header from offset 29 (sample header size) to 240 (fadeout).
void readInstrumentHeader(StreamHandle* handle, Instrument& in) {
  readU32(handle);  // sample header size: always taken as 40
  read(in.sampleMap, SAMPLE_MAP_NOTES, handle);
  readEnvelopePoints(handle, in.volumeEnvelope);
  readEnvelopePoints(handle, in.panningEnvelope);
  in.volumePointCount = readU8(handle);
  in.panningPointCount = readU8(handle);
  in.volumeSustainPoint = readU8(handle);
  in.volumeLoopStart = readU8(handle);
  in.volumeLoopEnd = readU8(handle);
  in.panningSustainPoint = readU8(handle);
  in.panningLoopStart = readU8(handle);
  in.panningLoopEnd = readU8(handle);
  in.volumeEnvelopeFlags = readU8(handle);
  in.panningEnvelopeFlags = readU8(handle);
  in.vibratoType = readU8(handle);
  in.vibratoSweep = readU8(handle);
  in.vibratoDepth = readU8(handle);
  in.vibratoRate = readU8(handle);
  in.fadeout = static_cast<std::uint16_t>(readU16(handle) << 1);

  if (in.volumePointCount < 2) in.volumeEnvelopeFlags = 0;
  if (in.panningPointCount < 2) in.panningEnvelopeFlags = 0;
  boundEnvelope(in.volumeEnvelope, in.volumePointCount, in.volumeSustainPoint, in.volumeLoopStart,
                in.volumeLoopEnd, in.volumeEnvelopeFlags);
  boundEnvelope(in.panningEnvelope, in.panningPointCount, in.panningSustainPoint,
                in.panningLoopStart, in.panningLoopEnd, in.panningEnvelopeFlags);
}

// Fills buffer with the sample's n bytes: from the hook when the song has one (the stream then
// skips those bytes), otherwise from the stream.
void fetchSampleBytes(Song* song, StreamHandle* handle, std::uint8_t* buffer, std::uint32_t n,
                      std::uint8_t bits, std::int32_t instrument, std::int32_t sample) {
  if (song->sampleReadHook != nullptr) {
    song->sampleReadHook(buffer, static_cast<std::int32_t>(n), bits, instrument, sample);
    seek(handle, static_cast<std::int32_t>(n), 1);
  } else {
    read(buffer, n, handle);
  }
}

// Reads one sample's data and turns it into plain 16-bit values with the guard value behind
// the loop.
bool readSampleData(Song* song, StreamHandle* handle, Sample& s, bool oddByte,
                    std::int32_t instrument, std::int32_t sample) {
  fitSampleToStream(handle, s);
  if (s.length > 0) {
    const std::uint32_t n = sampleFileBytes(s);
    const std::size_t values = static_cast<std::size_t>(s.length) + SAMPLE_GUARD_VALUES;
    s.data = loadAllocateArray<std::int16_t>(values);
    if (s.data == nullptr) return false;
    if (s.bits == 8) {
      auto* buffer = loadAllocateArray<std::uint8_t>(2 * values);
      if (buffer == nullptr) return false;
      fetchSampleBytes(song, handle, buffer, n, 8, instrument, sample);
      // The stored byte becomes the high byte of the value.
      for (std::uint32_t k = 0; k < s.length; ++k) {
        s.data[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(buffer[k] << 8));
      }
      loadFree(buffer);
      s.bits = 16;
    } else {
      auto* bytes = reinterpret_cast<std::uint8_t*>(s.data);
      fetchSampleBytes(song, handle, bytes, n, 16, instrument, sample);
      for (std::uint32_t k = 0; k < s.length; ++k) {
        const auto word = static_cast<std::uint16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8);
        s.data[k] = static_cast<std::int16_t>(word);
      }
    }
    // The file holds differences; a hook delivers plain values.
    if (song->sampleReadHook == nullptr) {
      std::uint16_t accumulator = 0;
      for (std::uint32_t k = 0; k < s.length; ++k) {
        accumulator =
            static_cast<std::uint16_t>(accumulator + static_cast<std::uint16_t>(s.data[k]));
        s.data[k] = static_cast<std::int16_t>(accumulator);
      }
    }
    // The interpolation partner of the last value before the loop end; the loop lies inside
    // the sample, so this stays within the guard values.
    const std::uint32_t end = s.loopStart + s.loopLength;
    if (s.loopMode == LOOP_FORWARD) s.data[end] = s.data[s.loopStart];
    if (s.loopMode == LOOP_PINGPONG) s.data[end] = s.data[end - 1];
  }
  // The byte a 16-bit sample of odd byte count leaves over: the next sample starts behind it.
  if (oddByte) seek(handle, 1, 1);
  return true;
}

bool readInstrument(Song* song, StreamHandle* handle, std::int32_t index) {
  Instrument& in = song->instruments[index];
  const InstrumentStart start = readInstrumentStart(handle);
  if (start.sampleCount > INSTRUMENT_SAMPLE_SLOTS) return false;
  in.sampleCount = start.sampleCount;
  for (const Sample*& slot : in.samples)
    slot = &EmptySample;
  if (in.sampleCount == 0) {
    seekPastInstrumentHeader(handle, start);
    return true;
  }
  readInstrumentHeader(handle, in);
  seekPastInstrumentHeader(handle, start);

  Sample* own[INSTRUMENT_SAMPLE_SLOTS] = {};
  bool oddByte[INSTRUMENT_SAMPLE_SLOTS] = {};
  for (std::int32_t j = 0; j < in.sampleCount; ++j) {
    own[j] = loadAllocateArray<Sample>(1);
    if (own[j] == nullptr) return false;
    in.samples[j] = own[j];
    oddByte[j] = readSampleHeader(handle, *own[j]);
  }
  for (std::int32_t j = 0; j < in.sampleCount; ++j) {
    if (!readSampleData(song, handle, *own[j], oddByte[j], index, j)) return false;
  }
  return true;
}

}  // namespace

Song* loadSong(const ModuleImage* image, SampleReadHook sampleReadHook) {
  auto* song = loadAllocateArray<Song>(1);
  if (song == nullptr) return nullptr;
  StreamHandle* handle = openStream(image);
  if (handle == nullptr) {
    loadFree(song);
    return nullptr;
  }
  song->sampleReadHook = sampleReadHook;
  const int parsed = parseSong(song, handle, moduleFormatOf(image));
  closeStream(handle);
  if (parsed == 0) {
    freeSong(song);
    return nullptr;
  }
  return song;
}

int parseXm(Song* song, StreamHandle* handle) {
  if (song == nullptr || handle == nullptr) return 0;
  if (!readSignature(handle)) return 0;
  song->tickHandler = runTick;
  song->initialGlobalVolume = 64;

  XmHeader header;
  readXmHeader(handle, header);
  if (headerHasTooManyChannels(header) || headerHasTooManyPatterns(header)) return 0;
  takeHeader(song, header);
  seekTo(handle, static_cast<std::int64_t>(XM_HEADER_OFFSET) + header.headerSize);

  if (!readPatterns(song, handle, header)) return 0;
  if (song->instrumentCount <= 0) return 1;
  song->instruments =
      loadAllocateArray<Instrument>(static_cast<std::size_t>(song->instrumentCount));
  if (song->instruments == nullptr) return 0;
  for (std::int32_t i = 0; i < song->instrumentCount; ++i) {
    if (!readInstrument(song, handle, i)) return 0;
  }
  return 1;
}

int freeSong(Song* song) {
  if (song == nullptr) return 0;
  if (song->instruments != nullptr && song->instrumentCount >= 1) {
    for (std::int32_t i = 0; i < song->instrumentCount; ++i) {
      Instrument& in = song->instruments[i];
      const std::int32_t owned =
          in.sampleCount < INSTRUMENT_SAMPLE_SLOTS ? in.sampleCount : INSTRUMENT_SAMPLE_SLOTS;
      for (std::int32_t j = 0; j < owned; ++j) {
        const Sample* sample = in.samples[j];
        if (sample == nullptr || sample == &EmptySample) continue;
        loadFree(sample->data);
        loadFree(sample);
      }
    }
  }
  loadFree(song->instruments);
  freeSongSamples(*song);
  if (song->patterns != nullptr) {
    for (std::int32_t p = 0; p < song->patternSlotCount; ++p)
      loadFree(song->patterns[p].cells);
    loadFree(song->patterns);
  }
  loadFree(song);
  return 1;
}

}  // namespace player
