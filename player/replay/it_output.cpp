#include "player/replay/it_output.h"

#include "player/engine.h"
#include "player/mixer/resonant_filter.h"
#include "player/replay/channel_mute.h"
#include "player/replay/it_envelope.h"
#include "player/replay/it_notes.h"
#include "player/replay/it_player.h"
#include "player/replay/it_tables.h"
#include "player/replay/pitch.h"

namespace player {
namespace {

constexpr double TWO_TO_32 = 4294967296.0;
constexpr double UNITS_PER_OCTAVE = 768.0;
// Vol 64 x SV 64 x IV 128 x CV 64 x GV 128 x VEV 64 x NFC 1024 is 2^41 at full volume, where
// the tracker's final volume is 128; the mixing volume (0..128) scales that.
constexpr double FINAL_VOLUME_SCALE = 1.0 / 2199023255552.0;
// The voices' fine gain units: 255 x 256 to full gain.
constexpr double FULL_GAIN = 65280.0;
constexpr std::int32_t FINE_UNITS_PER_STEP = 256;

struct Envelopes {
  double volume = 1.0;   // 0..1
  std::int32_t pan = 0;  // -32..32 x 256
  std::int32_t pitchUnits = 0;
  bool filter = false;       // a filter envelope runs
  double filterScale = 1.0;  // 0..1 of the cutoff
};

Envelopes runEnvelopes(ItNote& note) {
  Envelopes out;
  const Instrument& in = *note.instrument;
  if (note.volumeEnvelopeOn && in.volumeNodes.nodeCount > 0) {
    const std::int32_t value = stepEnvelope(in.volumeNodes, note.volumeEnvelope, note.released);
    out.volume = value / (64.0 * 256.0);
    const bool looping = (in.volumeNodes.flags & ENVELOPE_LOOP) != 0 ||
                         (!note.released && (in.volumeNodes.flags & ENVELOPE_SUSTAIN) != 0);
    if (note.volumeEnvelope.ended && !looping) {
      note.fading = true;
      if (in.volumeNodes.nodes[in.volumeNodes.nodeCount - 1].value == 0) note.fade = 0;
    }
  }
  if (note.panningEnvelopeOn && in.panningNodes.nodeCount > 0) {
    out.pan = stepEnvelope(in.panningNodes, note.panningEnvelope, note.released);
  }
  if (note.pitchEnvelopeOn && in.pitchNodes.nodeCount > 0) {
    const std::int32_t value = stepEnvelope(in.pitchNodes, note.pitchEnvelope, note.released);
    if ((in.pitchNodes.flags & ENVELOPE_FILTER) == 0) {
      out.pitchUnits = value / 8;
    } else {
      out.filter = true;
      out.filterScale = (value + 32 * 256) / (64.0 * 256.0);
    }
  }
  return out;
}

// The sample's vibrato this tick, in 1/768 octave; the depth grows by the rate up to the sample's.
std::int32_t sampleVibrato(Engine& engine, ItNote& note) {
  const Sample& s = *note.sample;
  if (s.vibratoDepth == 0) return 0;
  note.autoVibratoDepth += s.vibratoRate;
  if (note.autoVibratoDepth > s.vibratoDepth * 256) note.autoVibratoDepth = s.vibratoDepth * 256;
  const std::int32_t wave = itWave(s.vibratoType, note.autoVibratoPosition, engine.it.random);
  note.autoVibratoPosition = (note.autoVibratoPosition + s.vibratoSpeed) & 255;
  return wave * (note.autoVibratoDepth >> 8) / 64;
}

std::int32_t finalPan(const Song* song, const ItNote& note, const ItChannel* channel,
                      std::int32_t envelope) {
  if ((song->playRules & PLAY_MONO) != 0) return 127;
  if (channel != nullptr && channel->surround) return 127;
  std::int32_t pan = note.pan + (channel != nullptr ? channel->panDelta : 0);
  pan = pan < 0 ? 0 : (pan > 64 ? 64 : pan);
  const std::int32_t room = 32 - (pan > 32 ? pan - 32 : 32 - pan);
  pan = pan * 256 + envelope * room / 32;  // x 256
  pan = 32 * 256 + (pan - 32 * 256) * song->panSeparation / 128;
  // The voice's pan weighs its left side by pan / 255: full left is 255.
  const std::int32_t voicePan = 255 - pan * 255 / (64 * 256);
  return voicePan < 0 ? 0 : (voicePan > 255 ? 255 : voicePan);
}

// The note's resonant filter: on while it has a cutoff below the top or any resonance, or a
// filter envelope moves its cutoff.
void setFilter(Engine& engine, ItNote& note, Voice& voice, const Envelopes& envelopes) {
  const std::int32_t cutoff = note.cutoff == FILTER_UNSET ? 127 : note.cutoff;
  const std::int32_t resonance = note.resonance == FILTER_UNSET ? 0 : note.resonance;
  voice.filtered = envelopes.filter || cutoff < 127 || resonance > 0;
  if (!voice.filtered) return;
  const double effective = cutoff * envelopes.filterScale;
  const std::int32_t rate = engine.output.outputRate > 0 ? engine.output.outputRate : 44100;
  if (effective == note.filterCutoff && resonance == note.filterResonance) return;
  note.filterCutoff = effective;
  note.filterResonance = resonance;
  const FilterCoefficients k = filterCoefficients(effective, resonance, rate);
  voice.filter.a = k.a;
  voice.filter.b = k.b;
  voice.filter.c = k.c;
}

void shapeNote(Engine& engine, const Song* song, ItNote& note) {
  Voice& voice = engine.voicePool.voices[&note - engine.it.notes];
  const ItChannel* channel = note.background ? nullptr : &engine.it.channels[note.channel];
  const Envelopes envelopes = runEnvelopes(note);
  // A note fades from the tick after the one that starts the fade.
  if (note.fading && note.fadeStarted) {
    note.fade -= note.instrument->fadeout;
    if (note.fade <= 0) {
      cutItNote(engine, note);
      return;
    }
  }
  note.fadeStarted = note.fading;
  std::int32_t volume = note.volume + (channel != nullptr ? channel->volumeDelta : 0);
  volume = volume < 0 ? 0 : (volume > 64 ? 64 : volume);
  const double product = static_cast<double>(volume) * note.sample->globalVolume *
                         note.instrumentVolume * note.channelVolume * engine.it.globalVolume *
                         64.0 * 1024.0 * envelopes.volume * (note.fade / 65536.0);
  const double finalVolume = product * FINAL_VOLUME_SCALE;  // 0..128
  // The listener's mute and volume of the channel that played the note, background notes too.
  const bool muted = channelIndexMuted(engine, note.channel);
  std::int32_t gain =
      muted ? 0
            : static_cast<std::int32_t>(listenerIndexGain(
                  engine, note.channel, finalVolume * song->mixingVolume * FULL_GAIN / 16384.0));
  // Below 1/255 of full gain (-48 dB) a note is silent, as the voices' coarse gains make it.
  if (gain < FINE_UNITS_PER_STEP) gain = 0;
  note.lastVolume = gain;
  const std::int32_t pan = finalPan(song, note, channel, envelopes.pan);
  // A sounding note moves to its new volume and pan over the whole tick, as the peers do; a
  // note's start (or its first sound) and its end take the short ramps.
  // A change below 1/128 of the gain (0.07 dB) waits until the changes add up to more, so that
  // slow fades do not keep the mixer ramping.
  const bool sounding = voice.leftLevel != 0 || voice.rightLevel != 0;
  const std::int32_t change = gain > voice.volume ? gain - voice.volume : voice.volume - gain;
  const bool large = change > 1 && change * 16 > voice.volume;
  const bool audible = !note.started || change * 128 > voice.volume || pan != voice.pan;
  if (audible) {
    voice.rampFrames = note.started && sounding && large ? song->samplesPerTick : 0;
    voice.volume = gain;
    voice.reportedVolume = gain >> 8;
    voice.pan = pan;
    voice.reportedPan = pan;
    voice.leftTarget = static_cast<std::int32_t>(static_cast<std::int64_t>(pan) * gain / 255);
    voice.rightTarget =
        static_cast<std::int32_t>(static_cast<std::int64_t>(255 - pan) * gain / 255);
  }
  note.started = true;

  setFilter(engine, note, voice, envelopes);
  double frequency = note.frequency * (channel != nullptr ? channel->pitchFactor : 1.0);
  const std::int32_t units = sampleVibrato(engine, note) + envelopes.pitchUnits;
  if (units != 0) frequency *= power(2.0, units / UNITS_PER_OCTAVE);
  voice.frequency = static_cast<std::int32_t>(frequency);
  const std::int32_t rate = engine.output.outputRate;
  if (rate > 0) {
    const double step = frequency / rate * TWO_TO_32;
    const auto whole = step < 1.8e19 ? static_cast<std::uint64_t>(step) : std::uint64_t{0};
    voice.step = static_cast<std::uint32_t>(whole >> 32);
    voice.stepFrac = static_cast<std::uint32_t>(whole);
  }
}

}  // namespace

void shapeItNotes(Engine& engine, const Song* song) {
  for (ItNote& note : notesInUse(engine.it)) {
    if (note.active) shapeNote(engine, song, note);
  }
}

}  // namespace player
