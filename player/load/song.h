// The song records: what the loader builds from a module and what the replayer plays from.
// Plain records without behaviour; a Song owns everything it points at (freed by freeSong).
// A loaded song is only read while it plays: an engine plays a copy of it (playing_song.h).
#pragma once

#include <cstdint>

#include "player/load/module_format.h"

namespace player {

constexpr std::uint8_t KEY_OFF = 255;  // stored key-off note (97 in the file)

constexpr std::uint8_t NOTE_CUT = 254;   // stops the note at once
constexpr std::uint8_t NOTE_FADE = 253;  // starts the instrument's fadeout

// Sample loop modes; every loaded sample has exactly one of them.
constexpr std::uint8_t LOOP_OFF = 1;
constexpr std::uint8_t LOOP_FORWARD = 2;
constexpr std::uint8_t LOOP_PINGPONG = 4;

constexpr int INSTRUMENT_SAMPLE_SLOTS = 16;
constexpr int SAMPLE_MAP_NOTES = 96;
constexpr int ENVELOPE_POINTS = 12;
constexpr int ORDER_TABLE_SIZE = 256;
constexpr int SAMPLE_GUARD_VALUES = 8;  // zero values behind every sample's data
constexpr int KEYBOARD_NOTES = 120;     // C-0 to B-9: the notes an instrument's keyboard maps
constexpr int ENVELOPE_NODES = 25;      // nodes of a NodeEnvelope
constexpr int SONG_CHANNELS = 64;       // channels the per-channel song settings cover
constexpr int PARAMETERED_MACROS = 16;  // SF0..SFF
constexpr int FIXED_MACROS = 128;       // Z80..ZFF
constexpr int SONG_CHANNEL_SLOTS = 32;  // channels a song may have at most

struct Song;
struct Engine;

// Runs one tick of the song on the engine that plays it.
using TickHandler = void (*)(Engine& engine, Song* song);
using PlayStartHook = void (*)(Engine& engine, Song* song);
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
  // Pitch, volume and loops of the trackers that tune samples in Hz; zero for XM samples.
  std::uint32_t c5Speed;       // Hz of the note C-5; 0: the sample is tuned by finetune
  std::uint8_t globalVolume;   // 0..64, scales every note of the sample
  std::uint8_t usesPanning;    // 1: notes of the sample start at `panning`
  std::uint8_t sustainMode;    // LOOP_OFF, LOOP_FORWARD or LOOP_PINGPONG
  std::uint32_t sustainStart;  // the sustain loop, played until the note is released
  std::uint32_t sustainLength;
  // The same sample with the sustain loop as its loop, for the mixer while the note is held;
  // its own copy of the values up to the loop's end. Null without a sustain loop.
  Sample* sustained;
  std::uint8_t vibratoSpeed;  // sample vibrato: 0..64
  std::uint8_t vibratoDepth;  // 0..64
  std::uint8_t vibratoRate;   // 0..64: how fast the vibrato reaches its depth
  std::uint8_t vibratoType;   // 0 sine, 1 ramp down, 2 square, 3 random
  // The rate C-4 plays at where the format gives one (S3M): under RULE_SCREAM_TRACKER_PERIODS it
  // sets the note's period; 0 where the format has relativeNote and finetune instead.
  std::uint32_t c4Rate;
};

// An envelope of up to 25 nodes with a loop and a sustain loop between nodes. Node ticks never
// decrease; values are 0..64 for volume, -32..32 for panning, pitch and filter.
struct EnvelopeNode {
  std::uint16_t tick;
  std::int8_t value;
};

struct NodeEnvelope {
  std::uint8_t flags;      // ENVELOPE_ON, ENVELOPE_LOOP, ENVELOPE_SUSTAIN, ENVELOPE_CARRY,
                           // ENVELOPE_FILTER; the loops only name nodes below nodeCount
  std::uint8_t nodeCount;  // 0..25
  std::uint8_t loopStart;
  std::uint8_t loopEnd;
  std::uint8_t sustainStart;
  std::uint8_t sustainEnd;
  EnvelopeNode nodes[ENVELOPE_NODES];
};

// New-note actions: what happens to a note still sounding on a channel when the next starts.
constexpr std::uint8_t NNA_CUT = 0;
constexpr std::uint8_t NNA_CONTINUE = 1;
constexpr std::uint8_t NNA_NOTE_OFF = 2;
constexpr std::uint8_t NNA_NOTE_FADE = 3;
// Duplicate checks: which earlier notes of the channel the new note counts as its own.
constexpr std::uint8_t DUPLICATE_OFF = 0;
constexpr std::uint8_t DUPLICATE_NOTE = 1;
constexpr std::uint8_t DUPLICATE_SAMPLE = 2;
constexpr std::uint8_t DUPLICATE_INSTRUMENT = 3;
// What a duplicate gets.
constexpr std::uint8_t DUPLICATE_CUT = 0;
constexpr std::uint8_t DUPLICATE_NOTE_OFF = 1;
constexpr std::uint8_t DUPLICATE_NOTE_FADE = 2;

