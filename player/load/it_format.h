// The pieces of an Impulse Tracker file, read through the module stream as the file stores them:
// the song header with its offset tables, instrument headers (the format before 2.0 and after),
// sample headers and packed patterns. Offsets in the file are absolute; reads past its end give 0.
#pragma once

#include <cstdint>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

constexpr std::int32_t IT_HEADER_SIZE = 0xC0;  // the order list follows
constexpr std::int32_t IT_INSTRUMENT_SIZE = 554;
constexpr std::int32_t IT_SAMPLE_HEADER_SIZE = 0x50;
constexpr std::int32_t IT_MACRO_TEXT = 32;  // bytes of one macro in the embedded configuration
constexpr std::int32_t IT_GLOBAL_MACROS = 9;
// Instruments and samples a song keeps: the pattern and keyboard bytes number no more.
constexpr std::int32_t IT_MAX_INSTRUMENTS = 255;
constexpr std::int32_t IT_MAX_SAMPLES = 255;
constexpr std::int32_t IT_MAX_PATTERNS = 256;
constexpr std::int32_t IT_EMPTY_PATTERN_ROWS = 64;  // a pattern stored at offset 0
constexpr std::int32_t IT_MAX_ROWS = 1024;          // no tracker writes longer patterns
constexpr std::uint8_t IT_ORDER_SKIP = 254;         // "+++": play the next order
constexpr std::uint8_t IT_ORDER_END = 255;          // "---": the song ends

// Header flag bits.
constexpr std::uint16_t IT_STEREO = 0x0001;
constexpr std::uint16_t IT_INSTRUMENTS = 0x0004;
constexpr std::uint16_t IT_LINEAR_SLIDES = 0x0008;
constexpr std::uint16_t IT_OLD_EFFECTS = 0x0010;
constexpr std::uint16_t IT_COMPATIBLE_GXX = 0x0020;
// Special bits.
constexpr std::uint16_t IT_SPECIAL_MESSAGE = 0x0001;
constexpr std::uint16_t IT_SPECIAL_HISTORY = 0x0002;
constexpr std::uint16_t IT_SPECIAL_MACROS = 0x0008;
// Channel pan byte.
constexpr std::uint8_t IT_PAN_SURROUND = 100;
constexpr std::uint8_t IT_PAN_DISABLED = 0x80;

// Reads the 4 bytes at offset 0: true when they are "IMPM".
bool readItSignature(StreamHandle* handle);

struct ItHeader {
  std::uint16_t orderCount;
  std::uint16_t instrumentCount;
  std::uint16_t sampleCount;
  std::uint16_t patternCount;
  std::uint16_t trackerVersion;  // Cwt/v
  std::uint16_t formatVersion;   // Cmwt
  std::uint16_t flags;
  std::uint16_t special;
  std::uint8_t globalVolume;
  std::uint8_t mixingVolume;
  std::uint8_t speed;
  std::uint8_t tempo;
  std::uint8_t panSeparation;
  std::uint16_t messageLength;
  std::uint32_t messageOffset;
  std::uint8_t channelPan[SONG_CHANNELS];
  std::uint8_t channelVolume[SONG_CHANNELS];
};

// True for the versions of a file ModPlug Tracker wrote (up to OpenMPT 1.17): tracker 0x0888, or
// format version 0x0200 with tracker version 0x0214 or 0x0217 (Impulse Tracker's own 2.14 files say
// format 0x0214).
bool modplugIt(std::uint16_t trackerVersion, std::uint16_t formatVersion);

void readItHeader(StreamHandle* handle, ItHeader& header);

// Offset of the first order, instrument, sample and pattern offset, and of what follows them.
std::int64_t itInstrumentTable(const ItHeader& header);
std::int64_t itSampleTable(const ItHeader& header);
std::int64_t itPatternTable(const ItHeader& header);
std::int64_t itAfterTables(const ItHeader& header);

