// The About box's random source: a 624-word Mersenne Twister with the classic 69069 seeding.
// A generator never seeded behaves as if seeded with 4357 before its first draw.
#pragma once

#include <cstdint>

namespace app {

constexpr std::uint32_t MT_WORDS = 624;
constexpr std::uint32_t MT_UNSEEDED = 625;
constexpr std::uint32_t MT_DEFAULT_SEED = 4357;

struct MersenneTwister {
  std::uint32_t state[MT_WORDS];
  std::uint32_t index = MT_UNSEEDED;  // next word to temper; MT_WORDS: regenerate first
};

// Fills the state from seed: state[0] = seed, state[i] = state[i - 1] * 69069.
void Seed(MersenneTwister& generator, std::uint32_t seed);

// The next tempered word modulo bound (bound >= 1).
std::uint32_t Random(MersenneTwister& generator, std::uint32_t bound);

// The one generator of the process; the About box reseeds it each time it opens.
extern MersenneTwister noiseGenerator;

}  // namespace app
