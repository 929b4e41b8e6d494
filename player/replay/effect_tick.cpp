#include "player/replay/effect_tick.h"

#include <cstdint>

#include "player/engine.h"
#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/replay/envelopes.h"
#include "player/replay/letter_effects.h"
#include "player/replay/oscillators.h"
#include "player/replay/pitch.h"
#include "player/replay/row.h"
#include "player/replay/song_position.h"
#include "player/replay/voice_update.h"
#include "player/replay/volume_slides.h"

namespace player {

namespace {

constexpr std::uint8_t VOICE_BITS = UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_PAN | UPDATE_TRIGGER;

// Axy, 5xy and 6xy: an x that is not 0 slides up and wins over the y.
void volumeSlide(Channel* channel) {
  const std::uint8_t x = channel->volumeSlide >> 4;
  const std::uint8_t y = channel->volumeSlide & 0x0F;
  if (x != 0) {
    slideVolumeUp(channel, x);
  } else if (y != 0) {
    slideVolumeDown(channel, y);
  }
  channel->flags |= UPDATE_VOLUME;  // also when both are 0
}

void volumeColumnTick(Channel* channel, std::uint8_t volumeColumn) {
  const std::int32_t low = volumeColumn & 0x0F;
  switch (volumeColumn >> 4) {
    case 0x6:
      slideVolumeDown(channel, low);
      break;
    case 0x7:
      slideVolumeUp(channel, low);
      break;
    case 0xB:
      channel->vibratoDepth = static_cast<std::uint8_t>(low);
      vibrato(channel, FASTTRACKER_VIBRATO);
      advanceVibrato(channel);
      break;
    case 0xD:
      slidePanLeft(channel, low);
      break;
    case 0xE:
      slidePanRight(channel, low);
      break;
    case 0xF:
      tonePortamento(channel);
      break;
    default:  // the set commands and the fine slides act on tick 0 only
      break;
  }
}

void arpeggio(const Song* song, std::int32_t tick, Channel* channel, const Sample* sample,
              std::uint8_t param) {
  if (param == 0) return;
  const std::int32_t phase = tick % 3;
  if (phase != 0) {
    const std::int32_t n = phase == 1 ? (param >> 4) : (param & 0x0F);
    if ((song->flags & SONG_LINEAR_FREQUENCIES) != 0) {
      channel->periodDelta = n * 64;
    } else if ((song->rules & RULE_EXACT_NOTE_RATES) != 0) {
      // The pitch n semitones above the one playing, exactly: its period in 256ths scaled by the
      // ratio of the two notes' exact periods.
      const auto upper = static_cast<std::uint8_t>(channel->realNote + n);
      const std::int64_t from = exactRatePeriod256(channel->realNote, sample->c4Rate);
      const std::int64_t to = exactRatePeriod256(upper, sample->c4Rate);
      const std::int64_t fine = std::int64_t{channel->period} * 256 + channel->periodFraction;
      constexpr double LONGEST = 256.0 * 2147483647.0;
      const double scaled =
          static_cast<double>(fine) * static_cast<double>(to) / static_cast<double>(from);
      const auto heard = static_cast<std::int64_t>(scaled < LONGEST ? scaled : LONGEST);
      channel->periodDelta = static_cast<std::int32_t>((heard >> 8) - channel->period);
      channel->periodDeltaFraction =
          static_cast<std::int32_t>(heard & 0xFF) - channel->periodFraction;
    } else {
      // Notes are 8-bit: the note above wraps modulo 256.
      const auto upper = static_cast<std::uint8_t>(channel->realNote + n);
      channel->periodDelta =
          notePeriodOf(song, sample, upper) - notePeriodOf(song, sample, channel->realNote);
    }
  }
  channel->flags |= UPDATE_FREQUENCY;
}

void globalVolumeSlide(Song* song) {
  const std::uint8_t x = song->globalVolumeSlide >> 4;
  const std::uint8_t y = song->globalVolumeSlide & 0x0F;
  if (x != 0) {
    song->globalVolume += x;
    if (song->globalVolume > 64) song->globalVolume = 64;
  } else if (y != 0) {
    song->globalVolume -= y;
    if (song->globalVolume < 0) song->globalVolume = 0;
  }
}

void panningSlide(Channel* channel) {
  const std::uint8_t x = channel->panSlide >> 4;
  const std::uint8_t y = channel->panSlide & 0x0F;
  if (x != 0) {
    channel->pan = wrapAdd(channel->pan, x);
    if (channel->pan > 255) channel->pan = 255;
  } else if (y != 0) {
    channel->pan = wrapSub(channel->pan, y);
    if (channel->pan < 0) channel->pan = 0;
  }
  channel->flags |= UPDATE_PAN;
}

void multiRetrigger(const Song* song, std::int32_t tick, Channel* channel) {
  if ((song->rules & RULE_RETRIGGER_COUNTS_ON) != 0) {
    countRetrigger(channel);
    return;
  }
  if (channel->retrigInterval == 0 || tick % channel->retrigInterval != 0) return;
  retrigger(channel);
}

}  // namespace

void retrigger(Channel* channel) {
  if (channel->retrigVolume == 0) {
    channel->flags |= UPDATE_TRIGGER;
    return;
  }
  std::int32_t volume = channel->volume;
  switch (channel->retrigVolume) {
    case 1:
      volume -= 1;
      break;
    case 2:
      volume -= 2;
      break;
    case 3:
      volume -= 4;
      break;
    case 4:
      volume -= 8;
      break;
    case 5:
      volume -= 16;
      break;
    case 6:
      volume = wrapMul(volume, 2) / 3;
      break;
    case 7:
      volume >>= 1;
      break;
    case 9:
      volume += 1;
      break;
    case 10:
      volume += 2;
      break;
    case 11:
      volume += 4;
      break;
    case 12:
      volume += 8;
      break;
    case 13:
      volume += 16;
      break;
    case 14:
      volume = wrapMul(volume, 3) / 2;
      break;
    case 15:
      volume = wrapMul(volume, 2);
      break;
    default:
      break;  // 8: no change
  }
  channel->volume = volume < 0 ? 0 : (volume > 64 ? 64 : volume);
  channel->flags |= UPDATE_VOLUME | UPDATE_TRIGGER;
}

void countRetrigger(Channel* channel) {
  if (channel->retrigInterval == 0) return;
  channel->retrigCount = static_cast<std::uint8_t>(channel->retrigCount + 1);
  if (channel->retrigCount < channel->retrigInterval) return;
  channel->retrigCount = 0;
  retrigger(channel);
}

namespace {

void extendedEffectTick(const Song* song, std::int32_t tick, Channel* channel, const Sample* sample,
                        const PatternCell& cell) {
  const std::uint8_t y = cell.param & 0x0F;
  switch (cell.param >> 4) {
    // Fine slides act on the row tick, and so again on the first tick of each repetition of a
    // row that a pattern delay plays again (tick 0 reaches here only then).
    case EXTENDED_FINE_PORTAMENTO_UP:
      if (tick == 0) {
        channel->period = limitPeriod(song, wrapSub(channel->period, channel->finePortaUp * 4));
        channel->flags |= UPDATE_FREQUENCY;
      }
      break;
    case EXTENDED_FINE_PORTAMENTO_DOWN:
      if (tick == 0) {
        channel->period = limitPeriod(song, wrapAdd(channel->period, channel->finePortaDown * 4));
        channel->flags |= UPDATE_FREQUENCY;
      }
      break;
    case EXTENDED_FINE_VOLUME_UP:
      if (tick == 0) slideVolumeUp(channel, channel->fineVolumeSlide);
      break;
    case EXTENDED_FINE_VOLUME_DOWN:
      if (tick == 0) slideVolumeDown(channel, channel->fineVolumeSlide);
      break;
    case EXTENDED_RETRIGGER:
      // The first tick of a pattern delay's repetition starts nothing where the row has a note.
      if (y != 0 && tick % y == 0 && (tick != 0 || cell.note == 0)) {
        channel->flags |= UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_TRIGGER;
      }
      break;
    case EXTENDED_NOTE_CUT:
      if (tick == y) {
        channel->volume = 0;
        channel->flags |= UPDATE_VOLUME;
      }
      break;
    case EXTENDED_NOTE_DELAY:
      if (tick == y) {
        resetChannel(channel, sample);
        // A delayed note has restarted the waves with the row, where notes restart them.
        if ((song->rules & RULE_NOTES_RESTART_WAVES) == 0) restartWaves(channel);
        channel->period = channel->notePeriod;
        channel->flags |= UPDATE_FREQUENCY;
        if (cell.volumeColumn != 0) applyVolumeColumn(channel, cell.volumeColumn);
        channel->flags |= UPDATE_TRIGGER;
      } else {
        // Until the delayed note starts, the voice keeps sounding the previous one unchanged.
        channel->flags &= static_cast<std::uint8_t>(~VOICE_BITS);
      }
      break;
    default:  // the other E commands act on tick 0 only
      break;
  }
}

// The tick's part of the cell's effect; tick counts from the row's (or the repetition's) start.
void effectTick(Song* song, std::int32_t tick, Channel* channel, const Sample* sample,
                const PatternCell& cell) {
  switch (cell.effect) {
    case EFFECT_ARPEGGIO:
      arpeggio(song, tick, channel, sample, cell.param);
      break;
    case EFFECT_PORTAMENTO_UP:
      channel->period = limitPeriod(song, wrapSub(channel->period, 4 * channel->portaUpSpeed));
      channel->periodDelta = 0;
      if (channel->period < 56) channel->period = 56;
      channel->flags |= UPDATE_FREQUENCY;
      break;
    case EFFECT_PORTAMENTO_DOWN:
      channel->period = limitPeriod(song, wrapAdd(channel->period, 4 * channel->portaDownSpeed));
      channel->periodDelta = 0;
      channel->flags |= UPDATE_FREQUENCY;
      break;
    case EFFECT_TONE_PORTAMENTO:
      channel->periodDelta = 0;
      tonePortamento(channel);
      break;
    case EFFECT_VIBRATO:
      vibrato(channel, vibratoShapeOf(song));
      advanceVibrato(channel);
      break;
    case EFFECT_FINE_VIBRATO:
      fineVibrato(channel, vibratoShapeOf(song));
      advanceVibrato(channel);
      break;
    case EFFECT_TONE_PORTAMENTO_VOLUME:
      channel->periodDelta = 0;
      tonePortamento(channel);
      volumeSlide(channel);
      break;
    case EFFECT_VIBRATO_VOLUME:
      vibrato(channel, vibratoShapeOf(song));
      advanceVibrato(channel);
      volumeSlide(channel);
      break;
    case EFFECT_TREMOLO:
      tremolo(channel);
      break;
    case EFFECT_VOLUME_SLIDE:
      volumeSlide(channel);
      break;
    case EFFECT_EXTENDED:
      extendedEffectTick(song, tick, channel, sample, cell);
      break;
    case EFFECT_GLOBAL_VOLUME_SLIDE:
      globalVolumeSlide(song);
      break;
    case EFFECT_PANNING_SLIDE:
      panningSlide(channel);
      break;
    case EFFECT_MULTI_RETRIGGER:
      multiRetrigger(song, tick, channel);
      break;
    case EFFECT_TREMOR:
      tremor(channel);
      break;
    default:  // effects that act on tick 0 only
      break;
  }
}

}  // namespace

void runEffectTick(Engine& engine, Song* song) {
  const PatternCell* cells = currentRowCells(song);
  if (cells == nullptr) return;
  const std::int32_t channels =
      song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
  // A row played again by a pattern delay counts its ticks from 0 each time.
  const bool repeats = (song->rules & RULE_ROW_REPEAT_DELAY) != 0 && song->speed > 0;
  const std::int32_t tick = repeats ? song->tick % song->speed : song->tick;
  for (std::int32_t c = 0; c < channels; ++c) {
    Channel* channel = &engine.channelTable[c];
    const PatternCell& cell = cells[c];
    const ChannelSound sound = resolveSound(song, channel);
    channel->volumeDelta = 0;
    channel->periodDelta = 0;
    channel->periodDeltaFraction = 0;
    channel->flags = 0;
    updateEnvelopes(channel, sound.instrument, false);
    volumeColumnTick(channel, cell.volumeColumn);
    if (cell.effect < XM_EFFECT_COUNT) {
      effectTick(song, tick, channel, sound.sample, cell);
    } else {
      // A letter effect plays as the effect it came to on the row tick.
      const PatternCell played{cell.note, cell.instrument, cell.volumeColumn, channel->playEffect,
                               channel->playParam};
      effectTick(song, tick, channel, sound.sample, played);
    }
    autoVibrato(channel, sound.instrument);
    updateVoice(engine, channel, sound.sample, song);
  }
}

}  // namespace player
