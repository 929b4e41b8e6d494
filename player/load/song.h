// The song records: what the loader builds from a module and what the replayer plays from.
// Plain records without behaviour; a Song owns everything it points at (freed by freeSong).
// A loaded song is only read while it plays: an engine plays a copy of it (playing_song.h).
#pragma once

#include <cstdint>

#include "player/load/module_format.h"

namespace player {

constexpr std::uint8_t KEY_OFF = 255;  // stored key-off note (97 in the file)

// Sample loop modes; every loaded sample has exactly one of them.
constexpr std::uint8_t LOOP_OFF = 1;
constexpr std::uint8_t LOOP_FORWARD = 2;
constexpr std::uint8_t LOOP_PINGPONG = 4;

constexpr int INSTRUMENT_SAMPLE_SLOTS = 16;
constexpr int SAMPLE_MAP_NOTES = 96;
constexpr int ENVELOPE_POINTS = 12;
constexpr int ORDER_TABLE_SIZE = 256;
constexpr int SAMPLE_GUARD_VALUES = 8;  // zero values behind every sample's data
constexpr int SONG_CHANNEL_SLOTS = 32;  // channels a song may have at most

struct Song;
struct Engine;

// Runs one tick of the song on the engine that plays it.
using TickHandler = void (*)(Engine& engine, Song* song);
using PlayStartHook = void (*)(Song* song);
// Supplies one sample's data instead of the module stream: destination buffer, the bytes the
// sample occupies in the file, its stored bit depth (8 or 16), 0-based instrument and sample index.
using SampleReadHook = void (*)(std::uint8_t* destination, std::int32_t bytes, std::int32_t bits,
                                std::int32_t instrument, std::int32_t sample);

// Five bytes, row-major in Pattern::cells. An empty cell is all zero.
struct PatternCell {
  std::uint8_t note;          // 0 none, 1..96 a note, KEY_OFF, other values as stored
  std::uint8_t instrument;    // 0 none, 1..128
  std::uint8_t volumeColumn;  // as stored
  std::uint8_t effect;        // as stored
  std::uint8_t param;         // as stored
};
static_assert(sizeof(PatternCell) == 5);

struct Pattern {
  std::int32_t rows;
  PatternCell* cells;  // rows x channelCount cells; cell (r, c) is r * channelCount + c
};

struct EnvelopePoint {
  std::uint16_t x;  // position in ticks
  std::uint16_t y;  // value, 0..64
};

struct Sample {
  std::int16_t* data;    // length + 8 values, null when length is 0
  std::uint32_t length;  // values, not bytes
  std::uint32_t loopStart;
  std::uint32_t loopLength;  // equals length for a sample without loop
  std::uint8_t volume;       // 0..64
  std::int8_t finetune;
  std::int32_t panning;   // 0..255
  std::uint8_t bits;      // 16 for every sample that has data, once loaded
  std::uint8_t loopMode;  // LOOP_OFF, LOOP_FORWARD or LOOP_PINGPONG
  std::int8_t relativeNote;
  // The rate C-4 plays at where the format gives one (S3M): under RULE_SCREAM_TRACKER_PERIODS it
  // sets the note's period; 0 where the format has relativeNote and finetune instead.
  std::uint32_t c4Rate;
};

struct Instrument {
  std::int32_t sampleCount;                        // own samples, 0..16
  const Sample* samples[INSTRUMENT_SAMPLE_SLOTS];  // slots past sampleCount: EmptySample
  std::uint8_t sampleMap[SAMPLE_MAP_NOTES];        // slot per note index (note - 1)
  EnvelopePoint volumeEnvelope[ENVELOPE_POINTS];
  EnvelopePoint panningEnvelope[ENVELOPE_POINTS];
  std::uint8_t volumePointCount;
  std::uint8_t panningPointCount;
  std::uint8_t volumeSustainPoint;
  std::uint8_t volumeLoopStart;
  std::uint8_t volumeLoopEnd;
  std::uint8_t panningSustainPoint;
  std::uint8_t panningLoopStart;
  std::uint8_t panningLoopEnd;
  std::uint8_t volumeEnvelopeFlags;   // bit 0 on, bit 1 sustain, bit 2 loop
  std::uint8_t panningEnvelopeFlags;  // same bits
  std::uint8_t vibratoType;
  std::uint8_t vibratoSweep;
  std::uint8_t vibratoDepth;
  std::uint8_t vibratoRate;
  std::uint16_t fadeout;  // twice the file's value, in 16 bits
};

constexpr std::uint8_t ENVELOPE_ON = 0x01;
constexpr std::uint8_t ENVELOPE_SUSTAIN = 0x02;
constexpr std::uint8_t ENVELOPE_LOOP = 0x04;

constexpr std::uint16_t SONG_LINEAR_FREQUENCIES = 0x0001;  // bit of Song::flags

struct Song {
  Pattern* patterns;        // patternSlotCount patterns
  Instrument* instruments;  // instrumentCount instruments; instrument n is element n - 1
  std::int32_t tickSamplesLeft;
  std::int32_t samplesPerTick;
  std::int16_t songLength;
  std::int16_t restartPosition;
  std::int16_t channelCount;
  std::int32_t usedPatternCount;
  std::int32_t patternSlotCount;
  std::int16_t instrumentCount;
  std::uint16_t flags;  // bit 0: linear frequency table
  std::int16_t defaultSpeed;
  std::int16_t defaultBpm;
  std::uint8_t orderTable[ORDER_TABLE_SIZE];
  std::uint8_t initialGlobalVolume;
  std::int32_t globalVolume;
  std::uint8_t globalVolumeSlide;
  std::int32_t tick;
  std::int32_t speed;
  std::int32_t bpm;
  std::int32_t row;
  std::int32_t orderPosition;
  std::int32_t patternDelayTicks;
  std::int32_t nextRow;    // -1: none
  std::int32_t nextOrder;  // -1: none
  std::int32_t playTimeMs;
  PlayStartHook onPlayStart;
  TickHandler tickHandler;
  SampleReadHook sampleReadHook;
  // What formats other than XM need (all zero for an XM song).
  ModuleFormat format;
  std::uint32_t rules;  // RULE_ bits (effects.h): the tracker's rules the song plays by
  std::uint8_t channelPan[SONG_CHANNEL_SLOTS];  // each channel's pan at song start, 0..255
  // The mix's volume, the S3M header's master volume: 64 plays at full scale, 0 (none set, as
  // in XM) as 64.
  std::uint8_t masterVolume;
};

// Shared all-zero stand-ins for missing samples and instruments; never written, never freed.
extern const Sample EmptySample;
extern const Instrument EmptyInstrument;

}  // namespace player
