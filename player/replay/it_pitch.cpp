#include "player/replay/it_pitch.h"

#include "player/replay/pitch.h"

namespace player {
namespace {

// Period x frequency: the Amiga's C-4 period 1712 at 8363 Hz, in periods of 4 x the Amiga's.
constexpr double AMIGA_PERIOD_HZ = 4.0 * 1712.0 * 8363.0;
constexpr double UNITS_PER_OCTAVE = 768.0;

}  // namespace

double noteFrequency(std::uint32_t c5Speed, std::int32_t note, bool periodTable) {
  if (!periodTable) {
    return static_cast<double>(c5Speed) * power(2.0, static_cast<double>(note - 60) / 12.0);
  }
  // Octave 0's periods of C to B are these times 32; each octave up halves them as whole numbers
  // (C-5's is 1712), so that some fall a little short from octave 6 on.
  static constexpr std::int32_t OCTAVE_ZERO[12] = {1712, 1616, 1524, 1440, 1356, 1280,
                                                   1208, 1140, 1076, 1016, 960,  907};
  if (note < 0) note = 0;
  const std::int32_t octave = note / 12 < 10 ? note / 12 : 10;
  const std::int32_t period = OCTAVE_ZERO[note % 12] * 32 >> octave;
  return static_cast<double>(c5Speed) * 1712.0 / static_cast<double>(period > 0 ? period : 1);
}

double slideFrequency(double frequency, std::int32_t units, bool linear) {
  if (units == 0 || frequency <= 0.0) return frequency;
  if (linear) return frequency * power(2.0, static_cast<double>(units) / UNITS_PER_OCTAVE);
  double period = AMIGA_PERIOD_HZ / frequency - static_cast<double>(units);
  if (period < 1.0) period = 1.0;
  return AMIGA_PERIOD_HZ / period;
}

double slideTowards(double frequency, double target, std::int32_t units, bool linear) {
  if (frequency < target) {
    const double slid = slideFrequency(frequency, units, linear);
    return slid > target ? target : slid;
  }
  const double slid = slideFrequency(frequency, -units, linear);
  return slid < target ? target : slid;
}

}  // namespace player
