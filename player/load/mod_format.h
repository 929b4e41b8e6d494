// The pieces of a MOD file: the tag at 1080 that names the channel count (none in Soundtracker's
// 15-sample layout), the sample headers, the order list and the four-byte pattern cells. Values
// are big-endian. The loader, the module check and the texts all read a MOD through these.
#pragma once

#include <cstdint>

#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

constexpr std::int32_t MOD_TAG_OFFSET = 1080;
constexpr std::int32_t MOD_HEADER_BYTES = 1084;          // 31 samples, orders and the tag
constexpr std::int32_t SOUNDTRACKER_HEADER_BYTES = 600;  // 15 samples and orders, no tag
constexpr std::int32_t MOD_TITLE_BYTES = 20;
constexpr std::int32_t MOD_SAMPLE_HEADER_BYTES = 30;
constexpr std::int32_t MOD_SAMPLE_NAME_BYTES = 22;
constexpr std::int32_t MOD_ORDER_SLOTS = 128;
constexpr std::int32_t MOD_ROWS = 64;
constexpr std::int32_t MOD_CELL_BYTES = 4;

// Channels that the tag names, 0 for no tag known. pairedPatterns is set for FLT8, whose
// patterns are stored as two four-channel halves.
std::int32_t modTagChannels(const std::uint8_t* tag, bool& pairedPatterns);

// True for a MOD: a known tag at 1080, or a header and pattern data that only a 15-sample
// Soundtracker file has (sample numbers up to 15, periods near the Amiga's, the order list and
// the patterns it names inside the file).
bool isMod(const std::uint8_t* bytes, std::uint64_t count);

// One sample header as stored, in bytes rather than words.
struct ModSampleHeader {
  std::uint32_t length;
  std::uint32_t loopStart;
  std::uint32_t loopLength;
  std::uint8_t finetune;  // low nibble, a signed 4-bit value
  std::uint8_t volume;
};

// Where things lie in a MOD file, from its header.
struct ModLayout {
  std::int32_t samples;   // 31, or 15 without tag
  std::int32_t channels;  // 1..32
  bool pairedPatterns;
  std::int32_t headerBytes;              // the first pattern's offset
  std::int32_t songLength;               // 0..128 as stored, at most 128
  std::uint8_t restartByte;              // as stored
  std::int32_t patterns;                 // patterns of the song (FLT8: pairs of stored halves)
  std::int32_t patternBytes;             // bytes of one pattern in the file
  std::uint8_t orders[MOD_ORDER_SLOTS];  // as the song numbers its patterns
  std::uint8_t tag[4];                   // as stored (zero without tag)
  ModSampleHeader sampleHeaders[31];
};

// Reads the header through the stream. The pattern count is the highest pattern the whole order
// list names, or, when those patterns would not fit in the file, the highest that the song's
// orders name.
void readModLayout(StreamHandle* handle, ModLayout& layout);

// The offset of the first sample's data.
std::int64_t modSampleDataOffset(const ModLayout& layout);

// Decodes one stored cell into the song's terms: the period becomes the nearest note, the effect
// the player's effect (effects.h).
void decodeModCell(const std::uint8_t* bytes, PatternCell& cell);

// True when the note lies within the Amiga's three octaves (periods 856 to 113).
bool amigaNote(std::uint8_t note);

// The tracker that wrote the file, as far as its tag and traits tell: amigaNotes says whether
// every note lies within the Amiga's octaves.
const char* modTrackerName(const ModLayout& layout, bool amigaNotes);

// The note (1..96) whose ProTracker period at finetune 0 lies nearest the stored period; 0 for 0.
std::uint8_t modPeriodNote(std::uint32_t period);

}  // namespace player
