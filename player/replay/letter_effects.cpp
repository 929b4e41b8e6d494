#include "player/replay/letter_effects.h"

#include "player/load/effects.h"

namespace player {
namespace {

// B-3's 113, and a quarter unit more: the reference player's highest Amiga pitch, which its
// renders of ProTracker modules keep to (xmp's is lower still; ProTracker's table says 113).
constexpr std::int32_t AMIGA_LOWEST_PERIOD = 113 * 4 + 1;
constexpr std::int32_t AMIGA_HIGHEST_PERIOD = 856 * 4;
constexpr std::uint8_t FINE = 0xF;
constexpr std::uint8_t EXTRA_FINE = 0xE;

bool sharesMemory(std::uint8_t effect) {
  switch (effect) {
    case EFFECT_VOLUME_SLIDE_FINE:
    case EFFECT_PORTAMENTO_DOWN_FINE:
    case EFFECT_PORTAMENTO_UP_FINE:
    case EFFECT_TREMOR_ON_OFF:
    case EFFECT_ARPEGGIO_MEMORY:
    case EFFECT_VIBRATO_VOLUME_FINE:
    case EFFECT_TONE_PORTAMENTO_VOLUME_FINE:
    case EFFECT_RETRIGGER_VOLUME:
    case EFFECT_TREMOLO_MEMORY:
    case EFFECT_SPECIAL:
      return true;
    default:
      return false;
  }
}

std::uint8_t make(std::uint8_t x, std::uint8_t y) {
  return static_cast<std::uint8_t>(x << 4 | y);
}

// Dxy as XM's volume slide (Axy) on the other ticks, and what changes on the row tick: DxF fine
// up by x and DFy fine down by y (the row tick only); D0y down and Dx0 up (the row tick too with
// fast slides, and always for D0F and DF0); with both neither 0 nor F, down by y where the slide
// down wins, else nothing.
PlayedEffect volumeSlide(const Song* song, std::uint8_t param, std::uint8_t withEffect,
                         std::uint8_t withParam) {
  const std::uint8_t x = param >> 4;
  const std::uint8_t y = param & 0x0F;
  const bool fast = (song->rules & RULE_FAST_VOLUME_SLIDES) != 0;
  if (y == FINE && x != 0) return {withEffect, withParam, static_cast<std::int8_t>(x)};
  if (x == FINE && y != 0) return {withEffect, withParam, static_cast<std::int8_t>(-y)};
  if (x != 0 && y != 0) {
    if ((song->rules & RULE_SLIDE_DOWN_WINS) == 0) return {withEffect, withParam, 0};
    param = y;
  }
  const std::uint8_t up = param >> 4;
  const std::uint8_t down = param & 0x0F;
  // The XM effect that slides: the volume slide itself, or the one combined with the other
  // effect (5xy, 6xy) where there is one.
  const std::uint8_t slide = withEffect == EFFECT_TONE_PORTAMENTO ? EFFECT_TONE_PORTAMENTO_VOLUME
                             : withEffect == EFFECT_VIBRATO       ? EFFECT_VIBRATO_VOLUME
                                                                  : EFFECT_VOLUME_SLIDE;
  const bool everyTick = fast || up == FINE || down == FINE;
  const std::int8_t now = !everyTick ? 0 : static_cast<std::int8_t>(up != 0 ? up : -down);
  return {slide, param, now};
}

// Exx and Fxx: EFy / FFy fine by y x 4 periods, EEy / FEy extra fine by y periods (the row tick
// only), else xx x 4 periods on each other tick.
PlayedEffect portamento(std::uint8_t param, bool up) {
  const std::uint8_t y = param & 0x0F;
  if (param >> 4 == FINE) {
    return {EFFECT_EXTENDED,
            make(up ? EXTENDED_FINE_PORTAMENTO_UP : EXTENDED_FINE_PORTAMENTO_DOWN, y), 0};
  }
  if (param >> 4 == EXTRA_FINE) return {EFFECT_EXTRA_FINE_PORTAMENTO, make(up ? 1 : 2, y), 0};
  return {up ? EFFECT_PORTAMENTO_UP : EFFECT_PORTAMENTO_DOWN, param, 0};
}

// Sxy as the E command of the same meaning. SC0 and SD0 do nothing in Scream Tracker 3; the
// pattern loop and delay are the flow's (song_flow.h).
PlayedEffect special(std::uint8_t param) {
  const std::uint8_t y = param & 0x0F;
  std::uint8_t command = 0;
  switch (param >> 4) {
    case SPECIAL_GLISSANDO:
      command = EXTENDED_GLISSANDO;
      break;
    case SPECIAL_VIBRATO_WAVEFORM:
      command = EXTENDED_VIBRATO_WAVEFORM;
      break;
    case SPECIAL_TREMOLO_WAVEFORM:
      command = EXTENDED_TREMOLO_WAVEFORM;
      break;
    case SPECIAL_NOTE_CUT:
      command = y != 0 ? EXTENDED_NOTE_CUT : 0;
      break;
    case SPECIAL_NOTE_DELAY:
      command = y != 0 ? EXTENDED_NOTE_DELAY : 0;
      break;
    default:
      break;
  }
  if (param >> 4 == SPECIAL_SET_PANNING) return {EFFECT_SET_PANNING, playerPan(y * 17u), 0};
  if (command == 0) return {EFFECT_NONE, 0, 0};
  return {EFFECT_EXTENDED, make(command, y), 0};
}

}  // namespace

PlayedEffect playedEffect(const Song* song, Channel* channel, const PatternCell& cell) {
  std::uint8_t param = cell.param;
  if ((song->rules & RULE_SHARED_EFFECT_MEMORY) != 0 && sharesMemory(cell.effect)) {
    if (param != 0) channel->sharedMemory = param;
    param = channel->sharedMemory;
  }
  switch (cell.effect) {
    case EFFECT_VOLUME_SLIDE_FINE:
    case EFFECT_VIBRATO_VOLUME_FINE:
    case EFFECT_TONE_PORTAMENTO_VOLUME_FINE: {
      // D, K and L share one memory.
      if (param == 0) param = channel->volumeSlide;
      channel->volumeSlide = param;
      const std::uint8_t with = cell.effect == EFFECT_VIBRATO_VOLUME_FINE ? EFFECT_VIBRATO
                                : cell.effect == EFFECT_TONE_PORTAMENTO_VOLUME_FINE
                                    ? EFFECT_TONE_PORTAMENTO
                                    : EFFECT_NONE;
      return volumeSlide(song, param, with, 0);
    }
    case EFFECT_PORTAMENTO_DOWN_FINE:
    case EFFECT_PORTAMENTO_UP_FINE:
      // Both share one memory.
      if (param == 0) param = channel->portaUpSpeed;
      channel->portaUpSpeed = channel->portaDownSpeed = param;
      return portamento(param, cell.effect == EFFECT_PORTAMENTO_UP_FINE);
    case EFFECT_TREMOR_ON_OFF:
      // Before any parameter, the tremor's memory holds I00: one tick on, one off.
      if (channel->tremorOn == 0) channel->tremorOn = channel->tremorOff = 1;
      return {EFFECT_TREMOR, param, 0};
    case EFFECT_ARPEGGIO_MEMORY:
      if (param == 0) param = channel->arpeggioMemory;
      channel->arpeggioMemory = param;
      return {EFFECT_ARPEGGIO, param, 0};
    case EFFECT_RETRIGGER_VOLUME:
      return {EFFECT_MULTI_RETRIGGER, param, 0};
    case EFFECT_TREMOLO_MEMORY:
      return {EFFECT_TREMOLO, param, 0};
    case EFFECT_VIBRATO_LETTER:
      return {EFFECT_VIBRATO, param, 0};
    case EFFECT_SPECIAL:
      return special(param);
    case EFFECT_FINE_VIBRATO:
      return {cell.effect, param, 0};
    default:  // the flow's, the effects of Impulse Tracker alone, and EFFECT_NONE
      return {EFFECT_NONE, 0, 0};
  }
}

std::int32_t tempoFloor(const Song* song) {
  return (song->rules & RULE_SCREAM_TRACKER_LIMITS) != 0 ? 33 : 32;
}

std::int32_t limitPeriod(const Song* song, std::int32_t period) {
  if ((song->rules & RULE_AMIGA_PERIOD_LIMITS) == 0) return period;
  if (period < AMIGA_LOWEST_PERIOD) return AMIGA_LOWEST_PERIOD;
  if (period > AMIGA_HIGHEST_PERIOD) return AMIGA_HIGHEST_PERIOD;
  return period;
}

}  // namespace player
