// Envelopes, fadeout and auto-vibrato: one channel stepped tick by tick, and as a song plays them
// from the channel reset on.
#include "player/replay/envelopes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "player/replay/row.h"
#include "tests/replay/replay_fixture.h"

namespace {

using namespace player;
using replaytest::Values;

class Envelopes : public ::testing::Test {
 protected:
  void SetUp() override { resetChannel(&channel, &EmptySample); }

  void setVolumeEnvelope(const std::vector<EnvelopePoint>& points, std::uint8_t flags) {
    for (std::size_t i = 0; i < points.size(); ++i)
      instrument.volumeEnvelope[i] = points[i];
    instrument.volumePointCount = static_cast<std::uint8_t>(points.size());
    instrument.volumeEnvelopeFlags = static_cast<std::uint8_t>(ENVELOPE_ON | flags);
  }

  // The volume envelope values of the next ticks, the first one being tick 0 of a row.
  Values volumeTicks(int count) {
    Values values;
    for (int i = 0; i < count; ++i) {
      channel.flags = 0;
      updateEnvelopes(&channel, &instrument, i == 0);
      values.push_back(channel.volEnvValue);
    }
    return values;
  }

  Channel channel{};
  Instrument instrument{};
};

TEST_F(Envelopes, SlopeRunsToItsLastPointAndStopsThere) {
  setVolumeEnvelope({{0, 64}, {10, 0}}, 0);
  EXPECT_EQ(volumeTicks(1), (Values{64}));
  EXPECT_EQ((Values{channel.volEnvStep, channel.flags}), (Values{-419430, UPDATE_VOLUME}));
  EXPECT_EQ(volumeTicks(10), (Values{57, 51, 44, 38, 32, 25, 19, 12, 6, 0}));
  EXPECT_EQ(channel.volEnvDone, 1);
  const std::uint32_t doneTick = channel.volEnvTick;
  EXPECT_EQ(volumeTicks(3), (Values{0, 0, 0}));
  EXPECT_EQ(channel.volEnvTick, doneTick) << "a finished envelope is no longer stepped";
}

// At a reached point the loop is tested first, then the last point, then the sustain hold.
TEST_F(Envelopes, LoopsAndSustainsAtTheirPoints) {
  const auto run = [this](const std::vector<EnvelopePoint>& points, std::uint8_t flags,
                          std::uint8_t sustain, std::uint8_t loopStart, std::uint8_t loopEnd,
                          int ticks) {
    setVolumeEnvelope(points, flags);
    instrument.volumeSustainPoint = sustain;
    instrument.volumeLoopStart = loopStart;
    instrument.volumeLoopEnd = loopEnd;
    resetChannel(&channel, &EmptySample);
    const Values values = volumeTicks(ticks);
    EXPECT_EQ(channel.volEnvDone, 0) << "a loop never ends";
    return values;
  };
  EXPECT_EQ(run({{0, 0}, {2, 64}, {4, 32}, {6, 48}}, ENVELOPE_LOOP, 0, 1, 2, 9),
            (Values{0, 32, 64, 48, 64, 48, 64, 48, 64}))
      << "back to the loop start on the tick the end is reached";
  EXPECT_EQ(run({{0, 64}, {2, 0}}, ENVELOPE_LOOP, 0, 0, 1, 7), (Values{64, 32, 64, 32, 64, 32, 64}))
      << "a loop ending on the last point";
  EXPECT_EQ(run({{0, 64}, {2, 0}, {4, 64}}, ENVELOPE_LOOP | ENVELOPE_SUSTAIN, 1, 0, 1, 5),
            (Values{64, 32, 64, 32, 64}))
      << "a sustain point on the loop end follows the loop";
}

// Until its clock reaches a first point after x = 0, an envelope reports the 16.16 value the
// previous note left: the channel reset keeps it.
TEST_F(Envelopes, FirstPointLateReportsTheLeftOverValue) {
  setVolumeEnvelope({{3, 10}, {5, 20}}, 0);
  channel.volEnvFixed = 40 * 65536;
  resetChannel(&channel, &EmptySample);
  EXPECT_EQ(volumeTicks(6), (Values{40, 40, 40, 10, 15, 20}));
}

TEST_F(Envelopes, FadeoutReachesSilenceOnTheFifteenthTickAfterKeyOff) {
  instrument.fadeout = 4096;
  channel.keyOff = 1;
  Values fades;
  for (int tick = 0; tick <= 16; ++tick) {
    channel.flags = 0;
    updateEnvelopes(&channel, &instrument, tick == 0);
    fades.push_back(channel.fadeVolume);
    EXPECT_EQ(channel.flags, UPDATE_VOLUME) << "also once the fadeout is at 0";
  }
  EXPECT_EQ((Values{fades[0], fades[14], fades[15], fades[16]}), (Values{61440, 4096, 0, 0}));
}

TEST_F(Envelopes, ReleasedNoteWithoutVolumeEnvelopeFallsSilentOnTickZero) {
  channel.keyOff = 1;
  updateEnvelopes(&channel, &instrument, false);
  EXPECT_EQ(channel.volEnvValue, 64) << "only the row tick silences it";
  updateEnvelopes(&channel, &instrument, true);
  EXPECT_EQ(channel.volEnvValue, 0);
}

TEST_F(Envelopes, PanningEnvelopeRequestsAPanUpdate) {
  instrument.panningEnvelope[0] = {0, 0};
  instrument.panningEnvelope[1] = {4, 64};
  instrument.panningPointCount = 2;
  instrument.panningEnvelopeFlags = ENVELOPE_ON;
  Values values;
  for (int tick = 0; tick < 5; ++tick) {
    channel.flags = 0;
    updateEnvelopes(&channel, &instrument, tick == 0);
    EXPECT_EQ(channel.flags, UPDATE_PAN);
    values.push_back(channel.panEnvValue);
  }
  EXPECT_EQ(values, (Values{0, 16, 32, 48, 64}));
  EXPECT_EQ((Values{channel.panEnvDone, channel.volEnvValue}), (Values{1, 64}));
}

// Damaged envelopes: values beyond 0..64 and slopes that never meet their point stay in range,
// and the 16.16 value wraps instead of overflowing.
TEST_F(Envelopes, ValuesAreClampedAndFixedPointWraps) {
  setVolumeEnvelope({{0, 0}, {1, 65535}, {0, 0}}, 0);
  EXPECT_EQ(volumeTicks(2)[1], 64);
  // The slope towards a point at an earlier x is never met; the clock runs on.
  for (std::int32_t value : volumeTicks(40000)) {
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 64);
  }
  EXPECT_EQ(channel.volEnvDone, 0);
}

