// The pieces of an S3M file: the song header with its channel settings, orders and parapointers
// (offsets in 16-byte units), the instrument headers and the packed pattern rows. Values are
// little-endian. The loader, the module check and the texts all read an S3M through these.
#pragma once

#include <cstdint>
#include <string>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

constexpr std::int32_t S3M_SIGNATURE_OFFSET = 44;
constexpr std::int32_t S3M_TITLE_BYTES = 28;
constexpr std::int32_t S3M_CHANNELS = 32;
constexpr std::int32_t S3M_ROWS = 64;
constexpr std::int32_t S3M_INSTRUMENT_NAME_OFFSET = 0x30;
constexpr std::int32_t S3M_INSTRUMENT_NAME_BYTES = 28;
constexpr std::int32_t S3M_MAX_PATTERNS = 256;     // patterns beyond are never played
constexpr std::int32_t S3M_MAX_INSTRUMENTS = 255;  // instruments beyond are never played
// Header flags.
constexpr std::uint16_t S3M_OLD_VIBRATO = 0x01;
constexpr std::uint16_t S3M_AMIGA_LIMITS = 0x10;
constexpr std::uint16_t S3M_FAST_VOLUME_SLIDES = 0x40;
// Instrument types.
constexpr std::uint8_t S3M_SAMPLE = 1;  // 2 and above: AdLib instruments
// Sample flags.
constexpr std::uint8_t S3M_SAMPLE_LOOPS = 0x01;
constexpr std::uint8_t S3M_SAMPLE_STEREO = 0x02;
constexpr std::uint8_t S3M_SAMPLE_16_BIT = 0x04;

// True when the bytes hold "SCRM" at 44.
bool isS3m(const std::uint8_t* bytes, std::uint64_t count);

// The song header as stored, with the offsets the parapointers give.
struct S3mHeader {
  std::uint16_t orderCount, instrumentCount, patternCount;  // as stored
  std::uint16_t flags, trackerVersion, sampleFormat;        // sampleFormat 2: unsigned samples
  std::uint8_t globalVolume, speed, tempo, masterVolume, ultraClick, panningStored;
  std::uint16_t special;
  std::uint8_t channelSettings[S3M_CHANNELS];
  std::uint8_t orders[256];                              // the first 256 stored orders
  std::uint32_t instrumentOffsets[S3M_MAX_INSTRUMENTS];  // of the first instruments
  std::uint32_t patternOffsets[S3M_MAX_PATTERNS];        // of the first patterns, 0: empty
  std::uint8_t channelPanning[S3M_CHANNELS];             // 0 unless panningStored is 252
  std::int32_t instruments;  // instrumentCount, at most S3M_MAX_INSTRUMENTS
  std::int32_t patterns;     // patternCount, at most S3M_MAX_PATTERNS
};
void readS3mHeader(StreamHandle* handle, S3mHeader& header);

// The song channel of each stored channel (-1: not played: unused, disabled or AdLib), and the
// number of song channels.
std::int32_t s3mSongChannels(const S3mHeader& header, std::int32_t songChannel[S3M_CHANNELS]);

// The instrument header at offset as stored.
struct S3mInstrument {
  std::uint8_t type;  // S3M_SAMPLE, 0 empty, 2 and above AdLib
  std::uint32_t dataOffset;
  std::uint32_t length, loopStart, loopEnd;
  std::uint8_t volume, pack, flags;  // flags: 1 loop, 2 stereo, 4 16-bit
  std::uint32_t c2spd;               // the rate of C-4
};
void readS3mInstrument(StreamHandle* handle, std::uint32_t offset, S3mInstrument& instrument);

// Decodes the 64 packed rows of the pattern at offset into cells of the song's channels, with
// notes and effects in the song's terms. Rows cut short by the end of the file stay empty.
void readS3mPattern(StreamHandle* handle, std::uint32_t offset,
                    const std::int32_t songChannel[S3M_CHANNELS], std::int32_t channels,
                    PatternCell* cells);

// The tracker that wrote the file, from its version field: "Scream Tracker 3.21",
// "Impulse Tracker 2.14" and so on; "" when the field names none.
std::string s3mTrackerName(const S3mHeader& header, bool wideSamples);

}  // namespace player
