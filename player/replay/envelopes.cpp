#include "player/replay/envelopes.h"

#include <algorithm>
#include <cstdint>

#include "player/numeric.h"
#include "player/replay/waveforms.h"

namespace player {

namespace {

constexpr std::int32_t ENVELOPE_MAX_VALUE = 64;
constexpr std::int32_t FIXED_ONE = 65536;  // 1.0 in 16.16

std::int32_t envelopeValue(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, ENVELOPE_MAX_VALUE));
}

// The 16.16 slope from point a to point b per tick, 0 between points at the same tick.
std::int32_t slopeBetween(const EnvelopePoint& a, const EnvelopePoint& b) {
  const std::int32_t width = static_cast<std::int32_t>(b.x) - a.x;
  if (width == 0) return 0;
  const std::int32_t rise = wrapMul(static_cast<std::int32_t>(b.y) - a.y, FIXED_ONE);
  return static_cast<std::int32_t>(static_cast<std::int64_t>(rise) / width);
}

// Auto-vibrato waveform value -64..64 at phase 0..255; types without a waveform give 0.
std::int32_t autoVibratoWave(std::uint8_t type, std::int32_t phase) {
  switch (type) {
    case 0:
      return AUTO_VIBRATO_SINE[phase];
    case 1:
      return phase < 128 ? 64 : -64;
    case 2:
      return (128 - (phase + 128) % 256) >> 1;
    case 3:
      return (128 - (384 - phase) % 256) >> 1;
    default:
      return 0;
  }
}

}  // namespace

void envelopeStep(Channel* channel, const EnvelopeState& state, const EnvelopePoint* points,
                  std::uint8_t pointCount, std::uint8_t loopEnd, std::uint8_t loopStart,
                  std::uint8_t sustainPoint, std::uint8_t envelopeFlags, std::uint8_t updateBit) {
  // Only the stored points are ever read, whatever the count and the point index say.
  const std::uint32_t count = std::min<std::uint32_t>(pointCount, ENVELOPE_POINTS);
  std::uint32_t& tick = *state.tick;
  std::uint32_t& point = *state.point;
  std::int32_t& fixed = *state.fixed;
  std::int32_t& value = *state.value;
  std::int32_t& step = *state.step;

  if (point >= count) {
    value = envelopeValue(fixed >> 16);
    ++tick;
  } else if (tick != points[point].x) {
    fixed = wrapAdd(fixed, step);
    value = envelopeValue(fixed >> 16);
    ++tick;
  } else {
    // Point reached: the loop first, then the last point, then the sustain hold. A loop start
    // beyond the stored points is no loop.
    if ((envelopeFlags & ENVELOPE_LOOP) != 0 && point == loopEnd && loopStart < count) {
      point = loopStart;
      tick = points[point].x;
    }
    if (point == count - 1) {
      value = envelopeValue(points[point].y);
      *state.done = 1;
    } else if ((envelopeFlags & ENVELOPE_SUSTAIN) != 0 && point == sustainPoint &&
               channel->keyOff == 0) {
      value = envelopeValue(points[point].y);
    } else {
      step = slopeBetween(points[point], points[point + 1]);
      fixed = wrapMul(points[point].y, FIXED_ONE);
      value = envelopeValue(points[point].y);
      ++point;
      ++tick;
    }
  }
  channel->flags |= updateBit;
}

void updateEnvelopes(Channel* channel, const Instrument* instrument, bool tickZero) {
  if (instrument == nullptr) instrument = &EmptyInstrument;

  if ((instrument->volumeEnvelopeFlags & ENVELOPE_ON) != 0) {
    if (channel->volEnvDone == 0) {
      const EnvelopeState state{&channel->volEnvTick,  &channel->volEnvPoint, &channel->volEnvFixed,
                                &channel->volEnvValue, &channel->volEnvStep,  &channel->volEnvDone};
      envelopeStep(channel, state, instrument->volumeEnvelope, instrument->volumePointCount,
                   instrument->volumeLoopEnd, instrument->volumeLoopStart,
                   instrument->volumeSustainPoint, instrument->volumeEnvelopeFlags, UPDATE_VOLUME);
    }
  } else if (tickZero && channel->keyOff != 0) {
    // A released note without a volume envelope falls silent on its key-off tick.
    channel->volEnvValue = 0;
  }

  if ((instrument->panningEnvelopeFlags & ENVELOPE_ON) != 0 && channel->panEnvDone == 0) {
    const EnvelopeState state{&channel->panEnvTick,  &channel->panEnvPoint, &channel->panEnvFixed,
                              &channel->panEnvValue, &channel->panEnvStep,  &channel->panEnvDone};
    envelopeStep(channel, state, instrument->panningEnvelope, instrument->panningPointCount,
                 instrument->panningLoopEnd, instrument->panningLoopStart,
                 instrument->panningSustainPoint, instrument->panningEnvelopeFlags, UPDATE_PAN);
  }

  if (channel->keyOff != 0) {
    const std::int64_t faded = static_cast<std::int64_t>(channel->fadeVolume) - instrument->fadeout;
    channel->fadeVolume = faded < 0 ? 0 : static_cast<std::int32_t>(faded);
    channel->flags |= UPDATE_VOLUME;
  }
}

void autoVibrato(Channel* channel, const Instrument* instrument) {
  if (instrument == nullptr) instrument = &EmptyInstrument;
  const std::int32_t phase = channel->autoVibPos & 255;
  std::int64_t size = static_cast<std::int64_t>(autoVibratoWave(instrument->vibratoType, phase)) *
                      instrument->vibratoDepth;
  // The sweep fades the vibrato in over vibratoSweep ticks from the channel reset.
  if (instrument->vibratoSweep != 0) size = size * channel->autoVibSweep / instrument->vibratoSweep;
  channel->periodDelta = wrapAdd(channel->periodDelta, static_cast<std::int32_t>(size >> 6));

  channel->autoVibSweep =
      std::min<std::int32_t>(wrapAdd(channel->autoVibSweep, 1), instrument->vibratoSweep);
  channel->autoVibPos = phase + instrument->vibratoRate;
  if (channel->autoVibPos > 255) channel->autoVibPos -= 256;
  channel->flags |= UPDATE_FREQUENCY;
}

}  // namespace player
