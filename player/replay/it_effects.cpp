#include "player/replay/it_effects.h"

#include "player/engine.h"
#include "player/load/effects.h"
#include "player/replay/it_notes.h"
#include "player/replay/it_pitch.h"
#include "player/replay/it_tables.h"
#include "player/replay/pitch.h"

namespace player {
namespace {

constexpr std::uint8_t NO_VOLUME_COLUMN = 0xFF;

std::int32_t clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

bool linearSlides(const Song* song) {
  return (song->flags & SONG_LINEAR_FREQUENCIES) != 0;
}

bool oldEffects(const Song* song) {
  return (song->playRules & PLAY_OLD_EFFECTS) != 0;
}

void remember(std::uint8_t& memory, std::uint8_t value) {
  if (value != 0) memory = value;
}

void setVolume(ItChannel& channel, std::int32_t volume) {
  channel.volume = clamp(volume, 0, 64);
  if (channel.note != nullptr) channel.note->volume = channel.volume;
}

void setPan(ItChannel& channel, std::int32_t pan) {
  channel.pan = clamp(pan, 0, 64);
  channel.surround = false;
  if (channel.note != nullptr) channel.note->pan = channel.pan;
}

void slideFrequency(const Song* song, ItChannel& channel, std::int32_t units) {
  channel.frequency = player::slideFrequency(channel.frequency, units, linearSlides(song));
  if (channel.note != nullptr) channel.note->frequency = channel.frequency;
}

// Dxy and its relatives: the row tick's part (fine slides, and the first step of slides by F).
void volumeSlideRow(std::uint8_t param, std::int32_t& volume, std::int32_t most) {
  const std::int32_t x = param >> 4, y = param & 15;
  if (y == 0 && x == 15)
    volume += 15;
  else if (x == 0 && y == 15)
    volume -= 15;
  else if (y == 15 && x != 0)
    volume += x;
  else if (x == 15 && y != 0)
    volume -= y;
  volume = clamp(volume, 0, most);
}

void volumeSlideTick(std::uint8_t param, std::int32_t& volume, std::int32_t most) {
  const std::int32_t x = param >> 4, y = param & 15;
  if (y == 0)
    volume += x;
  else if (x == 0)
    volume -= y;
  volume = clamp(volume, 0, most);
}

void applyVolumeSlideRow(ItChannel& channel, std::uint8_t param) {
  std::int32_t volume = channel.volume;
  volumeSlideRow(param, volume, 64);
  setVolume(channel, volume);
}

// The pitch moves by the wave (-64..64) x the depth / 64 units of 1/768 octave: Hx8 swings half a
// semitone either way, the wave a step on from the tick before. With old effects it swings
// twice as far, and down first, as a period would move.
void vibrato(Engine& engine, const Song* song, ItChannel& channel) {
  channel.vibratoPosition = (channel.vibratoPosition + channel.vibratoSpeed * 4) & 255;
  const std::int32_t wave =
      itWave(channel.vibratoWaveform, channel.vibratoPosition, engine.it.random);
  channel.vibratoUnits = wave * channel.vibratoDepth * (oldEffects(song) ? -2 : 1) >> 6;
  channel.pitchFactor *= power(2.0, static_cast<double>(channel.vibratoUnits) / 768.0);
}

// A vibrato on the row tick: with old effects the pitch the last tick left holds.
void rowVibrato(Engine& engine, const Song* song, ItChannel& channel) {
  if (!oldEffects(song)) {
    vibrato(engine, song, channel);
  } else {
    channel.pitchFactor *= power(2.0, static_cast<double>(channel.vibratoUnits) / 768.0);
  }
}

void portamento(const Song* song, ItChannel& channel, std::int32_t speed) {
  if (channel.note == nullptr || channel.portaTarget <= 0.0) return;
  channel.frequency =
      slideTowards(channel.frequency, channel.portaTarget, 4 * speed, linearSlides(song));
  channel.note->frequency = channel.frequency;
}

std::uint8_t& portaMemory(const Song* song, ItChannel& channel) {
  return (song->playRules & PLAY_COMPATIBLE_GXX) != 0 ? channel.pitchSlide : channel.portaSpeed;
}

// Exx and Fxx on the row tick: fine and extra-fine slides happen now.
void pitchSlideRow(const Song* song, ItChannel& channel, std::uint8_t param, std::int32_t sign) {
  if ((param & 0xF0) == 0xF0) slideFrequency(song, channel, sign * 4 * (param & 15));
  if ((param & 0xF0) == 0xE0) slideFrequency(song, channel, sign * (param & 15));
}

void pitchSlideTick(const Song* song, ItChannel& channel, std::uint8_t param, std::int32_t sign) {
  if (param < 0xE0) slideFrequency(song, channel, sign * 4 * param);
}

void specialRow(Engine& engine, ItChannel& channel, std::int32_t c, std::uint8_t param) {
  const std::int32_t x = param >> 4, y = param & 15;
  switch (x) {
    case 0x3:
      if (y < 4) channel.vibratoWaveform = static_cast<std::uint8_t>(y);
      break;
    case 0x4:
      if (y < 4) channel.tremoloWaveform = static_cast<std::uint8_t>(y);
      break;
    case 0x5:
      if (y < 4) channel.panbrelloWaveform = static_cast<std::uint8_t>(y);
      break;
    case 0x7:
      if (y <= 2) {
        for (ItNote& note : notesInUse(engine.it)) {
          if (note.active && note.background && note.channel == c) actOnItNote(engine, note, y);
        }
      } else if (y <= 6) {
        channel.newNoteAction = y - 3;
        if (channel.note != nullptr) channel.note->newNoteAction = static_cast<std::uint8_t>(y - 3);
      } else if (channel.note != nullptr && y <= 12) {
        ItNote& note = *channel.note;
        bool* const toggles[3] = {&note.volumeEnvelopeOn, &note.panningEnvelopeOn,
                                  &note.pitchEnvelopeOn};
        *toggles[(y - 7) / 2] = (y - 7) % 2 == 1;
      }
      break;
    case 0x8:
      setPan(channel, y * 64 / 15);
      break;
    case 0x9:
      if (y == 1) channel.surround = true;
      if (y == 0) channel.surround = false;
      break;
    case 0xA:
      channel.highOffset = static_cast<std::uint8_t>(y);
      break;
    case 0xC:
      channel.cutTick = y == 0 ? 1 : y;
      break;
    case 0xF:
      channel.macro = static_cast<std::uint8_t>(y);
      break;
    default:
      break;
  }
}

void runMacro(Song* song, ItChannel& channel, std::uint8_t param) {
  const FilterMacro& macro =
      param < 0x80 ? song->macros.parametered[channel.macro] : song->macros.fixed[param - 0x80];
  const std::int32_t value = macro.fromParameter != 0 ? (param & 0x7F) : macro.value;
  if (macro.target == MACRO_CUTOFF) channel.cutoff = value;
  if (macro.target == MACRO_RESONANCE) channel.resonance = value;
  if (channel.note != nullptr) {
    channel.note->cutoff = channel.cutoff;
    channel.note->resonance = channel.resonance;
  }
}

// The row tick's part of the effect column.
void effectRow(Engine& engine, Song* song, ItChannel& channel, std::int32_t c, std::uint8_t effect,
               std::uint8_t param) {
  switch (effect) {
    case IT_D:
    case IT_K:
    case IT_L:
      remember(channel.volumeSlide, param);
      applyVolumeSlideRow(channel, channel.volumeSlide);
      if (effect == IT_K) rowVibrato(engine, song, channel);
      break;
    case IT_E:
    case IT_F:
      remember(channel.pitchSlide, param);
      pitchSlideRow(song, channel, channel.pitchSlide, effect == IT_E ? -1 : 1);
      break;
    case IT_G:
      remember(portaMemory(song, channel), param);
      break;
    case IT_H:
    case IT_U:
      if ((param >> 4) != 0) channel.vibratoSpeed = param >> 4;
      if ((param & 15) != 0) {
        channel.vibratoDepth = static_cast<std::uint8_t>((param & 15) * (effect == IT_H ? 4 : 1));
      }
      rowVibrato(engine, song, channel);
      break;
    case IT_I:
      remember(channel.tremorParam, param);
      break;
    case IT_J:
      remember(channel.arpeggio, param);
      channel.arpeggioStep = 0;
      break;
    case IT_M:
      if (param <= 64) {
        channel.channelVolume = param;
        if (channel.note != nullptr) channel.note->channelVolume = param;
      }
      break;
    case IT_N: {
      remember(channel.channelVolumeSlide, param);
      volumeSlideRow(channel.channelVolumeSlide, channel.channelVolume, 64);
      if (channel.note != nullptr) channel.note->channelVolume = channel.channelVolume;
      break;
    }
    case IT_P: {
      remember(channel.panSlide, param);
      std::int32_t pan = channel.pan;
      volumeSlideRow(channel.panSlide, pan, 64);
      setPan(channel, pan);
      break;
    }
    case IT_Q:
      remember(channel.retrig, param);
      break;
    case IT_R:
      if ((param >> 4) != 0) channel.tremoloSpeed = param >> 4;
      if ((param & 15) != 0) channel.tremoloDepth = param & 15;
      break;
    case IT_S:
      remember(channel.special, param);
      specialRow(engine, channel, c, channel.special);
      break;
    case IT_V:
      if (param <= 128) engine.it.globalVolume = param;
      break;
    case IT_W: {
      remember(channel.globalVolumeSlide, param);
      volumeSlideRow(channel.globalVolumeSlide, engine.it.globalVolume, 128);
      break;
    }
    case IT_X:
      setPan(channel, (param + 2) / 4);
      break;
    case IT_Y:
      if ((param >> 4) != 0) channel.panbrelloSpeed = param >> 4;
      if ((param & 15) != 0) channel.panbrelloDepth = param & 15;
      break;
    case IT_Z:
      runMacro(song, channel, param);
      break;
    default:
      break;
  }
}

// The volume column on the row tick: volume, pan, fine slides, and what its slides remember.
void volumeColumnRow(Engine& engine, const Song* song, ItChannel& channel, std::uint8_t v) {
  if (v <= 64) {
    setVolume(channel, v);
  } else if (v <= 84) {
    const std::uint8_t amount = static_cast<std::uint8_t>((v - 65) % 10);
    remember(channel.volumeColumnSlide, amount);
    setVolume(channel, channel.volume + (v < 75 ? 1 : -1) * channel.volumeColumnSlide);
  } else if (v <= 104) {
    remember(channel.volumeColumnSlide, static_cast<std::uint8_t>((v - 85) % 10));
  } else if (v <= 124) {
    remember(channel.pitchSlide, static_cast<std::uint8_t>(4 * ((v - 105) % 10)));
  } else if (v >= 128 && v <= 192) {
    setPan(channel, v - 128);
  } else if (v >= 193 && v <= 202) {
    remember(portaMemory(song, channel), IT_COLUMN_PORTAMENTO[v - 193]);
  } else if (v >= 203 && v <= 212) {
    if (v > 203) channel.vibratoDepth = static_cast<std::uint8_t>(4 * (v - 203));
    rowVibrato(engine, song, channel);
  }
}

void volumeColumnTick(Engine& engine, const Song* song, ItChannel& channel, std::uint8_t v) {
  if (v >= 85 && v <= 104) {
    setVolume(channel, channel.volume + (v < 95 ? 1 : -1) * channel.volumeColumnSlide);
  } else if (v >= 105 && v <= 124) {
    slideFrequency(song, channel, (v < 115 ? -1 : 1) * 4 * channel.pitchSlide);
  } else if (v >= 193 && v <= 202) {
    portamento(song, channel, portaMemory(song, channel));
  } else if (v >= 203 && v <= 212) {
    vibrato(engine, song, channel);
  }
}

bool portaInCell(const PatternCell& cell) {
  const std::uint8_t v = cell.volumeColumn == 0 ? NO_VOLUME_COLUMN : cell.volumeColumn - 1;
  return cell.effect == IT_G || cell.effect == IT_L || (v >= 193 && v <= 202);
}

// A note as written (1..120) with the channel's instrument: a new note, or the target of a
// portamento.
void playNote(Engine& engine, Song* song, std::int32_t c, const PatternCell& cell,
              bool instrumentGiven) {
  ItChannel& channel = engine.it.channels[c];
  const auto note = static_cast<std::uint8_t>(cell.note - 1);
  channel.lastNote = note;
  const KeyboardSound sound = soundOf(song, channel.instrument, note);
  if (sound.sample == nullptr) {
    const bool keyWithoutSample = channel.instrument != 0 && !portaInCell(cell);
    if (keyWithoutSample && (song->rules & RULE_EMPTY_KEYS_RELEASE) != 0)
      sendItNoteBack(engine, song, c);
    return;
  }
  const bool compatibleGxx = (song->playRules & PLAY_COMPATIBLE_GXX) != 0;
  if (portaInCell(cell) && channel.note != nullptr && channel.note->active) {
    channel.portaTarget = noteFrequency(sound.sample->c5Speed, sound.note,
                                        (song->rules & RULE_PERIOD_TABLE_NOTES) != 0);
    if (instrumentGiven) {
      setVolume(channel, sound.sample->volume);
      if (compatibleGxx) {
        ItNote& n = *channel.note;
        n.volumeEnvelope = n.panningEnvelope = n.pitchEnvelope = EnvelopeCursor{};
        n.fade = 65536;
        n.fading = n.released = false;
      }
    }
    return;
  }
  // The new note's volume; the note it replaces keeps its own.
  if (instrumentGiven) channel.volume = sound.sample->volume;
  std::uint32_t offset = 0;
  if (cell.effect == IT_O) {
    remember(channel.offset, cell.param);
    offset = static_cast<std::uint32_t>(channel.highOffset) << 16 |
             static_cast<std::uint32_t>(channel.offset) << 8;
    if (offset >= sound.sample->length) offset = oldEffects(song) ? sound.sample->length : 0;
  }
  ItNote* started = startItNote(engine, song, c, note, offset);
  if (started == nullptr) return;
  channel.portaTarget = started->frequency;
  channel.vibratoPosition = 0;
  channel.tremoloPosition = 0;
  channel.retrigCount = 0;
}

}  // namespace

void playItCell(Engine& engine, Song* song, std::int32_t c, const PatternCell& cell) {
  ItChannel& channel = engine.it.channels[c];
  channel.effect = cell.effect;
  channel.param = cell.param;
  channel.volumeColumn = cell.volumeColumn == 0 ? NO_VOLUME_COLUMN : cell.volumeColumn - 1;
  channel.cutTick = -1;
  const bool disabled = (song->channelFlags[c] & CHANNEL_SILENCED) != 0;
  if (cell.instrument != 0) channel.instrument = cell.instrument;
  if (!disabled) {
    if (cell.note >= 1 && cell.note <= KEYBOARD_NOTES) {
      playNote(engine, song, c, cell, cell.instrument != 0);
    } else if (cell.instrument != 0 && channel.note != nullptr) {
      const KeyboardSound sound = soundOf(song, channel.instrument, channel.lastNote);
      if (sound.sample != nullptr) setVolume(channel, sound.sample->volume);
    }
    if (channel.note != nullptr) {
      if (cell.note == KEY_OFF) releaseItNote(engine, *channel.note);
      if (cell.note == NOTE_CUT) cutItNote(engine, *channel.note);
      if (cell.note == NOTE_FADE) fadeItNote(*channel.note);
    }
  }
  if (channel.volumeColumn != NO_VOLUME_COLUMN)
    volumeColumnRow(engine, song, channel, channel.volumeColumn);
  effectRow(engine, song, channel, c, cell.effect, cell.param);
}

void runItEffects(Engine& engine, Song* song, std::int32_t c) {
  ItChannel& channel = engine.it.channels[c];
  const std::int32_t tick = song->tick;
  if (channel.delayTick == tick) {
    channel.delayTick = -1;
    playItCell(engine, song, c, channel.delayedCell);
  }
  if (channel.cutTick == tick) {
    channel.cutTick = -1;
    setVolume(channel, 0);
  }
  if (channel.volumeColumn != NO_VOLUME_COLUMN)
    volumeColumnTick(engine, song, channel, channel.volumeColumn);
  switch (channel.effect) {
    case IT_D:
    case IT_K:
    case IT_L: {
      std::int32_t volume = channel.volume;
      const std::uint8_t p = channel.volumeSlide;
      if ((p & 15) != 15 || (p >> 4) == 0) {
        if ((p >> 4) != 15 || (p & 15) == 0) volumeSlideTick(p, volume, 64);
      }
      setVolume(channel, volume);
      if (channel.effect == IT_K) vibrato(engine, song, channel);
      if (channel.effect == IT_L) portamento(song, channel, portaMemory(song, channel));
      break;
    }
    case IT_E:
    case IT_F:
      pitchSlideTick(song, channel, channel.pitchSlide, channel.effect == IT_E ? -1 : 1);
      break;
    case IT_G:
      portamento(song, channel, portaMemory(song, channel));
      break;
    case IT_H:
    case IT_U:
      vibrato(engine, song, channel);
      break;
    case IT_I: {
      const std::int32_t extra = oldEffects(song) ? 1 : 0;
      const std::int32_t on = (channel.tremorParam >> 4) + extra,
                         off = (channel.tremorParam & 15) + extra;
      if (--channel.tremorCount <= 0) {
        channel.tremorOn = !channel.tremorOn;
        channel.tremorCount = channel.tremorOn ? (on > 0 ? on : 1) : (off > 0 ? off : 1);
      }
      if (!channel.tremorOn) channel.volumeDelta = -channel.volume;
      break;
    }
    case IT_J: {
      channel.arpeggioStep = (channel.arpeggioStep + 1) % 3;
      const std::int32_t semitones = channel.arpeggioStep == 1
                                         ? channel.arpeggio >> 4
                                         : (channel.arpeggioStep == 2 ? channel.arpeggio & 15 : 0);
      channel.pitchFactor *= power(2.0, static_cast<double>(semitones) / 12.0);
      break;
    }
    case IT_N:
      volumeSlideTick(channel.channelVolumeSlide, channel.channelVolume, 64);
      if (channel.note != nullptr) channel.note->channelVolume = channel.channelVolume;
      break;
    case IT_P: {
      std::int32_t pan = channel.pan;
      const std::uint8_t p = channel.panSlide;
      if (((p & 15) != 15 || (p >> 4) == 0) && ((p >> 4) != 15 || (p & 15) == 0)) {
        volumeSlideTick(p, pan, 64);
        setPan(channel, pan);
      }
      break;
    }
    case IT_Q: {
      const std::int32_t interval = channel.retrig & 15;
      if (interval != 0 && ++channel.retrigCount >= interval && channel.note != nullptr) {
        channel.retrigCount = 0;
        setVolume(channel, retriggerVolume(channel.volume, channel.retrig >> 4));
        Voice& voice = engine.voicePool.voices[channel.note - engine.it.notes];
        voice.position = 0;
        voice.positionFrac = 0;
        voice.direction = DIRECTION_FORWARD;
      }
      break;
    }
    case IT_R: {
      const std::int32_t wave =
          itWave(channel.tremoloWaveform, channel.tremoloPosition, engine.it.random);
      channel.volumeDelta = wave * channel.tremoloDepth * 4 / 64;
      channel.tremoloPosition = (channel.tremoloPosition + channel.tremoloSpeed * 4) & 255;
      break;
    }
    case IT_W:
      volumeSlideTick(channel.globalVolumeSlide, engine.it.globalVolume, 128);
      break;
    case IT_Y: {
      const std::int32_t wave =
          itWave(channel.panbrelloWaveform, channel.panbrelloPosition, engine.it.random);
      channel.panDelta = wave * channel.panbrelloDepth / 32;
      channel.panbrelloPosition = (channel.panbrelloPosition + channel.panbrelloSpeed) & 255;
      break;
    }
    default:
      break;
  }
}

}  // namespace player
