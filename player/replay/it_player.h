// The state of an Impulse Tracker song while it plays: the song's channels (what the patterns
// steer) and the notes sounding in the voice pool, each channel's current note in the
// foreground and the notes new-note actions left behind in the background. One tick of the song
// at a time: row processing on the first tick of a row, effects on the others, then every
// sounding note's envelopes, fadeout and vibrato into its mixer voice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "player/load/song.h"
#include "player/mixer/voice.h"

namespace player {

struct Engine;

// Notes sounding at once: the song's channels' own and the background ones. When every one is
// taken, the quietest background note gives up its place.
constexpr int IT_NOTES = VOICE_POOL_SIZE;

struct EnvelopeCursor {
  std::int32_t tick;  // position in ticks since the note started
  bool ended;         // past the last node
};

// A sounding note: what it plays and how it is shaped. Its mixer voice is the pool's voice of
// the same index.
struct ItNote {
  bool active;
  bool background;           // no longer steered by its channel
  std::uint8_t channel;      // the channel that started it
  std::uint8_t patternNote;  // as the pattern wrote it, 0..119
  std::uint8_t instrumentNumber;
  std::uint8_t sampleNumber;  // 1-based in Song::samples
  const Instrument* instrument;
  Sample* sample;
  double frequency;               // Hz, with slides; vibrato and envelopes come on top
  std::int32_t volume;            // 0..64, the note's volume
  std::int32_t channelVolume;     // 0..64, its channel's while in the foreground
  std::int32_t pan;               // 0..64
  std::int32_t instrumentVolume;  // 0..128 with the random variation
  bool released;                  // key off
  bool fading;
  bool fadeStarted;   // fading since an earlier tick
  std::int32_t fade;  // 0..65536
  std::uint8_t newNoteAction;
  bool volumeEnvelopeOn, panningEnvelopeOn, pitchEnvelopeOn;
  EnvelopeCursor volumeEnvelope, panningEnvelope, pitchEnvelope;
  std::int32_t autoVibratoPosition;
  std::int32_t autoVibratoDepth;  // 8.8: the running sum of the rate
  std::int32_t cutoff;            // 0..127; FILTER_UNSET: none
  std::int32_t resonance;
  std::int32_t lastVolume;  // the final volume last tick, for choosing the quietest
  bool started;             // its first tick is over
  double filterCutoff;      // what the voice's filter coefficients were made for; -1: none
  std::int32_t filterResonance;
};

struct ItChannel {
  ItNote* note;               // the foreground note, or null
  std::uint8_t instrument;    // last instrument number, 0: none
  std::uint8_t lastNote;      // last note as written, 0..119
  std::uint8_t sampleNumber;  // of the last note
  std::int32_t volume;        // note volume 0..64 the effects work on
  std::int32_t channelVolume;
  std::int32_t pan;  // 0..64
  bool surround;
  double frequency;          // Hz of the foreground note, with slides
  double portaTarget;        // Hz
  std::int32_t volumeDelta;  // tremolo and tremor, this tick
  double pitchFactor;        // vibrato and arpeggio, this tick
  std::int32_t panDelta;     // panbrello, this tick
  // The row's cell, and what its effects keep running.
  std::uint8_t effect, param, volumeColumn;
  bool portaRunning;
  // Effect memories.
  std::uint8_t volumeSlide, pitchSlide, portaSpeed, vibratoSpeed, vibratoDepth, tremorParam,
      arpeggio, channelVolumeSlide, offset, highOffset, panSlide, retrig, tremoloSpeed,
      tremoloDepth, special, globalVolumeSlide, panbrelloSpeed, panbrelloDepth, volumeColumnSlide;
  std::uint8_t vibratoWaveform, tremoloWaveform, panbrelloWaveform;
  std::int32_t vibratoPosition, tremoloPosition, panbrelloPosition;
  std::int32_t tremorCount;
  bool tremorOn;
  std::int32_t retrigCount;
  std::int32_t cutTick, delayTick;  // SCx, SDx: -1 none
  PatternCell delayedCell;
  std::int32_t newNoteAction;      // S73..S76 override, -1: the instrument's
  std::uint8_t macro;              // SFx
  std::int32_t cutoff, resonance;  // Zxx, FILTER_UNSET: none yet
  std::int32_t arpeggioStep;
  std::int32_t vibratoUnits;  // the last vibrato's pitch change, 1/768 octave
};

struct ItPlayer {
  ItChannel channels[SONG_CHANNELS];
  ItNote notes[IT_NOTES];
  std::int32_t globalVolume;  // 0..128
  std::uint32_t random;       // the note variation's generator
  std::int32_t tempoSlide;    // the row's tempo change per tick after its first (song_flow.h)
  std::int32_t noteBound;     // every note from this one on is inactive
};

// The notes that may be active: those before noteBound.
inline std::span<ItNote> notesInUse(ItPlayer& it) {
  return {it.notes, static_cast<std::size_t>(it.noteBound)};
}

// Prepares the song's channels and notes (called when the song starts).
void beginItSong(Engine& engine, Song* song);

// One tick of the song.
void runItTick(Engine& engine, Song* song);

}  // namespace player