constexpr std::uint8_t FILTER_UNSET = 0xFF;  // no initial filter cutoff or resonance

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
  std::uint16_t fadeout;  // drop per tick of a fading note from 65536 (an XM file's value x 2)
  // Keyboard instruments (the trackers that map notes to samples of the song); zero for XM.
  std::uint8_t keyboardNote[KEYBOARD_NOTES];    // the note each note plays, 0..119
  std::uint8_t keyboardSample[KEYBOARD_NOTES];  // sample number in Song::samples, 0: none
  NodeEnvelope volumeNodes;
  NodeEnvelope panningNodes;
  NodeEnvelope pitchNodes;
  std::uint8_t newNoteAction;      // NNA_...
  std::uint8_t duplicateCheck;     // DUPLICATE_OFF, _NOTE, _SAMPLE, _INSTRUMENT
  std::uint8_t duplicateAction;    // DUPLICATE_CUT, _NOTE_OFF, _NOTE_FADE
  std::int8_t pitchPanSeparation;  // -32..32: pan moves by (note - centre) x this / 8
  std::uint8_t pitchPanCentre;     // 0..119
  std::uint8_t globalVolume;       // 0..128
  std::uint8_t usesPanning;        // 1: notes start at `panning`
  std::uint8_t panning;            // 0..64
  std::uint8_t randomVolume;       // 0..100: percent a note's volume may vary
  std::uint8_t randomPanning;      // 0..64: how far a note's pan may vary
  std::uint8_t filterCutoff;       // 0..127, or FILTER_UNSET
  std::uint8_t filterResonance;    // 0..127, or FILTER_UNSET
};

// What a MIDI macro does to the channel's resonant filter; the player sends no MIDI, so other
// macros do nothing.
constexpr std::uint8_t MACRO_NONE = 0;
constexpr std::uint8_t MACRO_CUTOFF = 1;
constexpr std::uint8_t MACRO_RESONANCE = 2;

struct FilterMacro {
  std::uint8_t target;         // MACRO_NONE, MACRO_CUTOFF or MACRO_RESONANCE
  std::uint8_t fromParameter;  // 1: the value is the Zxx parameter (00..7F)
  std::uint8_t value;          // 0..127 otherwise
};

struct MacroSet {
  FilterMacro parametered[PARAMETERED_MACROS];  // Z00..Z7F run the one SFx selected
  FilterMacro fixed[FIXED_MACROS];              // Z80..ZFF
};

// Bits of Song::playRules: how the song's tracker plays what the model holds alike.
constexpr std::uint32_t PLAY_INSTRUMENT_MODE = 0x0001;  // else every instrument stands for a
                                                        // sample: no envelopes or background notes
constexpr std::uint32_t PLAY_OLD_EFFECTS = 0x0002;      // the tracker's old-effects switch
constexpr std::uint32_t PLAY_COMPATIBLE_GXX = 0x0004;   // Gxx shares E/F's memory, retriggers
                                                        // envelopes and keeps the note going
constexpr std::uint32_t PLAY_MONO = 0x0008;             // every channel plays in the centre

// Per-channel settings, Song::channelFlags.
constexpr std::uint8_t CHANNEL_SURROUND = 0x01;  // played in the centre
constexpr std::uint8_t CHANNEL_SILENCED = 0x02;  // notes are not played; effects still run

constexpr std::uint8_t ENVELOPE_ON = 0x01;
constexpr std::uint8_t ENVELOPE_SUSTAIN = 0x02;
constexpr std::uint8_t ENVELOPE_LOOP = 0x04;
constexpr std::uint8_t ENVELOPE_CARRY = 0x08;   // a new note goes on from where the last one was
constexpr std::uint8_t ENVELOPE_FILTER = 0x80;  // the pitch envelope drives the filter cutoff

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
  std::int32_t tempoSlide;  // the row's tempo change on each tick after its first
  std::int32_t nextRow;     // -1: none
  std::int32_t nextOrder;   // -1: none
  std::int32_t playTimeMs;
  PlayStartHook onPlayStart;
  TickHandler tickHandler;
  SampleReadHook sampleReadHook;
  // What the trackers after XM keep; XM songs leave them zero.
  Sample* samples;  // sampleCount samples of the song, owned (keyboard instruments)
  std::int32_t sampleCount;
  std::uint32_t playRules;         // PLAY_...
  std::uint8_t globalVolumeRange;  // full scale of initialGlobalVolume: 128 (0: 64)
  std::uint8_t mixingVolume;       // 0..128
  std::uint8_t panSeparation;      // 0..128, 128 full stereo
  std::uint16_t trackerVersion;    // as the file states it (0x0214 for Impulse Tracker 2.14)
  std::uint16_t formatVersion;     // the oldest tracker version that reads the file
  std::uint8_t channelVolume[SONG_CHANNELS];  // 0..64
  std::uint8_t channelFlags[SONG_CHANNELS];   // CHANNEL_...
  MacroSet macros;
  // What formats other than XM need (all zero for an XM song).
  ModuleFormat format;
  std::uint32_t rules;  // RULE_ bits (effects.h): the tracker's rules the song plays by
  std::uint8_t channelPan[SONG_CHANNELS];  // each channel's pan at song start, 0..255
  // The mix's volume, the S3M header's master volume: 64 plays at full scale, 0 (none set, as
  // in XM) as 64.
  std::uint8_t masterVolume;
};

// Shared all-zero stand-ins for missing samples and instruments; never written, never freed.
extern const Sample EmptySample;
extern const Instrument EmptyInstrument;

}  // namespace player