// The n-th 32-bit offset of a table (0 for what lies past the file's end).
std::uint32_t readItOffset(StreamHandle* handle, std::int64_t table, std::int32_t n);

// Where the embedded macro configuration starts, or -1 when the file has none.
std::int64_t itMacroOffset(StreamHandle* handle, const ItHeader& header);

// Reads the instrument at offset into a zero-filled instrument: the format before 2.0 when
// oldFormat, else the current one. Envelopes come out bounded as NodeEnvelope promises.
void readItInstrument(StreamHandle* handle, std::int64_t offset, bool oldFormat, Instrument& in);

// Sample header flag bits.
constexpr std::uint8_t IT_SAMPLE_DATA = 0x01;
constexpr std::uint8_t IT_SAMPLE_16BIT = 0x02;
constexpr std::uint8_t IT_SAMPLE_STEREO = 0x04;
constexpr std::uint8_t IT_SAMPLE_COMPRESSED = 0x08;
constexpr std::uint8_t IT_SAMPLE_LOOP = 0x10;
constexpr std::uint8_t IT_SAMPLE_SUSTAIN = 0x20;
constexpr std::uint8_t IT_SAMPLE_PINGPONG = 0x40;
constexpr std::uint8_t IT_SAMPLE_SUSTAIN_PINGPONG = 0x80;
// Convert bits.
constexpr std::uint8_t IT_CONVERT_SIGNED = 0x01;
constexpr std::uint8_t IT_CONVERT_BIG_ENDIAN = 0x02;
constexpr std::uint8_t IT_CONVERT_DELTA = 0x04;  // with compression: the 2.15 scheme

struct ItSampleHeader {
  std::uint8_t globalVolume;
  std::uint8_t flags;
  std::uint8_t volume;
  std::uint8_t convert;
  std::uint8_t panning;  // bits 0..6 the pan, bit 7 set: use it
  std::uint32_t length;  // values per channel
  std::uint32_t loopStart;
  std::uint32_t loopEnd;
  std::uint32_t c5Speed;
  std::uint32_t sustainStart;
  std::uint32_t sustainEnd;
  std::uint32_t dataOffset;
  std::uint8_t vibratoSpeed;
  std::uint8_t vibratoDepth;
  std::uint8_t vibratoRate;
  std::uint8_t vibratoType;
};
void readItSampleHeader(StreamHandle* handle, std::int64_t offset, ItSampleHeader& header);

// Takes the header's settings into a zero-filled sample, lengths and loops as stored: the loader
// fits them to the data it finds.
void takeItSampleHeader(const ItSampleHeader& header, Sample& sample);

// One unpacked cell as the pattern stores it; `fields` says which of the others it holds.
constexpr std::uint8_t IT_CELL_NOTE = 0x01;
constexpr std::uint8_t IT_CELL_INSTRUMENT = 0x02;
constexpr std::uint8_t IT_CELL_VOLUME = 0x04;
constexpr std::uint8_t IT_CELL_EFFECT = 0x08;

struct ItCell {
  std::uint8_t fields;
  std::uint8_t note;        // 0..119, 254 cut, 255 off, 120..253 fade
  std::uint8_t instrument;  // 1..
  std::uint8_t volume;      // 0..212 as stored
  std::uint8_t effect;      // 1 = A .. 26 = Z
  std::uint8_t param;
};

// The rows of the pattern at offset: IT_EMPTY_PATTERN_ROWS for offset 0 or a stored count of 0,
// at most IT_MAX_ROWS.
std::int32_t itPatternRows(StreamHandle* handle, std::uint32_t offset);

// Unpacks the pattern at offset into cells, rows x SONG_CHANNELS zero-filled cells (row-major),
// or with cells null only looks at it. Raises highestChannel to the highest channel the pattern
// stores a cell in. Stops at the end of the stored bytes or of the file.
void unpackItPattern(StreamHandle* handle, std::uint32_t offset, ItCell* cells,
                     std::int32_t& highestChannel);

}  // namespace player