// Point counts, loop and sustain indices and the point index itself come from data that may be
// damaged; only the twelve stored points may be read. The points live in a heap block of exactly
// twelve, so that a read past them is caught by the address sanitizer.
TEST(EnvelopeStep, NeverReadsPastTheStoredPoints) {
  auto* points = static_cast<EnvelopePoint*>(std::calloc(ENVELOPE_POINTS, sizeof(EnvelopePoint)));
  ASSERT_NE(points, nullptr);
  for (int i = 0; i < ENVELOPE_POINTS; ++i)
    points[i] = {static_cast<std::uint16_t>(i * 2), static_cast<std::uint16_t>(i * 5)};
  const auto run = [points](Channel& channel, std::uint8_t count, std::uint8_t index, int ticks,
                            std::uint8_t flags) {
    const EnvelopeState state{&channel.volEnvTick,  &channel.volEnvPoint, &channel.volEnvFixed,
                              &channel.volEnvValue, &channel.volEnvStep,  &channel.volEnvDone};
    for (int tick = 0; tick < ticks; ++tick) {
      envelopeStep(&channel, state, points, count, index, index, index, flags, UPDATE_VOLUME);
      ASSERT_GE(channel.volEnvValue, 0);
      ASSERT_LE(channel.volEnvValue, 64);
    }
  };
  for (std::uint8_t count : {0, 1, 12, 13, 255}) {
    for (std::uint8_t index : {0, 11, 12, 13, 200, 255}) {
      Channel channel{};
      run(channel, count, index, 40, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP);
      channel.volEnvPoint = 1000;  // a point index beyond any envelope
      run(channel, count, index, 1, ENVELOPE_ON);
      EXPECT_EQ(channel.flags, UPDATE_VOLUME);
    }
  }
  // A count above twelve behaves as twelve: the envelope ends on the last stored point.
  Channel channel{};
  run(channel, 255, 0, 23, ENVELOPE_ON);
  EXPECT_EQ(channel.volEnvDone, 1);
  EXPECT_EQ(channel.volEnvValue, 55);
  std::free(points);
}

