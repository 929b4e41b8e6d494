#include "player/replay/envelopes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

using namespace player;

// The reset a new note gives the envelope, fadeout and auto-vibrato fields.
void startNote(Channel* channel) {
  channel->volEnvValue = 64;
  channel->volEnvPoint = channel->volEnvTick = 0;
  channel->volEnvStep = 0;
  channel->panEnvValue = 32;
  channel->panEnvPoint = channel->panEnvTick = 0;
  channel->panEnvStep = 0;
  channel->keyOff = 0;
  channel->fadeVolume = 65536;
  channel->volEnvDone = channel->panEnvDone = 0;
  channel->autoVibSweep = channel->autoVibPos = 0;
}

class Envelopes : public ::testing::Test {
 protected:
  void setVolumeEnvelope(std::initializer_list<EnvelopePoint> points, std::uint8_t flags) {
    int i = 0;
    for (const EnvelopePoint& point : points)
      instrument.volumeEnvelope[i++] = point;
    instrument.volumePointCount = static_cast<std::uint8_t>(points.size());
    instrument.volumeEnvelopeFlags = static_cast<std::uint8_t>(ENVELOPE_ON | flags);
  }

  // The volume envelope values of the next ticks, the first one being tick 0 of the note.
  std::vector<std::int32_t> volumeTicks(int count) {
    std::vector<std::int32_t> values;
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

TEST_F(Envelopes, LinearSlopeFromFullToSilence) {
  setVolumeEnvelope({{0, 64}, {10, 0}}, 0);
  startNote(&channel);
  channel.flags = 0;
  updateEnvelopes(&channel, &instrument, true);
  EXPECT_EQ(channel.volEnvValue, 64);
  EXPECT_EQ(channel.volEnvStep, -419430);
  EXPECT_EQ(channel.flags, UPDATE_VOLUME);
  std::vector<std::int32_t> values{64};
  for (int tick = 1; tick <= 10; ++tick) {
    EXPECT_EQ(channel.volEnvDone, 0) << tick;
    updateEnvelopes(&channel, &instrument, false);
    values.push_back(channel.volEnvValue);
  }
  EXPECT_EQ(values, (std::vector<std::int32_t>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0}));
  EXPECT_EQ(channel.volEnvDone, 1);
  const std::uint32_t doneTick = channel.volEnvTick;
  EXPECT_EQ(volumeTicks(5), (std::vector<std::int32_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(channel.volEnvTick, doneTick);  // a finished envelope is no longer stepped
}

TEST_F(Envelopes, SustainHoldsUntilTheKeyOffTick) {
  setVolumeEnvelope({{0, 64}, {4, 32}, {8, 0}}, ENVELOPE_SUSTAIN);
  instrument.volumeSustainPoint = 1;
  startNote(&channel);
  EXPECT_EQ(volumeTicks(12),
            (std::vector<std::int32_t>{64, 56, 48, 40, 32, 32, 32, 32, 32, 32, 32, 32}));
  channel.keyOff = 1;  // released on tick 0 of a row
  channel.flags = 0;
  updateEnvelopes(&channel, &instrument, true);
  EXPECT_EQ(channel.volEnvValue, 32);  // leaves the point on this tick and starts the slope
  EXPECT_EQ(channel.volEnvStep, -8 * 65536);
  EXPECT_EQ(volumeTicks(4), (std::vector<std::int32_t>{24, 16, 8, 0}));
  EXPECT_EQ(channel.volEnvDone, 1);
}

TEST_F(Envelopes, LoopJumpsBackAndReportsTheLoopStartOnTheSameTick) {
  setVolumeEnvelope({{0, 0}, {2, 64}, {4, 32}, {6, 48}}, ENVELOPE_LOOP);
  instrument.volumeLoopStart = 1;
  instrument.volumeLoopEnd = 2;
  startNote(&channel);
  EXPECT_EQ(volumeTicks(9), (std::vector<std::int32_t>{0, 32, 64, 48, 64, 48, 64, 48, 64}));
  EXPECT_EQ(channel.volEnvTick, 3u);
  EXPECT_EQ(channel.volEnvDone, 0);
}

TEST_F(Envelopes, LoopEndingOnTheLastPointLoopsInsteadOfFinishing) {
  setVolumeEnvelope({{0, 64}, {2, 0}}, ENVELOPE_LOOP);
  instrument.volumeLoopStart = 0;
  instrument.volumeLoopEnd = 1;
  startNote(&channel);
  EXPECT_EQ(volumeTicks(7), (std::vector<std::int32_t>{64, 32, 64, 32, 64, 32, 64}));
  EXPECT_EQ(channel.volEnvDone, 0);
}

TEST_F(Envelopes, SustainOnTheLoopEndFollowsTheLoop) {
  setVolumeEnvelope({{0, 64}, {2, 0}, {4, 64}}, ENVELOPE_LOOP | ENVELOPE_SUSTAIN);
  instrument.volumeLoopStart = 0;
  instrument.volumeLoopEnd = 1;
  instrument.volumeSustainPoint = 1;
  startNote(&channel);
  EXPECT_EQ(volumeTicks(5), (std::vector<std::int32_t>{64, 32, 64, 32, 64}));
}

TEST_F(Envelopes, KeyOffWithoutSustainOnlyStartsTheFadeout) {
  setVolumeEnvelope({{0, 64}, {100, 64}}, 0);
  instrument.fadeout = 0;
  startNote(&channel);
  volumeTicks(3);
  channel.keyOff = 1;
  EXPECT_EQ(volumeTicks(4), (std::vector<std::int32_t>{64, 64, 64, 64}));
  EXPECT_EQ(channel.fadeVolume, 65536);
  EXPECT_EQ(channel.flags & UPDATE_VOLUME, UPDATE_VOLUME);
}

TEST_F(Envelopes, FadeoutReachesSilenceOnTheFifteenthTickAfterKeyOff) {
  instrument.fadeout = 4096;
  startNote(&channel);
  channel.keyOff = 1;
  std::vector<std::int32_t> fades;
  for (int tick = 0; tick <= 16; ++tick) {
    channel.flags = 0;
    updateEnvelopes(&channel, &instrument, tick == 0);
    fades.push_back(channel.fadeVolume);
    EXPECT_EQ(channel.flags, UPDATE_VOLUME);  // also once the fadeout is at 0
  }
  EXPECT_EQ(fades[0], 61440);
  EXPECT_EQ(fades[14], 4096);
  EXPECT_EQ(fades[15], 0);
  EXPECT_EQ(fades[16], 0);
}

TEST_F(Envelopes, ReleasedNoteWithoutVolumeEnvelopeFallsSilentOnTickZero) {
  startNote(&channel);
  channel.keyOff = 1;
  updateEnvelopes(&channel, &instrument, false);
  EXPECT_EQ(channel.volEnvValue, 64);  // only the row tick silences it
  updateEnvelopes(&channel, &instrument, true);
  EXPECT_EQ(channel.volEnvValue, 0);
}

TEST_F(Envelopes, PanningEnvelopeRequestsAPanUpdate) {
  instrument.panningEnvelope[0] = {0, 0};
  instrument.panningEnvelope[1] = {4, 64};
  instrument.panningPointCount = 2;
  instrument.panningEnvelopeFlags = ENVELOPE_ON;
  startNote(&channel);
  std::vector<std::int32_t> values;
  for (int tick = 0; tick < 5; ++tick) {
    channel.flags = 0;
    updateEnvelopes(&channel, &instrument, tick == 0);
    EXPECT_EQ(channel.flags, UPDATE_PAN);
    values.push_back(channel.panEnvValue);
  }
  EXPECT_EQ(values, (std::vector<std::int32_t>{0, 16, 32, 48, 64}));
  EXPECT_EQ(channel.panEnvDone, 1);
  EXPECT_EQ(channel.volEnvValue, 64);
}

TEST_F(Envelopes, FirstPointLateReportsTheLeftOverFixedValue) {
  setVolumeEnvelope({{3, 10}, {5, 20}}, 0);
  startNote(&channel);
  channel.volEnvFixed = 40 * 65536;  // what the previous note left
  EXPECT_EQ(volumeTicks(6), (std::vector<std::int32_t>{40, 40, 40, 10, 15, 20}));
}

// Damaged envelopes: values beyond 0..64 and slopes that never meet their point stay in range,
// and the 16.16 value wraps instead of overflowing.
TEST_F(Envelopes, ValuesAreClampedAndFixedPointWraps) {
  setVolumeEnvelope({{0, 0}, {1, 65535}, {0, 0}}, 0);
  startNote(&channel);
  std::vector<std::int32_t> values = volumeTicks(2);
  EXPECT_EQ(values[1], 64);
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
  for (int i = 0; i < ENVELOPE_POINTS; ++i) {
    points[i] = {static_cast<std::uint16_t>(i * 2), static_cast<std::uint16_t>(i * 5)};
  }
  for (std::uint8_t count : {0, 1, 12, 13, 255}) {
    for (std::uint8_t index : {0, 11, 12, 13, 200, 255}) {
      Channel channel{};
      EnvelopeState state{&channel.volEnvTick,  &channel.volEnvPoint, &channel.volEnvFixed,
                          &channel.volEnvValue, &channel.volEnvStep,  &channel.volEnvDone};
      for (int tick = 0; tick < 40; ++tick) {
        envelopeStep(&channel, state, points, count, index, index, index,
                     ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP, UPDATE_VOLUME);
        ASSERT_GE(channel.volEnvValue, 0);
        ASSERT_LE(channel.volEnvValue, 64);
      }
      channel.volEnvPoint = 1000;  // a point index beyond any envelope
      envelopeStep(&channel, state, points, count, index, index, index, ENVELOPE_ON, UPDATE_VOLUME);
      EXPECT_EQ(channel.flags, UPDATE_VOLUME);
    }
  }
  // A count above twelve behaves as twelve: the envelope ends on the last stored point.
  Channel channel{};
  EnvelopeState state{&channel.volEnvTick,  &channel.volEnvPoint, &channel.volEnvFixed,
                      &channel.volEnvValue, &channel.volEnvStep,  &channel.volEnvDone};
  for (int tick = 0; tick <= 22; ++tick) {
    envelopeStep(&channel, state, points, 255, 0, 0, 0, ENVELOPE_ON, UPDATE_VOLUME);
  }
  EXPECT_EQ(channel.volEnvDone, 1);
  EXPECT_EQ(channel.volEnvValue, 55);
  std::free(points);
}

class AutoVibrato : public ::testing::Test {
 protected:
  // The period delta the auto-vibrato adds on one tick at phase p.
  std::int32_t deltaAt(std::int32_t p) {
    channel.autoVibPos = p;
    channel.periodDelta = 0;
    channel.flags = 0;
    autoVibrato(&channel, &instrument);
    EXPECT_EQ(channel.flags, UPDATE_FREQUENCY);
    return channel.periodDelta;
  }

  Channel channel{};
  Instrument instrument{};
};

TEST_F(AutoVibrato, WaveformsAtDepth64AreTheWaveValues) {
  instrument.vibratoDepth = 64;  // b = w x 64, shifted right by 6: w itself
  instrument.vibratoType = 0;
  EXPECT_EQ(deltaAt(0), 0);
  EXPECT_EQ(deltaAt(1), 2);
  EXPECT_EQ(deltaAt(32), 45);
  EXPECT_EQ(deltaAt(64), 64);
  EXPECT_EQ(deltaAt(128), 0);
  EXPECT_EQ(deltaAt(192), -64);
  instrument.vibratoType = 1;
  EXPECT_EQ(deltaAt(127), 64);
  EXPECT_EQ(deltaAt(128), -64);
  instrument.vibratoType = 2;
  for (auto [p, w] : {std::pair{0, 0}, {1, -1}, {127, -64}, {128, 64}, {255, 0}}) {
    EXPECT_EQ(deltaAt(p), w) << "ramp down at " << p;
  }
  instrument.vibratoType = 3;
  for (auto [p, w] : {std::pair{0, 0}, {1, 0}, {128, 64}, {129, -64}, {255, -1}}) {
    EXPECT_EQ(deltaAt(p), w) << "ramp up at " << p;
  }
  for (std::uint8_t type : {4, 5, 255}) {
    instrument.vibratoType = type;
    EXPECT_EQ(deltaAt(64), 0);
  }
}

TEST_F(AutoVibrato, SmallProductsRoundTowardMinusInfinity) {
  instrument.vibratoDepth = 1;
  instrument.vibratoType = 2;
  EXPECT_EQ(deltaAt(1), -1);  // w = -1
  instrument.vibratoType = 3;
  EXPECT_EQ(deltaAt(2), 0);  // w = +1
}

TEST_F(AutoVibrato, SweepFadesInByQuarters) {
  instrument.vibratoType = 1;  // square: +64 while the phase is frozen below 128
  instrument.vibratoDepth = 8;
  instrument.vibratoSweep = 4;
  instrument.vibratoRate = 0;
  startNote(&channel);
  std::vector<std::int32_t> deltas;
  for (int tick = 0; tick < 7; ++tick) {
    channel.periodDelta = 0;
    autoVibrato(&channel, &instrument);
    deltas.push_back(channel.periodDelta);
  }
  EXPECT_EQ(deltas, (std::vector<std::int32_t>{0, 2, 4, 6, 8, 8, 8}));
  EXPECT_EQ(channel.autoVibSweep, 4);
  EXPECT_EQ(channel.autoVibPos, 0);
}

TEST_F(AutoVibrato, AddsToTheEffectsDeltaAndAdvancesThePhase) {
  instrument.vibratoType = 0;
  instrument.vibratoDepth = 64;
  instrument.vibratoRate = 200;
  channel.autoVibPos = 100;
  channel.periodDelta = -1000;
  autoVibrato(&channel, &instrument);
  EXPECT_EQ(channel.periodDelta, -1000 + 41);  // sine at 100
  EXPECT_EQ(channel.autoVibPos, 44);
  EXPECT_EQ(channel.autoVibSweep, 0);  // held at a sweep of 0
}

}  // namespace
