#include "player/mixer/resonant_filter.h"

#include "player/replay/pitch.h"

namespace player {
namespace {

constexpr double TWO_PI_110 = 2.0 * 3.14159265358979323846 * 110.0;

}  // namespace

FilterCoefficients filterCoefficients(double cutoff, std::int32_t resonance, std::int32_t rate) {
  const double r = static_cast<double>(rate) / (TWO_PI_110 * power(2.0, 0.25 + cutoff / 24.0));
  const double p = power(10.0, -24.0 * static_cast<double>(resonance) / 2560.0);
  const double d = p * r + p - 1.0;
  const double e = r * r;
  const double a = 1.0 / (1.0 + d + e);
  return {a, (d + 2.0 * e) * a, -e * a};
}

}  // namespace player
