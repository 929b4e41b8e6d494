// Envelopes, fadeout and key-off as a song plays them: from the channel reset on, tick by tick.
#include <gtest/gtest.h>

#include "tests/replay/replay_fixture.h"

namespace {

using replaytest::baseModule;
using replaytest::Cell;
using replaytest::put;
using replaytest::Replay;

constexpr std::uint8_t C4 = 49;

// Values of the volume envelope on the first `ticks` ticks of a song whose row 0 starts a note,
// with a key-off on row keyOffRow (speed 1: one row per tick).
std::vector<std::int32_t> envelopeValues(const xmtest::Envelope& envelope, int ticks,
                                         int keyOffRow = -1) {
  xmtest::Module module = baseModule();
  module.speed = 1;
  module.instruments[0].volume = envelope;
  put(module, 0, 0, Cell{C4, 1});
  if (keyOffRow >= 0) put(module, keyOffRow, 0, Cell{97});
  Replay replay(module);
  EXPECT_TRUE(replay.loaded());
  std::vector<std::int32_t> values;
  if (!replay.loaded()) return values;
  for (int t = 0; t < ticks; ++t) {
    replay.tick();
    values.push_back(replay.channel(0).volEnvValue);
  }
  return values;
}

TEST(EnvelopeReplay, ASlopeRunsToItsLastPointAndStays) {
  xmtest::Envelope envelope;
  envelope.points = {{0, 64}, {10, 0}};
  envelope.flags = 1;
  EXPECT_EQ(envelopeValues(envelope, 13),
            (std::vector<std::int32_t>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0, 0, 0}));
}

TEST(EnvelopeReplay, ASustainPointHoldsUntilTheKeyOff) {
  xmtest::Envelope envelope;
  envelope.points = {{0, 64}, {2, 32}, {4, 0}};
  envelope.sustain = 1;
  envelope.flags = 1 | 2;
  EXPECT_EQ(envelopeValues(envelope, 9, 5),
            (std::vector<std::int32_t>{64, 48, 32, 32, 32, 32, 16, 0, 0}));
}

TEST(EnvelopeReplay, ALoopGoesBackToItsStartOnTheTickItsEndIsReached) {
  xmtest::Envelope envelope;
  envelope.points = {{0, 0}, {2, 64}, {4, 32}};
  envelope.loopStart = 1;
  envelope.loopEnd = 2;
  envelope.flags = 1 | 4;
  EXPECT_EQ(envelopeValues(envelope, 9),
            (std::vector<std::int32_t>{0, 32, 64, 48, 64, 48, 64, 48, 64}));
}

TEST(EnvelopeReplay, FadeoutStartsOnTheKeyOffTick) {
  xmtest::Module module = baseModule();
  module.speed = 1;
  module.instruments[0].fadeout = 2048;  // held as 4096
  module.instruments[0].volume.points = {{0, 64}, {100, 64}};
  module.instruments[0].volume.flags = 1;
  put(module, 0, 0, Cell{C4, 1});
  put(module, 1, 0, Cell{97});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(replay.channel(0).fadeVolume, 65536);
  std::vector<std::int32_t> fade;
  for (int t = 0; t < 17; ++t) {
    replay.tick();
    fade.push_back(replay.channel(0).fadeVolume);
  }
  EXPECT_EQ(fade[0], 61440);
  EXPECT_EQ(fade[14], 4096);
  EXPECT_EQ(fade[15], 0) << "zero on the fifteenth tick after the key-off";
  EXPECT_EQ(fade[16], 0);
  EXPECT_EQ(replay.channel(0).volEnvValue, 64) << "the envelope carries on";
  EXPECT_EQ(replay.voice(0).volume, 0);
}

TEST(EnvelopeReplay, AutoVibratoSweepsInFromTheChannelReset) {
  xmtest::Module module = baseModule();
  module.speed = 1;
  module.instruments[0].vibratoType = 1;  // square: +64 in the first half
  module.instruments[0].vibratoDepth = 8;
  module.instruments[0].vibratoSweep = 4;
  module.instruments[0].vibratoRate = 0;
  put(module, 0, 0, Cell{C4, 1});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<std::int32_t> deltas;
  for (int t = 0; t < 6; ++t) {
    replay.tick();
    deltas.push_back(replay.channel(0).periodDelta);
  }
  EXPECT_EQ(deltas, (std::vector<std::int32_t>{0, 2, 4, 6, 8, 8}));
}

}  // namespace
