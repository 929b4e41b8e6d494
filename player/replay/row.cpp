#include "player/replay/row.h"

#include <cstdint>

#include "player/engine.h"
#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/replay/effect_tick.h"
#include "player/replay/envelopes.h"
#include "player/replay/letter_effects.h"
#include "player/replay/oscillators.h"
#include "player/replay/pitch.h"
#include "player/replay/song_position.h"
#include "player/replay/voice_update.h"
#include "player/replay/volume_slides.h"

namespace player {

namespace {

// Stores a non-zero parameter in its memory; a zero keeps what the memory holds.
inline void remember(std::uint8_t& memory, std::uint8_t value) {
  if (value != 0) memory = value;
}

inline std::int32_t clampVolume(std::int32_t volume) {
  return volume < 0 ? 0 : (volume > 64 ? 64 : volume);
}

// Lxx: moves the volume envelope to tick position p, between the points around it.
void setEnvelopePosition(Channel* channel, const Instrument* instrument, std::int32_t p) {
  if ((instrument->volumeEnvelopeFlags & ENVELOPE_ON) == 0) return;
  std::int32_t n = instrument->volumePointCount;
  if (n > ENVELOPE_POINTS) n = ENVELOPE_POINTS;
  if (n < 1) return;
  const EnvelopePoint* points = instrument->volumeEnvelope;
  std::int32_t j = 0;
  while (j < n - 1 && p > points[j + 1].x)
    ++j;
  if (j < n - 1) {
    const std::int32_t width = points[j + 1].x - points[j].x;
    const std::int64_t rise = static_cast<std::int64_t>(points[j + 1].y) * 65536 -
                              static_cast<std::int64_t>(points[j].y) * 65536;
    const std::int32_t step = width == 0 ? 0 : static_cast<std::int32_t>(rise / width);
    channel->volEnvDone = 0;
    channel->volEnvTick = static_cast<std::uint32_t>(p);
    channel->volEnvStep = step;
    channel->volEnvPoint = static_cast<std::uint32_t>(j + 1);
    channel->volEnvFixed = wrapAdd(wrapMul(points[j].y, 65536), wrapMul(p - points[j].x, step));
    channel->volEnvValue = clampVolume(channel->volEnvFixed >> 16);
  } else {
    channel->volEnvPoint = static_cast<std::uint32_t>(n - 1);
    channel->volEnvValue = clampVolume(points[n - 1].y);
    channel->volEnvDone = 1;
  }
}

struct KeptState {
  std::int32_t volume, period, pan;
};

void extendedEffect(Engine& engine, Song* song, Channel* channel, const Sample* sample,
                    const KeptState& kept, std::uint8_t param, bool noteOnRow) {
  const std::uint8_t x = param >> 4;
  const std::uint8_t y = param & 0x0F;
  switch (x) {
    case EXTENDED_FINE_PORTAMENTO_UP:
      remember(channel->finePortaUp, y);
      channel->period = limitPeriod(song, wrapSub(channel->period, channel->finePortaUp * 4));
      break;
    case EXTENDED_FINE_PORTAMENTO_DOWN:
      remember(channel->finePortaDown, y);
      channel->period = limitPeriod(song, wrapAdd(channel->period, channel->finePortaDown * 4));
      break;
    case EXTENDED_VIBRATO_WAVEFORM:
      channel->waveControl = static_cast<std::uint8_t>((channel->waveControl & 0xF0) | y);
      break;
    case EXTENDED_FINETUNE:
      // Written to the engine's copy of the sample; the empty stand-in has no copy and stays
      // all zero.
      if (Sample* own = ownSample(engine.playing, sample)) {
        own->finetune = static_cast<std::int8_t>(y);
      }
      break;
    case EXTENDED_TREMOLO_WAVEFORM:
      channel->waveControl = static_cast<std::uint8_t>((channel->waveControl & 0x0F) | (y << 4));
      break;
    case EXTENDED_SET_PANNING:
      channel->pan = y * 16;
      channel->flags |= UPDATE_PAN;
      break;
    case EXTENDED_RETRIGGER:
      if (y != 0 && !noteOnRow && (song->rules & RULE_PROTRACKER_RETRIGGER) != 0) {
        channel->flags |= UPDATE_TRIGGER;
      }
      break;
    case EXTENDED_FINE_VOLUME_UP:
      remember(channel->fineVolumeSlide, y);
      slideVolumeUp(channel, channel->fineVolumeSlide);
      break;
    case EXTENDED_FINE_VOLUME_DOWN:
      remember(channel->fineVolumeSlide, y);
      slideVolumeDown(channel, channel->fineVolumeSlide);
      break;
    case EXTENDED_NOTE_DELAY:
      channel->volume = kept.volume;
      channel->period = kept.period;
      channel->pan = kept.pan;
      channel->flags &= static_cast<std::uint8_t>(
          ~(UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_PAN | UPDATE_TRIGGER));
      break;
    default:  // E0y, E3y, ECy and EFy do nothing on tick 0; E6y and EEy are the flow's
      break;
  }
}

// The tick-0 part of the cell's effect. Jumps, breaks, loops, delays, speed and tempo are the
// flow's (song_flow.h), played once the row's channels are.
void rowEffect(Engine& engine, Song* song, Channel* channel, const ChannelSound& sound,
               const PatternCell& cell, const KeptState& kept) {
  const std::uint8_t param = cell.param;
  const std::uint8_t x = param >> 4;
  const std::uint8_t y = param & 0x0F;
  switch (cell.effect) {
    case EFFECT_PORTAMENTO_UP:
      remember(channel->portaUpSpeed, param);
      break;
    case EFFECT_PORTAMENTO_DOWN:
      remember(channel->portaDownSpeed, param);
      break;
    case EFFECT_TONE_PORTAMENTO:
      remember(channel->portaSpeed, param);
      channel->portaTarget = channel->notePeriod;
      channel->flags &= static_cast<std::uint8_t>(~(UPDATE_TRIGGER | UPDATE_FREQUENCY));
      break;
    case EFFECT_VIBRATO:
      remember(channel->vibratoSpeed, x);
      remember(channel->vibratoDepth, y);
      if ((song->rules & RULE_PROTRACKER_OSCILLATORS) == 0) {
        vibrato(channel, vibratoShapeOf(song));
      }
      break;
    case EFFECT_TONE_PORTAMENTO_VOLUME:
      channel->portaTarget = channel->notePeriod;
      remember(channel->volumeSlide, param);
      channel->flags &= static_cast<std::uint8_t>(~(UPDATE_TRIGGER | UPDATE_FREQUENCY));
      break;
    case EFFECT_VIBRATO_VOLUME:
      remember(channel->volumeSlide, param);
      if ((song->rules & RULE_PROTRACKER_OSCILLATORS) == 0) {
        vibrato(channel, vibratoShapeOf(song));
      }
      break;
    case EFFECT_TREMOLO:
      remember(channel->tremoloSpeed, x);
      remember(channel->tremoloDepth, y);
      break;
    case EFFECT_SET_PANNING:
      channel->pan = param;
      channel->flags |= UPDATE_PAN;
      break;
    case EFFECT_SAMPLE_OFFSET: {
      if (param != 0) channel->sampleOffset = param;
      const std::uint32_t offset = static_cast<std::uint32_t>(channel->sampleOffset) * 256;
      const Sample& sample = *sound.sample;
      if (offset < sample.loopStart + sample.loopLength) {
        channel->voice->startOffset = offset;
      } else if ((song->rules & RULE_PROTRACKER_OFFSET) != 0 && sample.loopMode != LOOP_OFF) {
        channel->voice->startOffset = sample.loopStart;  // the note starts in its loop
      } else {
        channel->flags &= static_cast<std::uint8_t>(~UPDATE_TRIGGER);
        channel->flags |= UPDATE_REWIND;
      }
      break;
    }
    case EFFECT_VOLUME_SLIDE:
      remember(channel->volumeSlide, param);
      break;
    case EFFECT_SET_VOLUME:
      channel->volume = param;
      channel->flags |= UPDATE_VOLUME;
      break;
    case EFFECT_EXTENDED:
      extendedEffect(engine, song, channel, sound.sample, kept, param, cell.note != 0);
      break;
    case EFFECT_GLOBAL_VOLUME:
      song->globalVolume = param > 64 ? 64 : param;
      channel->flags |= UPDATE_VOLUME;
      break;
    case EFFECT_GLOBAL_VOLUME_SLIDE:
      if (param != 0) song->globalVolumeSlide = param;
      break;
    case EFFECT_ENVELOPE_POSITION:
      setEnvelopePosition(channel, sound.instrument, param);
      break;
    case EFFECT_PANNING_SLIDE:
      if (param != 0) {
        channel->panSlide = param;
        channel->flags |= UPDATE_PAN;
      }
      break;
    case EFFECT_MULTI_RETRIGGER:
      if (param != 0) {
        channel->retrigVolume = x;
        channel->retrigInterval = y;
      }
      // A count across rows starts with the row's note, and counts the row tick otherwise.
      if ((song->rules & RULE_RETRIGGER_COUNTS_ON) != 0) {
        if (cell.note != 0) {
          channel->retrigCount = 0;
        } else {
          countRetrigger(channel);
        }
      }
      break;
    case EFFECT_TREMOR:
      if (param != 0) {
        channel->tremorOn = static_cast<std::uint8_t>(x + 1);
        channel->tremorOff = static_cast<std::uint8_t>(y + 1);
      }
      tremor(channel);
      break;
    case EFFECT_EXTRA_FINE_PORTAMENTO:
      if (x == 1) {
        remember(channel->xfinePortaUp, y);
        channel->period = limitPeriod(song, wrapSub(channel->period, channel->xfinePortaUp));
      } else if (x == 2) {
        remember(channel->xfinePortaDown, y);
        channel->period = limitPeriod(song, wrapAdd(channel->period, channel->xfinePortaDown));
      }
      break;
    case EFFECT_FINE_VIBRATO:
      remember(channel->vibratoSpeed, x);
      remember(channel->vibratoDepth, y);
      break;
    default:  // arpeggio, key off (handled with the note), the flow and the unused numbers
      break;
  }
}

void processChannel(Engine& engine, Song* song, Channel* channel, const PatternCell& stored) {
  // A letter effect plays as the effect it comes to this row; XM effects play as stored.
  PatternCell cell = stored;
  std::int8_t rowVolumeSlide = 0;
  if (stored.effect >= XM_EFFECT_COUNT) {
    const PlayedEffect played = playedEffect(song, channel, stored);
    cell.effect = played.effect;
    cell.param = played.param;
    rowVolumeSlide = played.rowVolumeSlide;
  }
  channel->playEffect = cell.effect;
  channel->playParam = cell.param;
  const bool tonePortamento =
      cell.effect == EFFECT_TONE_PORTAMENTO || cell.effect == EFFECT_TONE_PORTAMENTO_VOLUME;
  const bool realNote = cell.note != 0 && cell.note != KEY_OFF;
  if (cell.instrument != 0 && !tonePortamento) channel->instrument = cell.instrument - 1;
  if (realNote && !tonePortamento) channel->note = cell.note - 1;

  const ChannelSound sound = resolveSound(song, channel);
  const KeptState kept{channel->volume, channel->period, channel->pan};

  // The volume stays where a tremolo on the previous row left it.
  if (channel->effect == EFFECT_TREMOLO && cell.effect != EFFECT_TREMOLO) {
    channel->volume += channel->volumeDelta;
  }
  channel->effect = cell.effect;
  channel->volumeDelta = 0;
  channel->flags = 0;

  if (realNote) {
    channel->realNote = static_cast<std::uint8_t>(cell.note + sound.sample->relativeNote - 1);
    channel->notePeriod = notePeriodOf(song, sound.sample, channel->realNote);
    if ((song->rules & RULE_EXACT_NOTE_RATES) != 0) {
      const std::int64_t exact = exactRatePeriod256(channel->realNote, sound.sample->c4Rate);
      channel->notePeriod = static_cast<std::int32_t>(exact >> 8);
      channel->notePeriodFraction = static_cast<std::uint8_t>(exact & 0xFF);
    }
    if ((song->rules & RULE_AMIGA_PERIOD_LIMITS) != 0) {
      channel->notePeriod = limitPeriod(song, channel->notePeriod);
    }
    if (!tonePortamento) {
      channel->period = channel->notePeriod;
      channel->periodFraction = channel->notePeriodFraction;
    }
    channel->flags = UPDATE_TRIGGER;
  }
  channel->periodDelta = 0;
  channel->periodDeltaFraction = 0;
  channel->flags |= UPDATE_FREQUENCY | UPDATE_VOLUME;

  if (cell.instrument != 0) resetChannel(channel, sound.sample);
  const bool notesRestartWaves = (song->rules & RULE_NOTES_RESTART_WAVES) != 0;
  if (notesRestartWaves ? realNote && !tonePortamento : cell.instrument != 0) {
    restartWaves(channel);
  }
  if (cell.instrument != 0 && cell.note == 0 && (song->rules & RULE_SAMPLE_SWAP) != 0) {
    Voice* voice = channel->voice;
    voice->nextSample = voice->sample != sound.sample ? sound.sample : nullptr;
  }
  // Samples without a pan of their own leave the channel's.
  if ((song->rules & RULE_CHANNEL_PANNING) != 0) channel->pan = kept.pan;
  if (cell.volumeColumn != 0) applyVolumeColumn(channel, cell.volumeColumn);
  if (cell.note == KEY_OFF && (song->rules & RULE_NOTE_OFF_CUTS) != 0) {
    channel->volume = 0;
  } else if (cell.note == KEY_OFF || cell.effect == EFFECT_KEY_OFF) {
    channel->keyOff = 1;
  }

  updateEnvelopes(channel, sound.instrument, true);
  rowEffect(engine, song, channel, sound, cell, kept);
  if (rowVolumeSlide > 0) slideVolumeUp(channel, rowVolumeSlide);
  if (rowVolumeSlide < 0) slideVolumeDown(channel, -rowVolumeSlide);
  autoVibrato(channel, sound.instrument);
  updateVoice(engine, channel, sound.sample, song);
}

}  // namespace

std::int32_t notePeriodOf(const Song* song, const Sample* sample, std::uint8_t realNote) {
  if ((song->flags & SONG_LINEAR_FREQUENCIES) != 0) {
    return 7680 - realNote * 64 - sample->finetune / 2;
  }
  if ((song->rules & RULE_EXACT_NOTE_RATES) != 0) {
    return static_cast<std::int32_t>(exactRatePeriod256(realNote, sample->c4Rate) >> 8);
  }
  if ((song->rules & RULE_SCREAM_TRACKER_PERIODS) != 0) {
    return screamTrackerPeriod(realNote, sample->c4Rate);
  }
  if ((song->rules & RULE_PROTRACKER_PERIODS) != 0)
    return protrackerPeriod(realNote, sample->finetune);
  return amigaPeriod(realNote, sample->finetune);
}

void resetChannel(Channel* channel, const Sample* sample) {
  channel->volume = sample->volume;
  channel->pan = sample->panning;
  channel->volEnvValue = 64;
  channel->volEnvPoint = 0;
  channel->volEnvTick = 0;
  channel->volEnvStep = 0;
  channel->panEnvValue = 32;
  channel->panEnvPoint = 0;
  channel->panEnvTick = 0;
  channel->panEnvStep = 0;
  channel->keyOff = 0;
  channel->fadeVolume = 65536;
  channel->volEnvDone = 0;
  channel->panEnvDone = 0;
  channel->autoVibSweep = 0;
  channel->autoVibPos = 0;
  channel->flags |= UPDATE_VOLUME | UPDATE_PAN;
  channel->tremorCount = 0;
}

void restartWaves(Channel* channel) {
  if ((channel->waveControl & 0x0F) < 4) channel->vibratoPos = 0;
  if ((channel->waveControl >> 4) < 4) channel->tremoloPos = 0;
}

void applyVolumeColumn(Channel* channel, std::uint8_t volumeColumn) {
  const std::int32_t low = volumeColumn & 0x0F;
  if (volumeColumn >= 0x10 && volumeColumn <= 0x50) {
    channel->volume = volumeColumn - 0x10;
    channel->flags |= UPDATE_VOLUME;
    return;
  }
  switch (volumeColumn >> 4) {
    case 0x6:
    case 0x8:
      slideVolumeDown(channel, low);
      break;
    case 0x7:
    case 0x9:
      slideVolumeUp(channel, low);
      break;
    case 0xA:
      channel->vibratoSpeed = static_cast<std::uint8_t>(low);
      break;
    case 0xB:
      channel->vibratoDepth = static_cast<std::uint8_t>(low);
      break;
    case 0xC:
      channel->pan = low * 16;
      channel->flags |= UPDATE_PAN;
      break;
    case 0xD:
      slidePanLeft(channel, low);
      break;
    case 0xE:
      slidePanRight(channel, low);
      break;
    case 0xF:
      if (low != 0) channel->portaSpeed = static_cast<std::uint8_t>(low * 16);
      channel->portaTarget = channel->notePeriod;
      channel->flags &= static_cast<std::uint8_t>(~UPDATE_TRIGGER);
      break;
    default:  // 0x01..0x0F and 0x51..0x5F mean nothing
      break;
  }
}

void processRow(Engine& engine, Song* song) {
  const PatternCell* cells = currentRowCells(song);
  if (cells == nullptr) return;
  const std::int32_t channels =
      song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
  for (std::int32_t c = 0; c < channels; ++c) {
    processChannel(engine, song, &engine.channelTable[c], cells[c]);
  }
}

}  // namespace player
