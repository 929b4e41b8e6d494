#include "player/mixer/sinc_table.h"

#include <cmath>

#include "player/numeric.h"

namespace player {
namespace {

constexpr int CUTOFFS = 6;  // sinc_table.h: the full band, half of it, then four steps above 2
constexpr int ROWS = SINC_PHASES + 1;
constexpr double KAISER_BETA = 8.0;
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
  // 1 / (k (k - 1)) for k = 17, 15, ..., 3.
  static constexpr double INVERSES[] = {1.0 / 272, 1.0 / 210, 1.0 / 156, 1.0 / 110,
                                        1.0 / 72,  1.0 / 42,  1.0 / 20,  1.0 / 6};
  const std::int32_t n = roundToInt32(x);
  const double z = PI * (x - n);
  const double z2 = z * z;
  double sum = 1.0;
  for (const double inverse : INVERSES)
    sum = 1.0 - z2 * inverse * sum;
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

// The Kaiser window over the 8 taps at x values from the position (tap minus position).
double windowAt(double x) {
  const double u = x / 4.0;
  const double inside = 1.0 - u * u;
  return besselI0(KAISER_BETA * std::sqrt(inside > 0.0 ? inside : 0.0));
}

// One row, the taps' windows given: the windowed sinc cutting off at cutoff times the sample's
// half rate, scaled to a sum of 1 and rounded to units; the rounding error is then taken from (or
// given to) the taps that rounding moved furthest, so the units sum to exactly 2^14 and every
// phase passes a constant value unchanged.
void buildRow(std::int16_t* row, double fraction, const double* windows, double cutoff) {
  double weights[SINC_TAPS];
  double total = 0.0;
  for (int tap = 0; tap < SINC_TAPS; ++tap) {
    const double y = cutoff * (static_cast<double>(tap - SINC_TAPS_BEFORE) - fraction);
    const double sinc = y == 0.0 ? 1.0 : sinPi(y) / (PI * y);
    weights[tap] = sinc * windows[tap];
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
  // 2^(1/4), 2^(1/2) and 2^(3/4) from square roots.
  const double root2 = std::sqrt(2.0);
  const double root4 = std::sqrt(root2);
  const double steps[CUTOFFS] = {root4, 2.0, 2.0 * root4, 2.0 * root2, 2.0 * root2 * root4, 4.0};
  double cutoffs[CUTOFFS] = {1.0, 0.5};
  for (int k = 0; k < CUTOFFS; ++k) {
    tables.steps[k] = static_cast<std::uint64_t>(steps[k] * 0x1p32);
    if (k >= 2) cutoffs[k] = 1.0 / steps[k];
  }
  // The filter is even: the row of phase 1 - f is that of f backward.
  for (int row = 0; row <= SINC_PHASES / 2; ++row) {
    const double fraction = static_cast<double>(row) / SINC_PHASES;
    double windows[SINC_TAPS];
    for (int tap = 0; tap < SINC_TAPS; ++tap)
      windows[tap] = windowAt(static_cast<double>(tap - SINC_TAPS_BEFORE) - fraction);
    for (int k = 0; k < CUTOFFS; ++k) {
      std::int16_t* coefficients = tables.rows[k][row];
      buildRow(coefficients, fraction, windows, cutoffs[k]);
      if (row == SINC_PHASES / 2) continue;
      std::int16_t* mirror = tables.rows[k][SINC_PHASES - row];
      for (int tap = 0; tap < SINC_TAPS; ++tap)
        mirror[tap] = coefficients[SINC_TAPS - 1 - tap];
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
