// The About box's generator against the standard library's 32-bit Mersenne Twister, given the
// same initial state, and its own edge cases.
#include <gtest/gtest.h>

#include <random>

#include "app/random.h"

namespace {

// Hands std::mt19937 the state that the 69069 seeding makes, as a seed sequence.
struct LinearSeeding {
  using result_type = std::uint32_t;
  std::uint32_t seed;
  template <class It>
  void generate(It begin, It end) {
    std::uint32_t word = seed;
    for (It it = begin; it != end; ++it, word *= 69069u)
      *it = word;
  }
};

TEST(Random, MatchesTheReferenceTwisterOverSeveralRegenerations) {
  for (std::uint32_t seed : {1u, 4357u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    app::MersenneTwister generator;
    app::Seed(generator, seed);
    LinearSeeding seeding{seed};
    std::mt19937 reference(seeding);
    for (int draw = 0; draw < 3 * 624 + 5; ++draw) {
      const std::uint32_t expected = reference();
      ASSERT_EQ(app::Random(generator, 0xFFFFFFFFu), expected % 0xFFFFFFFFu) << seed << " " << draw;
    }
  }
}

TEST(Random, UnseededDrawsAsIfSeededWith4357) {
  app::MersenneTwister unseeded;
  app::MersenneTwister seeded;
  app::Seed(seeded, 4357);
  for (int draw = 0; draw < 700; ++draw) {
    ASSERT_EQ(app::Random(unseeded, 1000003u), app::Random(seeded, 1000003u));
  }
}

TEST(Random, BoundTwoGivesBothBitsAndSeedZeroGivesZeros) {
  app::MersenneTwister generator;
  app::Seed(generator, 12345);
  int ones = 0;
  for (int draw = 0; draw < 10000; ++draw) {
    const std::uint32_t bit = app::Random(generator, 2);
    ASSERT_LT(bit, 2u);
    ones += static_cast<int>(bit);
  }
  EXPECT_GT(ones, 4500);
  EXPECT_LT(ones, 5500);

  app::Seed(generator, 0);
  for (std::uint32_t word : generator.state)
    ASSERT_EQ(word, 0u);
  for (int draw = 0; draw < 1300; ++draw)
    ASSERT_EQ(app::Random(generator, 0xFFFFFFFFu), 0u);
}

}  // namespace
