#include "player/replay/it_notes.h"

#include "player/engine.h"
#include "player/load/effects.h"
#include "player/replay/it_pitch.h"
#include "player/replay/it_tables.h"

namespace player {
namespace {

constexpr std::int32_t FULL_FADE = 65536;

Voice& voiceOf(Engine& engine, const ItNote& note) {
  return engine.voicePool.voices[&note - engine.it.notes];
}

void silenceVoice(Voice& voice) {
  voice.rampFrames = 0;
  voice.volume = 0;
  voice.reportedVolume = 0;
  voice.leftTarget = 0;
  voice.rightTarget = 0;
}

bool isDuplicate(const ItNote& old, const Instrument& in, const KeyboardSound& sound,
                 std::uint8_t instrumentNumber, std::uint8_t note) {
  if (old.instrumentNumber != instrumentNumber) return false;
  switch (in.duplicateCheck) {
    case DUPLICATE_NOTE:
      return old.patternNote == note;
    case DUPLICATE_SAMPLE:
      return old.sampleNumber == sound.sampleNumber;
    case DUPLICATE_INSTRUMENT:
      return true;
    default:
      return false;
  }
}

// A place for a new note: a free voice, else one still ramping down, else the quietest note in
// the background. Null when every voice holds a note in the foreground.
ItNote* placeForNote(Engine& engine) {
  ItNote* releasing = nullptr;
  ItNote* quietest = nullptr;
  for (ItNote& note : engine.it.notes) {
    if (!note.active) {
      if (voiceOf(engine, note).sample == nullptr) return &note;
      if (releasing == nullptr) releasing = &note;
    } else if (note.background && (quietest == nullptr || note.lastVolume < quietest->lastVolume)) {
      quietest = &note;
    }
  }
  ItNote* place = releasing != nullptr ? releasing : quietest;
  if (place != nullptr) {
    place->active = false;
    voiceOf(engine, *place).sample = nullptr;
  }
  return place;
}

std::int32_t clampPan(std::int32_t pan) {
  return pan < 0 ? 0 : (pan > 64 ? 64 : pan);
}

// The note's pan: the channel's, or the instrument's and then the sample's when they have one
// (which the channel then keeps), moved by the pitch-pan separation and the random variation.
std::int32_t startingPan(Engine& engine, ItChannel& channel, const Instrument& in,
                         const Sample& sample, std::uint8_t note) {
  if (in.usesPanning != 0) {
    channel.pan = in.panning;
    channel.surround = false;
  }
  if (sample.usesPanning != 0) {
    channel.pan = sample.panning;
    channel.surround = false;
  }
  std::int32_t pan = channel.pan;
  pan += (static_cast<std::int32_t>(note) - in.pitchPanCentre) * in.pitchPanSeparation / 8;
  if (in.randomPanning != 0) {
    const std::int32_t spread = 2 * in.randomPanning + 1;
    pan += nextRandom(engine.it.random) % spread - in.randomPanning;
  }
  return clampPan(pan);
}

std::int32_t startingInstrumentVolume(Engine& engine, const Instrument& in) {
  std::int32_t volume = in.globalVolume;
  if (in.randomVolume != 0) {
    const std::int32_t spread = 2 * in.randomVolume + 1;
    const std::int32_t percent = nextRandom(engine.it.random) % spread - in.randomVolume;
    volume += volume * percent / 100;
  }
  return volume < 0 ? 0 : (volume > 128 ? 128 : volume);
}

// Hands the channel's foreground note to the background by its new-note action, or cuts it.
void leaveForeground(Engine& engine, const Song* song, ItChannel& channel) {
  ItNote* old = channel.note;
  channel.note = nullptr;
  if (old == nullptr || !old->active) return;
  const bool instrumentMode = (song->playRules & PLAY_INSTRUMENT_MODE) != 0;
  const std::int32_t action =
      !instrumentMode ? NNA_CUT
                      : (channel.newNoteAction >= 0 ? channel.newNoteAction : old->newNoteAction);
  if (action == NNA_CUT) {
    cutItNote(engine, *old);
    return;
  }
  old->background = true;
  if (action == NNA_NOTE_OFF) releaseItNote(engine, *old);
  if (action == NNA_NOTE_FADE) fadeItNote(*old);
}

}  // namespace

KeyboardSound soundOf(const Song* song, std::uint8_t instrument, std::uint8_t note) {
  KeyboardSound sound{nullptr, 0, note};
  if (instrument == 0 || instrument > song->instrumentCount || note >= KEYBOARD_NOTES) {
    return sound;
  }
  const Instrument& in = song->instruments[instrument - 1];
  const std::uint8_t number = in.keyboardSample[note];
  if (number == 0 || number > song->sampleCount) return sound;
  sound.sample = &song->samples[number - 1];
  sound.sampleNumber = number;
  sound.note = in.keyboardNote[note];
  return sound;
}

void sendItNoteBack(Engine& engine, const Song* song, std::int32_t c) {
  leaveForeground(engine, song, engine.it.channels[c]);
}

ItNote* startItNote(Engine& engine, const Song* song, std::int32_t c, std::uint8_t note,
                    std::uint32_t offset) {
  ItChannel& channel = engine.it.channels[c];
  const KeyboardSound sound = soundOf(song, channel.instrument, note);
  if (sound.sample == nullptr || sound.sample->data == nullptr) return nullptr;
  const Instrument& in = song->instruments[channel.instrument - 1];

  ItNote* previous = channel.note;
  const bool instrumentMode = (song->playRules & PLAY_INSTRUMENT_MODE) != 0;
  if (instrumentMode && in.duplicateCheck != DUPLICATE_OFF) {
    for (ItNote& other : notesInUse(engine.it)) {
      if (other.active && other.channel == c &&
          isDuplicate(other, in, sound, channel.instrument, note)) {
        actOnItNote(engine, other, in.duplicateAction);
      }
    }
  }
  // Carried envelopes go on from the note this one replaces, if it is of the same instrument.
  EnvelopeCursor carried[3] = {};
  const bool carries = previous != nullptr && previous->instrument == &in;
  if (carries) {
    carried[0] = previous->volumeEnvelope;
    carried[1] = previous->panningEnvelope;
    carried[2] = previous->pitchEnvelope;
  }
  leaveForeground(engine, song, channel);
  ItNote* place = placeForNote(engine);
  if (place == nullptr) return nullptr;

  ItNote& n = *place;
  n = ItNote{};
  n.active = true;
  const auto index = static_cast<std::int32_t>(&n - engine.it.notes);
  if (index >= engine.it.noteBound) engine.it.noteBound = index + 1;
  n.channel = static_cast<std::uint8_t>(c);
  n.patternNote = note;
  n.instrumentNumber = channel.instrument;
  n.sampleNumber = sound.sampleNumber;
  n.instrument = &in;
  n.sample = sound.sample;
  n.frequency = noteFrequency(sound.sample->c5Speed, sound.note,
                              (song->rules & RULE_PERIOD_TABLE_NOTES) != 0);
  n.volume = channel.volume;
  n.channelVolume = channel.channelVolume;
  n.pan = startingPan(engine, channel, in, *sound.sample, note);
  n.instrumentVolume = startingInstrumentVolume(engine, in);
  n.fade = FULL_FADE;
  n.newNoteAction = in.newNoteAction;
  n.volumeEnvelopeOn = (in.volumeNodes.flags & ENVELOPE_ON) != 0;
  n.panningEnvelopeOn = (in.panningNodes.flags & ENVELOPE_ON) != 0;
  n.pitchEnvelopeOn = (in.pitchNodes.flags & ENVELOPE_ON) != 0;
  if (carries && (in.volumeNodes.flags & ENVELOPE_CARRY) != 0) n.volumeEnvelope = carried[0];
  if (carries && (in.panningNodes.flags & ENVELOPE_CARRY) != 0) n.panningEnvelope = carried[1];
  if (carries && (in.pitchNodes.flags & ENVELOPE_CARRY) != 0) n.pitchEnvelope = carried[2];
  if (in.filterCutoff != FILTER_UNSET) channel.cutoff = in.filterCutoff;
  if (in.filterResonance != FILTER_UNSET) channel.resonance = in.filterResonance;
  n.cutoff = channel.cutoff;
  n.resonance = channel.resonance;
  channel.note = &n;
  channel.frequency = n.frequency;
  channel.sampleNumber = sound.sampleNumber;

  Voice& voice = voiceOf(engine, n);
  Sample* played = sound.sample->sustained != nullptr ? sound.sample->sustained : sound.sample;
  voice.sample = played;
  voice.position = offset < played->loopStart + played->loopLength ? offset : 0;
  voice.positionFrac = 0;
  voice.direction = DIRECTION_FORWARD;
  voice.startOffset = 0;
  voice.leftLevel = 0;
  voice.rightLevel = 0;
  voice.rampRemaining = 0;
  voice.filtered = false;
  voice.filter = FilterState{};
  voice.fineGains = true;
  n.filterCutoff = -1.0;
  silenceVoice(voice);
  return &n;
}

void releaseItNote(Engine& engine, ItNote& note) {
  if (!note.active || note.released) return;
  note.released = true;
  Voice& voice = voiceOf(engine, note);
  if (note.sample->sustained != nullptr && voice.sample == note.sample->sustained) {
    voice.sample = note.sample;
  }
  const NodeEnvelope& volume = note.instrument->volumeNodes;
  if (!note.volumeEnvelopeOn || (volume.flags & ENVELOPE_LOOP) != 0) note.fading = true;
}

void fadeItNote(ItNote& note) {
  if (note.active) note.fading = true;
}

void cutItNote(Engine& engine, ItNote& note) {
  if (!note.active) return;
  note.active = false;
  silenceVoice(voiceOf(engine, note));
  ItChannel& channel = engine.it.channels[note.channel];
  if (channel.note == &note) channel.note = nullptr;
}

void actOnItNote(Engine& engine, ItNote& note, std::int32_t action) {
  switch (action) {
    case DUPLICATE_CUT:
      cutItNote(engine, note);
      break;
    case DUPLICATE_NOTE_OFF:
      releaseItNote(engine, note);
      break;
    case DUPLICATE_NOTE_FADE:
      fadeItNote(note);
      break;
    default:
      break;
  }
}

void collectItVoices(Engine& engine) {
  // Past the mixer's last voice every voice is idle and every note silent.
  const std::int32_t count =
      engine.voicePool.mixedVoices < IT_NOTES ? engine.voicePool.mixedVoices : IT_NOTES;
  for (std::int32_t k = 0; k < count; ++k) {
    ItNote& note = engine.it.notes[k];
    Voice& voice = engine.voicePool.voices[k];
    if (note.active) {
      if (voice.sample == nullptr) cutItNote(engine, note);
    } else if (voice.sample != nullptr && voice.rampRemaining == 0 && voice.leftLevel == 0 &&
               voice.rightLevel == 0 && voice.leftTarget == 0 && voice.rightTarget == 0) {
      voice.sample = nullptr;
    }
  }
}

}  // namespace player
