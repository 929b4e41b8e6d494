// The pieces of an XM file, read through the module stream: song header, pattern headers and
// cells, the start of an instrument, sample headers, and how much sample data the file holds.
// The loader and the module check both walk a file with these, so they agree on every byte.
#pragma once

#include <cstdint>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

constexpr std::int32_t XM_SIGNATURE_LENGTH = 17;
constexpr std::int32_t XM_HEADER_OFFSET = 60;  // the song header size is counted from here
constexpr std::int32_t MAX_HEADER_PATTERNS = 256;
constexpr std::int32_t MAX_SONG_LENGTH = ORDER_TABLE_SIZE;
constexpr std::uint8_t FILE_KEY_OFF = 97;
constexpr std::uint8_t MAX_INSTRUMENT_NUMBER = 128;
// The pattern cells one song may hold: far beyond any tracker's songs (256 patterns of 1,024 rows
// on 32 channels are half of it), and 80 MiB of memory at most.
constexpr std::uint64_t MAX_PATTERN_CELLS = std::uint64_t{1} << 24;
constexpr std::int32_t MISSING_PATTERN_ROWS =
    64;  // rows of a pattern the orders name but the file lacks

// Little-endian values; bytes past the end of the module read as 0.
std::uint8_t readU8(StreamHandle* handle);
std::uint16_t readU16(StreamHandle* handle);
std::uint32_t readU32(StreamHandle* handle);

// Moves to an absolute module offset; offsets past the end stop at the end.
void seekTo(StreamHandle* handle, std::int64_t offset);
// True once the position has reached the end of the module (or for a null handle).
bool streamAtEnd(const StreamHandle* handle);

// Reads the 17 bytes at offset 0: true when they are "Extended Module: " exactly.
bool readSignature(StreamHandle* handle);

// The song header from offset 60, as stored.
struct XmHeader {
  std::uint32_t headerSize;
  std::uint16_t songLength;
  std::uint16_t restartPosition;
  std::uint16_t channelCount;
  std::uint16_t patternCount;
  std::uint16_t instrumentCount;
  std::uint16_t flags;
  std::uint16_t defaultSpeed;
  std::uint16_t defaultBpm;
  std::uint8_t orderTable[ORDER_TABLE_SIZE];
};
void readXmHeader(StreamHandle* handle, XmHeader& header);

// The channel count as the song holds it (the file's bits read as signed).
std::int32_t headerChannels(const XmHeader& header);
// True when the player cannot play a song with this header: more channels than the channel
// table holds, or more patterns than there are pattern numbers.
bool headerHasTooManyChannels(const XmHeader& header);
bool headerHasTooManyPatterns(const XmHeader& header);

// The song length the song keeps (the stored count read as signed, at most 256), and one more
// than the highest pattern number among that many orders (0 for none).
std::int32_t headerSongLength(const XmHeader& header);
std::int32_t headerUsedPatterns(const XmHeader& header);

// Cells of a pattern of `rows` rows on `channels` channels; none without channels.
std::uint64_t patternCells(std::int32_t channels, std::uint32_t rows);

struct PatternHeader {
  std::uint16_t rows;
  std::uint16_t packedSize;  // 0: the pattern has no cell data
};
// Reads the 9-byte pattern header.
PatternHeader readPatternHeader(StreamHandle* handle);

// Decodes one packed or plain cell into a zero-filled cell, storing note 97 as KEY_OFF,
// instrument numbers above 128 as 0 and effect numbers from XM_EFFECT_COUNT on as EFFECT_NONE.
void readPatternCell(StreamHandle* handle, PatternCell& cell);

// Decodes up to count cells; once the module has ended the rest stay as they are, since reads
// at the end yield nothing.
void readPatternCells(StreamHandle* handle, PatternCell* cells, std::uint64_t count);

struct InstrumentStart {
  std::int32_t start;        // offset of the instrument's first byte
  std::uint32_t headerSize;  // the sample headers begin at start + headerSize
  std::uint16_t sampleCount;
};
// Reads the header size and the sample count, leaving the stream at offset 29 of the instrument.
InstrumentStart readInstrumentStart(StreamHandle* handle);
// Moves to the first sample header (or, without samples, the next instrument).
void seekPastInstrumentHeader(StreamHandle* handle, const InstrumentStart& instrument);

// Reads one 40-byte sample header into a zero-filled sample: lengths converted to values,
// loop mode and bit depth set, a sample without loop covering its whole length. True when a
// 16-bit sample's byte count is odd, whose leftover byte follows its data in the file.
bool readSampleHeader(StreamHandle* handle, Sample& sample);

// Shortens the sample to the values the module still holds from the stream position, then
// keeps the loop inside the sample: a loop starting at or beyond the end turns the loop off,
// one running past the end is cut there.
void fitSampleToStream(const StreamHandle* handle, Sample& sample);

// The bytes the sample's values take in the file (bits is still the stored depth).
std::uint32_t sampleFileBytes(const Sample& sample);

}  // namespace player
