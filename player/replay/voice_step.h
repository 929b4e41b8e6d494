// The 32.32 step at which a voice moves through its sample for a playback frequency.
#pragma once

#include <cstdint>

#include "player/mixer/voice.h"

namespace player {

// Sets Voice::step and Voice::stepFrac for frequency (Hz) at the output rate (> 0). Frequencies
// below 100 Hz step at 100 Hz, and the step stays below 256 samples per frame.
void setVoiceStep(Voice* voice, std::int32_t frequency, std::int32_t rate);

// The same for the frequency clock / period (period > 0), without rounding it to whole hertz: the
// step is clock x 2^32 / (period x rate), kept within the same floor and ceiling.
void setVoiceStepOfPeriod(Voice* voice, std::int32_t clock, std::int32_t period, std::int32_t rate);

// The same for a period in 256ths of a unit (finePeriod >= 256).
void setVoiceStepOfFinePeriod(Voice* voice, std::int32_t clock, std::int64_t finePeriod,
                              std::int32_t rate);

}  // namespace player
