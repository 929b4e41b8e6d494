// The replayer's effect numbers and the rules by which trackers differ. Every loader translates
// its file's effects into these numbers when it reads the patterns, and sets the rules of the
// tracker that wrote the file; the replayer asks for a rule, never for a format.
#pragma once

#include <cstdint>

namespace player {

// PatternCell::effect. 0 to 35 are the XM effects, numbered by their digit or letter (0-9, then
// A-Z as 10-35), with FastTracker 2's meaning; the numbers among them that XM leaves unused do
// nothing. MOD effects are the XM effects of the same digit and letter; where ProTracker differs,
// a rule says so.
constexpr std::uint8_t EFFECT_ARPEGGIO = 0;                // 0xy
constexpr std::uint8_t EFFECT_PORTAMENTO_UP = 1;           // 1xx
constexpr std::uint8_t EFFECT_PORTAMENTO_DOWN = 2;         // 2xx
constexpr std::uint8_t EFFECT_TONE_PORTAMENTO = 3;         // 3xx
constexpr std::uint8_t EFFECT_VIBRATO = 4;                 // 4xy: speed x, depth y
constexpr std::uint8_t EFFECT_TONE_PORTAMENTO_VOLUME = 5;  // 5xy: 300 and Axy
constexpr std::uint8_t EFFECT_VIBRATO_VOLUME = 6;          // 6xy: 400 and Axy
constexpr std::uint8_t EFFECT_TREMOLO = 7;                 // 7xy
constexpr std::uint8_t EFFECT_SET_PANNING = 8;             // 8xx: 0 left .. 255 right
constexpr std::uint8_t EFFECT_SAMPLE_OFFSET = 9;           // 9xx: from xx * 256 values on
constexpr std::uint8_t EFFECT_VOLUME_SLIDE = 10;           // Axy: up x, else down y
constexpr std::uint8_t EFFECT_POSITION_JUMP = 11;          // Bxx: order xx
constexpr std::uint8_t EFFECT_SET_VOLUME = 12;             // Cxx
constexpr std::uint8_t EFFECT_PATTERN_BREAK = 13;          // Dxy: row x * 10 + y of the next
constexpr std::uint8_t EFFECT_EXTENDED = 14;               // Exy: command x, value y
constexpr std::uint8_t EFFECT_SPEED_TEMPO = 15;            // Fxx: speed below 32, tempo from
constexpr std::uint8_t EFFECT_GLOBAL_VOLUME = 16;          // Gxx: 0..64
constexpr std::uint8_t EFFECT_GLOBAL_VOLUME_SLIDE = 17;    // Hxy
constexpr std::uint8_t EFFECT_KEY_OFF = 20;                // Kxx
constexpr std::uint8_t EFFECT_ENVELOPE_POSITION = 21;      // Lxx
constexpr std::uint8_t EFFECT_PANNING_SLIDE = 25;          // Pxy
constexpr std::uint8_t EFFECT_MULTI_RETRIGGER = 27;        // Rxy: volume change x, every y
constexpr std::uint8_t EFFECT_TREMOR = 29;                 // Txy: on x + 1, off y + 1 ticks
constexpr std::uint8_t EFFECT_EXTRA_FINE_PORTAMENTO = 33;  // X1y up, X2y down
constexpr std::uint8_t XM_EFFECT_COUNT = 36;  // an XM file's numbers from here on do nothing

// The sub-commands of EFFECT_EXTENDED, the x of Exy.
constexpr std::uint8_t EXTENDED_FINE_PORTAMENTO_UP = 0x1;
constexpr std::uint8_t EXTENDED_FINE_PORTAMENTO_DOWN = 0x2;
constexpr std::uint8_t EXTENDED_GLISSANDO = 0x3;
constexpr std::uint8_t EXTENDED_VIBRATO_WAVEFORM = 0x4;
constexpr std::uint8_t EXTENDED_FINETUNE = 0x5;
constexpr std::uint8_t EXTENDED_PATTERN_LOOP = 0x6;  // y = 0 marks the start, else loops y times
constexpr std::uint8_t EXTENDED_TREMOLO_WAVEFORM = 0x7;
constexpr std::uint8_t EXTENDED_SET_PANNING = 0x8;
constexpr std::uint8_t EXTENDED_RETRIGGER = 0x9;
constexpr std::uint8_t EXTENDED_FINE_VOLUME_UP = 0xA;
constexpr std::uint8_t EXTENDED_FINE_VOLUME_DOWN = 0xB;
constexpr std::uint8_t EXTENDED_NOTE_CUT = 0xC;
constexpr std::uint8_t EXTENDED_NOTE_DELAY = 0xD;
constexpr std::uint8_t EXTENDED_PATTERN_DELAY = 0xE;  // the row lasts y rows more

// Effects that XM lacks. The letter effects of S3M and IT (A to Z) translate into these where
// their meaning differs from the XM effect of the same letter or digit, keeping their parameter
// as stored, so that an effect memory holds what the file holds (see letter_effects.h).
constexpr std::uint8_t EFFECT_SET_SPEED = 36;          // Axx: ticks per row; 0 is ignored
constexpr std::uint8_t EFFECT_SET_TEMPO = 37;          // Txx: tempo xx from 32; 0x-1x slide (IT)
constexpr std::uint8_t EFFECT_BREAK_TO_ROW = 38;       // Cxx translated: row xx of the next pattern
constexpr std::uint8_t EFFECT_VOLUME_SLIDE_FINE = 39;  // Dxy: D0y down, Dx0 up, DFy/DxF fine
constexpr std::uint8_t EFFECT_PORTAMENTO_DOWN_FINE = 40;         // Exx: EFx fine, EEx extra fine
constexpr std::uint8_t EFFECT_PORTAMENTO_UP_FINE = 41;           // Fxx: FFx fine, FEx extra fine
constexpr std::uint8_t EFFECT_TREMOR_ON_OFF = 42;                // Ixy: on x, off y ticks
constexpr std::uint8_t EFFECT_ARPEGGIO_MEMORY = 43;              // Jxy: J00 repeats the last one
constexpr std::uint8_t EFFECT_VIBRATO_VOLUME_FINE = 44;          // Kxy: H00 and Dxy
constexpr std::uint8_t EFFECT_TONE_PORTAMENTO_VOLUME_FINE = 45;  // Lxy: G00 and Dxy
constexpr std::uint8_t EFFECT_CHANNEL_VOLUME = 46;               // Mxx (IT)
constexpr std::uint8_t EFFECT_CHANNEL_VOLUME_SLIDE = 47;         // Nxy (IT)
constexpr std::uint8_t EFFECT_PANNING_SLIDE_FINE = 48;           // Pxy (IT)
constexpr std::uint8_t EFFECT_RETRIGGER_VOLUME = 49;             // Qxy: volume change x, every y
constexpr std::uint8_t EFFECT_TREMOLO_MEMORY = 50;               // Rxy
constexpr std::uint8_t EFFECT_SPECIAL = 51;                      // Sxy, sub-commands below
constexpr std::uint8_t EFFECT_FINE_VIBRATO = 52;                 // Uxy: a quarter of Hxy
constexpr std::uint8_t EFFECT_GLOBAL_VOLUME_SLIDE_FINE = 53;     // Wxy (IT)
constexpr std::uint8_t EFFECT_PANBRELLO = 54;                    // Yxy (IT)
constexpr std::uint8_t EFFECT_MIDI_MACRO = 55;                   // Zxx (IT)
constexpr std::uint8_t EFFECT_VIBRATO_LETTER = 56;               // Hxy: vibrato by S3M/IT rules
// The player's pan for a position `fromLeft` of 0 (left) to 255 (right), as trackers count it:
// the player's pan byte sounds in the left output at 255 and in the right at 0.
constexpr std::uint8_t playerPan(std::uint32_t fromLeft) {
  return static_cast<std::uint8_t>(255 - (fromLeft > 255 ? 255 : fromLeft));
}

// An effect that a file holds but the player does nothing with; XM effects from XM_EFFECT_COUNT
// on are stored as this.
constexpr std::uint8_t EFFECT_NONE = 255;

// The sub-commands of EFFECT_SPECIAL, the x of Sxy.
constexpr std::uint8_t SPECIAL_FILTER = 0x0;
constexpr std::uint8_t SPECIAL_GLISSANDO = 0x1;
constexpr std::uint8_t SPECIAL_FINETUNE = 0x2;
constexpr std::uint8_t SPECIAL_VIBRATO_WAVEFORM = 0x3;
constexpr std::uint8_t SPECIAL_TREMOLO_WAVEFORM = 0x4;
constexpr std::uint8_t SPECIAL_PANBRELLO_WAVEFORM = 0x5;  // IT
constexpr std::uint8_t SPECIAL_FINE_PATTERN_DELAY = 0x6;  // IT: the row lasts y ticks more
constexpr std::uint8_t SPECIAL_NOTE_ACTION = 0x7;         // IT: past notes and new-note actions
constexpr std::uint8_t SPECIAL_SET_PANNING = 0x8;
constexpr std::uint8_t SPECIAL_SOUND_CONTROL = 0x9;  // surround and the like
constexpr std::uint8_t SPECIAL_HIGH_OFFSET = 0xA;    // IT; ST3's old stereo control
constexpr std::uint8_t SPECIAL_PATTERN_LOOP = 0xB;   // y = 0 marks the start, else loops y times
constexpr std::uint8_t SPECIAL_NOTE_CUT = 0xC;
constexpr std::uint8_t SPECIAL_NOTE_DELAY = 0xD;
constexpr std::uint8_t SPECIAL_PATTERN_DELAY = 0xE;  // the row is played y times more
constexpr std::uint8_t SPECIAL_MACRO = 0xF;          // IT: active macro; ST3: funk repeat

// Tracker rules: bits of Song::rules. An XM song has none and plays by FastTracker 2's rules;
// the MOD and S3M loaders set those of the tracker that wrote the file.
//
// ProTracker (MOD).
// Notes and portamenti keep the period within the Amiga's three octaves (113 to 856, times 4 in
// the player's period units, the highest pitch a quarter unit lower: 453). Also Scream Tracker's
// "Amiga limits" flag.
constexpr std::uint32_t RULE_AMIGA_PERIOD_LIMITS = 1u << 0;
// The row tick applies no vibrato (ProTracker).
constexpr std::uint32_t RULE_PROTRACKER_OSCILLATORS = 1u << 1;
// Vibrato lowers the pitch in the first half of its cycle (ProTracker, Scream Tracker 3, Impulse
// Tracker, as measured against the reference player); FastTracker 2 raises it.
constexpr std::uint32_t RULE_VIBRATO_FALLS_FIRST = 1u << 13;
// A sample offset beyond the sample's end starts the note at its loop (a sample without a loop
// stays silent, as in FastTracker 2).
constexpr std::uint32_t RULE_PROTRACKER_OFFSET = 1u << 2;
// Periods count the clock of the PAL Amiga (3,546,895 Hz for the file's periods): C-4 at
// period 1712 plays 8,287 Hz rather than 8,363.
constexpr std::uint32_t RULE_PAL_CLOCK = 1u << 3;
//
// Shared by ProTracker, Scream Tracker 3 and Impulse Tracker.
// Channels start at Song::channelPan and keep their pan across notes: samples have none.
constexpr std::uint32_t RULE_CHANNEL_PANNING = 1u << 4;
// A pattern delay plays the row again y times at the speed the row leaves, each time with the
// tick counter from 0 and without its notes (FastTracker 2 lengthens the row by y times the
// speed in force where the delay stands among the channels, its tick counter running on).
constexpr std::uint32_t RULE_ROW_REPEAT_DELAY = 1u << 5;
// A tick lasts the whole frames of its length at the tempo (2.5 / tempo seconds), the fraction
// dropped, as the trackers' timers count it; FastTracker 2's rounds to the nearest frame.
constexpr std::uint32_t RULE_WHOLE_FRAME_TICKS = 1u << 6;
// A tempo set on a row takes effect from the row's second tick: the tick that sets it has
// already been timed (ProTracker's CIA timer).
constexpr std::uint32_t RULE_TEMPO_AT_NEXT_TICK = 1u << 14;
// An instrument without a note leaves the note playing and swaps in the instrument's sample where
// the playing one ends its loop (or ends, without a loop): the new sample's loop plays from
// there, or nothing where it has none (ProTracker on the Amiga's sound chip).
constexpr std::uint32_t RULE_SAMPLE_SWAP = 1u << 15;
// A note's period is ProTracker's (protrackerPeriod, pitch.h): its table's whole periods for
// finetune 0, rather than the Amiga table's evenly tempered ones.
constexpr std::uint32_t RULE_PROTRACKER_PERIODS = 1u << 17;
// E9x counts from the row's start: a row without a note retriggers on its row tick too (and a
// row played again by a pattern delay, on the first tick of each repetition); the row's own
// note is not retriggered as it starts.
constexpr std::uint32_t RULE_PROTRACKER_RETRIGGER = 1u << 18;
//
// Scream Tracker 3 and Impulse Tracker's Amiga slides.
// A note's period is Scream Tracker's, from its sample's C-4 rate: 8363 x 16 x the semitone's
// period in octave 0 / (the C-4 rate x 2^octave), in whole units (C-4 at 8,363 Hz is 1712), and
// it sounds at 8363 x 1712 / period Hz.
constexpr std::uint32_t RULE_SCREAM_TRACKER_PERIODS = 1u << 16;
// With RULE_SCREAM_TRACKER_PERIODS: a note plays at its sample's C-4 rate x 2^(semitones / 12)
// exactly, as Impulse Tracker plays S3M files; its period keeps the 256ths of a unit that the
// whole units of slides and vibrato leave as they are.
constexpr std::uint32_t RULE_EXACT_NOTE_RATES = 1u << 20;
//
// Scream Tracker 3 (S3M).
// One memory per channel for the parameters of D, E, F, I, J, K, L, Q, R and S: a zero
// parameter of any of them takes the last non-zero parameter of any of them.
constexpr std::uint32_t RULE_SHARED_EFFECT_MEMORY = 1u << 7;
// Volume slides act on the row tick too (Scream Tracker 3.00, or the file's flag).
constexpr std::uint32_t RULE_FAST_VOLUME_SLIDES = 1u << 8;
// Dxy with both x and y neither 0 nor F slides down by y (Impulse Tracker ignores it).
constexpr std::uint32_t RULE_SLIDE_DOWN_WINS = 1u << 9;
// Scream Tracker 2's vibrato, from files that ask for it: twice the depth.
constexpr std::uint32_t RULE_OLD_VIBRATO = 1u << 10;
// Vibrato moves the period in single units (Scream Tracker's periods are a quarter of
// ProTracker's), not in whole multiples of four.
constexpr std::uint32_t RULE_VIBRATO_SINGLE_UNITS = 1u << 22;
// Qxy counts its ticks across rows, the row ticks included, from the note that starts it: it
// retriggers each time the count reaches y (FastTracker 2's Rxy counts within the row).
constexpr std::uint32_t RULE_RETRIGGER_COUNTS_ON = 1u << 19;
// Voice gains count 256ths of FastTracker 2's 255 gain steps, so that quiet notes keep their
// level and their pan (the trackers mix at 16 bits and more).
constexpr std::uint32_t RULE_FINE_GAINS = 1u << 21;
// A note off (^^ in the pattern) cuts the note: the volume goes to 0.
constexpr std::uint32_t RULE_NOTE_OFF_CUTS = 1u << 11;
// Vibrato and tremolo start their waves again with each note played (unless the waveform says
// they continue), and only then: an instrument alone, or with a tone portamento's note, leaves
// them running (FastTracker 2 restarts them with every instrument number). Also ProTracker's.
constexpr std::uint32_t RULE_NOTES_RESTART_WAVES = 1u << 25;
// Notes start and stop at once, as the trackers' own players do: voices ramp their gain in 16
// frames up and 42 down (at 44,100 Hz) where FastTracker 2's ramps take 128 either way, so the
// first milliseconds of short samples are heard.
constexpr std::uint32_t RULE_QUICK_RAMPS = 1u << 26;
//
// Impulse Tracker (IT).
// S6x lengthens the row by x ticks (several in a row add up), and each time a row repeat
// (SEx) plays the row again, by as many.
constexpr std::uint32_t RULE_FINE_PATTERN_DELAY = 1u << 23;
// T0x slides the tempo down by x on every tick but the row's first, T1x up, within 32..255.
constexpr std::uint32_t RULE_TEMPO_SLIDES = 1u << 24;
// T00 takes its channel's last T parameter again: a slide goes on, a tempo is set again.
constexpr std::uint32_t RULE_TEMPO_MEMORY = 1u << 25;
// Of several row repeats (SEx) in one row the first, in channel order, counts (SE0 too).
constexpr std::uint32_t RULE_FIRST_ROW_REPEAT = 1u << 26;
// A jump (B) after a break (C) in the same row goes to the break's row of the order it names,
// rather than its row 0.
constexpr std::uint32_t RULE_JUMP_KEEPS_BREAK_ROW = 1u << 27;
// A note sounds at its sample's C-5 rate x 1712 / its period, not in tempered semitones: the
// period of its semitone in Scream Tracker's table x 32, halved as a whole number once per
// octave (C-5's is 1712). So the IT files of ModPlug Tracker (up to OpenMPT 1.17, which their
// header names) are played.
constexpr std::uint32_t RULE_PERIOD_TABLE_NOTES = 1u << 28;
// A note on a key of the instrument's keyboard that names no sample sends the channel's note to
// the background by its new-note action, as ModPlug Tracker plays its IT files (Impulse Tracker
// ignores such a note).
constexpr std::uint32_t RULE_EMPTY_KEYS_RELEASE = 1u << 29;
//
// Tempo from 33 (Txx below 33 ignored), speed from 1 (A00 ignored); Scream Tracker 3.
constexpr std::uint32_t RULE_SCREAM_TRACKER_LIMITS = 1u << 12;

}  // namespace player
