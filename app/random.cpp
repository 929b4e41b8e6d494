#include "app/random.h"

namespace app {

MersenneTwister noiseGenerator;

namespace {

constexpr std::uint32_t SEED_MULTIPLIER = 69069;
constexpr std::uint32_t MIDDLE = 397;
constexpr std::uint32_t MATRIX = 0x9908B0DFu;
constexpr std::uint32_t UPPER = 0x80000000u;
constexpr std::uint32_t LOWER = 0x7FFFFFFFu;

std::uint32_t twist(std::uint32_t upperWord, std::uint32_t lowerWord, std::uint32_t partner) {
  const std::uint32_t y = (upperWord & UPPER) | (lowerWord & LOWER);
  return partner ^ (y >> 1) ^ ((y & 1u) != 0 ? MATRIX : 0u);
}

void regenerate(std::uint32_t* state) {
  std::uint32_t k = 0;
  for (; k < MT_WORDS - MIDDLE; ++k) state[k] = twist(state[k], state[k + 1], state[k + MIDDLE]);
  for (; k < MT_WORDS - 1; ++k) {
    state[k] = twist(state[k], state[k + 1], state[k + MIDDLE - MT_WORDS]);
  }
  state[MT_WORDS - 1] = twist(state[MT_WORDS - 1], state[0], state[MIDDLE - 1]);
}

}  // namespace

void Seed(MersenneTwister& generator, std::uint32_t seed) {
  generator.state[0] = seed;
  for (std::uint32_t i = 1; i < MT_WORDS; ++i) {
    generator.state[i] = generator.state[i - 1] * SEED_MULTIPLIER;
  }
  generator.index = MT_WORDS;
}

std::uint32_t Random(MersenneTwister& generator, std::uint32_t bound) {
  if (generator.index >= MT_WORDS) {
    if (generator.index == MT_UNSEEDED) Seed(generator, MT_DEFAULT_SEED);
    regenerate(generator.state);
    generator.index = 0;
  }
  std::uint32_t y = generator.state[generator.index++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y % bound;
}

}  // namespace app
