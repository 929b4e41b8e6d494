#include "player/replay/oscillators.h"

#include <cstdint>

#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/replay/waveforms.h"

namespace player {

namespace {

enum class Waveform { SINE, RAMP, SQUARE };

// Vibrato selectors 0..3: sine, ramp, square, square.
Waveform vibratoWaveform(std::uint8_t waveControl) {
  switch (waveControl & 3) {
    case 0:
      return Waveform::SINE;
    case 1:
      return Waveform::RAMP;
    default:
      return Waveform::SQUARE;
  }
}

// Tremolo selectors 0..3: sine, ramp, square, sine.
Waveform tremoloWaveform(std::uint8_t waveControl) {
  switch ((waveControl >> 4) & 3) {
    case 1:
      return Waveform::RAMP;
    case 2:
      return Waveform::SQUARE;
    default:
      return Waveform::SINE;
  }
}

// Magnitude 0..256 of the waveform at position; the caller applies the sign from the half of
// the cycle (position >= 0: first half).
std::int32_t magnitude(Waveform waveform, std::int8_t position) {
  const std::int32_t phase = position & 31;
  switch (waveform) {
    case Waveform::SINE:
      return OSCILLATOR_SINE[phase];
    case Waveform::RAMP:
      return position >= 0 ? phase * 8 : 255 - phase * 8;
    case Waveform::SQUARE:
      break;
  }
  return 255;
}

// One step of an oscillator position in signed 8-bit arithmetic, folded back into -32..31.
std::int8_t advancePosition(std::int8_t position, std::uint8_t speed) {
  std::int8_t next = static_cast<std::int8_t>(position + speed);
  if (next > 31) next = static_cast<std::int8_t>(next - 64);
  return next;
}

}  // namespace

void tonePortamento(Channel* channel) {
  // In 64 bits, so that a step near the ends of the 32-bit range lands on the target instead of
  // overflowing.
  const std::int64_t period = channel->period;
  const std::int64_t target = channel->portaTarget;
  const std::int64_t speed = 4 * static_cast<std::int64_t>(channel->portaSpeed);
  if (period < target) {
    const std::int64_t raised = period + speed;
    channel->period = static_cast<std::int32_t>(raised > target ? target : raised);
  } else if (period > target) {
    const std::int64_t lowered = period - speed;
    channel->period = static_cast<std::int32_t>(lowered < target ? target : lowered);
  }
  // Arrived: the target note's own fraction of a unit.
  if (channel->period == target) channel->periodFraction = channel->notePeriodFraction;
  channel->flags |= UPDATE_FREQUENCY;
}

VibratoShape vibratoShapeOf(const Song* song) {
  return {(song->rules & RULE_VIBRATO_FALLS_FIRST) != 0,
          (song->rules & RULE_OLD_VIBRATO) != 0 ? 4 : 5,
          (song->rules & RULE_VIBRATO_SINGLE_UNITS) == 0};
}

void vibrato(Channel* channel, const VibratoShape& shape) {
  const std::int32_t w = magnitude(vibratoWaveform(channel->waveControl), channel->vibratoPos);
  std::int32_t depth = (w * channel->vibratoDepth) >> shape.shift;
  if (shape.wholeFours) depth &= ~3;
  channel->periodDelta = (channel->vibratoPos >= 0) != shape.downFirst ? -depth : depth;
  channel->flags |= UPDATE_FREQUENCY;
}

void fineVibrato(Channel* channel, const VibratoShape& shape) {
  const std::int32_t w = magnitude(vibratoWaveform(channel->waveControl), channel->vibratoPos);
  const std::int32_t depth = (w * channel->vibratoDepth) >> (shape.shift + 2);
  channel->periodDelta = (channel->vibratoPos >= 0) != shape.downFirst ? -depth : depth;
  channel->flags |= UPDATE_FREQUENCY;
}

void advanceVibrato(Channel* channel) {
  channel->vibratoPos = advancePosition(channel->vibratoPos, channel->vibratoSpeed);
}

void tremolo(Channel* channel) {
  const std::int32_t w = magnitude(tremoloWaveform(channel->waveControl), channel->tremoloPos);
  std::int64_t depth = (w * channel->tremoloDepth) >> 6;
  const std::int64_t volume = channel->volume;
  // Keeps volume + volumeDelta within 0..64 for a volume in that range; a volume above 64 is
  // pulled down to 64 in the rising half.
  if (channel->tremoloPos >= 0) {
    if (volume + depth > 64) depth = 64 - volume;
    channel->volumeDelta = static_cast<std::int32_t>(depth);
  } else {
    if (depth > volume) depth = volume;
    channel->volumeDelta = static_cast<std::int32_t>(-depth);
  }
  channel->tremoloPos = advancePosition(channel->tremoloPos, channel->tremoloSpeed);
  channel->flags |= UPDATE_VOLUME;
}

void tremor(Channel* channel) {
  if (channel->tremorCount >= channel->tremorOn) channel->volumeDelta = wrapSub(0, channel->volume);
  channel->tremorCount = static_cast<std::uint8_t>(channel->tremorCount + 1);
  if (channel->tremorCount >= channel->tremorOn + channel->tremorOff) channel->tremorCount = 0;
  channel->flags |= UPDATE_VOLUME;
}

}  // namespace player
