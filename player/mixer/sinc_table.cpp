#include "player/mixer/sinc_table.h"

#include <cmath>

#include "player/numeric.h"

namespace player {
namespace {

constexpr int CUTOFFS = 9;  // table steps 2^(k/4), k = 0..8
constexpr int ROWS = SINC_PHASES + 1;
constexpr double KAISER_BETA = 6.0;
constexpr double PI = 3.14159265358979323846;
constexpr int UNITS = 1 << SINC_COEFFICIENT_BITS;

struct SincTables {
  alignas(64) std::int16_t rows[CUTOFFS][ROWS][SINC_TAPS];
  std::uint64_t steps[CUTOFFS];  // 32.32, the largest step each table serves
};

// The tables come from additions, multiplications, divisions and square roots only (no C library
// sin, exp or pow), each rounded once, so every build computes the same coefficients.

// sin(pi x): x reduced to r in [-1/2, 1/2] around the nearest integer n, then the Taylor series
// of sin(pi r) to the 17th power (error below 10^-11), the sign flipped for odd n.
double sinPi(double x) {
  const std::int32_t n = roundToInt32(x);
  const double z = PI * (x - n);
  const double z2 = z * z;
  double sum = 1.0;
  for (int k = 17; k >= 3; k -= 2)
    sum = 1.0 - z2 / static_cast<double>(k * (k - 1)) * sum;
  const double value = z * sum;
  return (n & 1) != 0 ? -value : value;
}

// The modified Bessel function I0 by its series, 30 terms (enough up to x = 8).
double besselI0(double x) {
  const double quarter = x * x / 4.0;
  double term = 1.0;
  double sum = 1.0;
  for (int k = 1; k <= 30; ++k) {
    term = term * quarter / static_cast<double>(k * k);
    sum += term;
  }
  return sum;
}

// The filter at x values from the position (tap minus position), cutting off at cutoff times the
// sample's half rate; the window spans the 8 taps.
double filterAt(double x, double cutoff) {
  const double u = x / 4.0;
  const double inside = 1.0 - u * u;
  const double window = besselI0(KAISER_BETA * std::sqrt(inside > 0.0 ? inside : 0.0));
  const double y = cutoff * x;
  const double sinc = y == 0.0 ? 1.0 : sinPi(y) / (PI * y);
  return sinc * window;
}

// One row: the filter scaled to a sum of 1 and rounded to units; the rounding error is then taken
// from (or given to) the taps that rounding moved furthest, so the units sum to exactly 2^14 and
// every phase passes a constant value unchanged.
void buildRow(std::int16_t* row, double fraction, double cutoff) {
  double weights[SINC_TAPS];
  double total = 0.0;
  for (int tap = 0; tap < SINC_TAPS; ++tap) {
    weights[tap] = filterAt(static_cast<double>(tap - SINC_TAPS_BEFORE) - fraction, cutoff);
    total += weights[tap];
  }
  double wanted[SINC_TAPS];
  std::int32_t units[SINC_TAPS];
  std::int32_t sum = 0;
  for (int tap = 0; tap < SINC_TAPS; ++tap) {
    wanted[tap] = weights[tap] / total * UNITS;
    units[tap] = roundToInt32(wanted[tap]);
    sum += units[tap];
  }
  while (sum != UNITS) {
    const std::int32_t move = sum < UNITS ? 1 : -1;
    int best = 0;
    for (int tap = 1; tap < SINC_TAPS; ++tap) {
      if ((wanted[tap] - units[tap]) * move > (wanted[best] - units[best]) * move) best = tap;
    }
    units[best] += move;
    sum += move;
  }
  for (int tap = 0; tap < SINC_TAPS; ++tap)
    row[tap] = static_cast<std::int16_t>(units[tap]);
}

void build(SincTables& tables) {
  // 2^(k/4) from square roots: 1, 2^(1/4), 2^(1/2), 2^(3/4) times a power of two.
  const double root2 = std::sqrt(2.0);
  const double root4 = std::sqrt(root2);
  const double quarters[4] = {1.0, root4, root2, root2 * root4};
  for (int k = 0; k < CUTOFFS; ++k) {
    const double step = quarters[k % 4] * static_cast<double>(1 << (k / 4));
    tables.steps[k] = static_cast<std::uint64_t>(step * 0x1p32);
    for (int row = 0; row < ROWS; ++row) {
      buildRow(tables.rows[k][row], static_cast<double>(row) / SINC_PHASES, 1.0 / step);
    }
  }
}

// Built once, by the first caller; read-only after.
const SincTables& tables() {
  static SincTables built;
  static const bool ready = (build(built), true);
  (void)ready;
  return built;
}

}  // namespace

const std::int16_t* sincRows(std::uint64_t step) {
  const SincTables& built = tables();
  int k = 0;
  while (k + 1 < CUTOFFS && step > built.steps[k])
    ++k;
  return &built.rows[k][0][0];
}

void prepareSincTables() {
  tables();
}

}  // namespace player
