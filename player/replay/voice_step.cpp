#include "player/replay/voice_step.h"

#include <algorithm>

namespace player {

namespace {

constexpr std::int32_t MINIMUM_STEP_FREQUENCY = 100;
// The mixer's 8.24 step is 0 from 256 samples per frame on, so the step stays below that.
constexpr std::int64_t MAXIMUM_STEP_PER_FRAME = 255;

}  // namespace

// The integer quotient enters the dividend of the fraction, which makes the fraction one larger
// than r x 2^32 / rate for a few frequencies; the mixer's timing depends on these exact bits.
void setVoiceStep(Voice* voice, std::int32_t frequency, std::int32_t rate) {
  const std::int64_t ceiling = MAXIMUM_STEP_PER_FRAME * rate;
  const std::int64_t stepFrequency =
      std::min<std::int64_t>(std::max(frequency, MINIMUM_STEP_FREQUENCY), ceiling);
  const std::uint32_t f = static_cast<std::uint32_t>(stepFrequency);
  const std::uint32_t r = static_cast<std::uint32_t>(rate);
  const std::uint32_t step = f / r;
  const std::uint64_t dividend = (static_cast<std::uint64_t>(f % r) << 32) + step;
  voice->step = step;
  voice->stepFrac = static_cast<std::uint32_t>(dividend / r);
}

void setVoiceStepOfPeriod(Voice* voice, std::int32_t clock, std::int32_t period,
                          std::int32_t rate) {
  const std::int64_t frequency = clock / period;
  if (frequency < MINIMUM_STEP_FREQUENCY || frequency >= MAXIMUM_STEP_PER_FRAME * rate) {
    setVoiceStep(voice, static_cast<std::int32_t>(frequency), rate);
    return;
  }
  // Below 2^63: the clock is below 2^31.
  const std::uint64_t step =
      (static_cast<std::uint64_t>(clock) << 32) /
      (static_cast<std::uint64_t>(period) * static_cast<std::uint64_t>(rate));
  voice->step = static_cast<std::uint32_t>(step >> 32);
  voice->stepFrac = static_cast<std::uint32_t>(step);
}

void setVoiceStepOfFinePeriod(Voice* voice, std::int32_t clock, std::int64_t finePeriod,
                              std::int32_t rate) {
  const std::int64_t frequency = clock * std::int64_t{256} / finePeriod;
  if (frequency < MINIMUM_STEP_FREQUENCY || frequency >= MAXIMUM_STEP_PER_FRAME * rate) {
    setVoiceStep(voice, static_cast<std::int32_t>(frequency), rate);
    return;
  }
  // clock x 2^40 passes 64 bits; in double the quotient, below 2^40, is exact to 2^-12 of a
  // step unit, and IEEE arithmetic gives the same bits everywhere.
  const double step = static_cast<double>(clock) * 1099511627776.0 /
                      (static_cast<double>(finePeriod) * static_cast<double>(rate));
  const auto whole = static_cast<std::uint64_t>(step);
  voice->step = static_cast<std::uint32_t>(whole >> 32);
  voice->stepFrac = static_cast<std::uint32_t>(whole);
}

}  // namespace player