TEST(AutoVibrato, WaveformValuesAndTheirRoundingTowardMinusInfinity) {
  struct Case {
    std::uint8_t type, depth;
    std::int32_t phase, delta;
  };
  // At depth 64 the period delta is the waveform value itself.
  const Case cases[] = {
      {0, 64, 0, 0},     {0, 64, 1, 2},     {0, 64, 32, 45},   {0, 64, 64, 64}, {0, 64, 128, 0},
      {0, 64, 192, -64}, {1, 64, 127, 64},  {1, 64, 128, -64}, {2, 64, 0, 0},   {2, 64, 1, -1},
      {2, 64, 127, -64}, {2, 64, 128, 64},  {2, 64, 255, 0},   {3, 64, 0, 0},   {3, 64, 1, 0},
      {3, 64, 128, 64},  {3, 64, 129, -64}, {3, 64, 255, -1},  {4, 64, 64, 0},  {255, 64, 64, 0},
      {2, 1, 1, -1},  // w = -1 at depth 1 adds -1 ...
      {3, 1, 2, 0},   // ... while w = +1 adds 0
  };
  for (const Case& c : cases) {
    Channel channel{};
    Instrument instrument{};
    instrument.vibratoType = c.type;
    instrument.vibratoDepth = c.depth;
    channel.autoVibPos = c.phase;
    autoVibrato(&channel, &instrument);
    EXPECT_EQ((Values{channel.periodDelta, channel.flags}), (Values{c.delta, UPDATE_FREQUENCY}))
        << "type " << int(c.type) << " depth " << int(c.depth) << " phase " << c.phase;
  }
}

TEST(AutoVibrato, AddsToTheEffectsDeltaAndAdvancesThePhase) {
  Channel channel{};
  Instrument instrument{};
  instrument.vibratoDepth = 64;
  instrument.vibratoRate = 200;
  channel.autoVibPos = 100;
  channel.periodDelta = -1000;
  autoVibrato(&channel, &instrument);
  // The sine at 100 is 41; the sweep is held at 0.
  EXPECT_EQ((Values{channel.periodDelta, channel.autoVibPos, channel.autoVibSweep}),
            (Values{-1000 + 41, 44, 0}));
}

// As a song plays them, at speed 1 (every tick a row tick): row 0 starts the note, row 5
// releases it.
TEST(EnvelopeReplay, SustainHoldsUntilTheKeyOffFadeoutStartsOnItAndAutoVibratoSweepsIn) {
  using namespace replaytest;
  xmtest::Module module = baseModule({{0, 0, Cell{C4, 1}}, {5, 0, Cell{KEY_OFF_NOTE}}});
  module.speed = 1;
  xmtest::Instrument& instrument = module.instruments[0];
  instrument.volume.points = {{0, 64}, {2, 32}, {4, 0}};
  instrument.volume.sustain = 1;
  instrument.volume.flags = 1 | 2;
  instrument.fadeout = 2048;   // held as 4096
  instrument.vibratoType = 1;  // square: +64 while the frozen phase is below 128
  instrument.vibratoDepth = 8;
  instrument.vibratoSweep = 4;
  expectTraces({
      {"volume envelope", module, field(&Channel::volEnvValue), {64, 48, 32, 32, 32, 32, 16, 0, 0}},
      {"fadeout",
       module,
       field(&Channel::fadeVolume),
       {65536, 65536, 65536, 65536, 65536, 61440, 57344, 53248}},
      {"auto-vibrato", module, field(&Channel::periodDelta), {0, 2, 4, 6, 8, 8}},
  });
}

}  // namespace
