// Instrument headers: the sample count limit, sample slots, envelopes and their bounds, fadeout,
// and where each instrument ends.
#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
#include "tests/load/small_modules.h"

namespace {

using xmtest::Module;

using loadtest::instrumentWithSamples;
using loadtest::moduleWith;

TEST(XmInstrument, SixteenSamplesLoadAndSeventeenAreRefused) {
  xmtest::SongPtr song = xmtest::loadModule(moduleWith({instrumentWithSamples(16)}));
  ASSERT_NE(song, nullptr);
  const player::Instrument& in = song->instruments[0];
  ASSERT_EQ(in.sampleCount, 16);
  for (int j = 0; j < 16; ++j) {
    ASSERT_NE(in.samples[j], &player::EmptySample);
    EXPECT_EQ(in.samples[j]->data[1], (j + 2) * 256);
  }
  EXPECT_EQ(xmtest::loadModule(moduleWith({instrumentWithSamples(1), instrumentWithSamples(17)})),
            nullptr);
}

TEST(XmInstrument, InstrumentsEndWhereTheirHeaderSizeSays) {
  xmtest::Instrument empty;
  empty.headerSize = 40;  // longer than the usual 29 bytes: the next one starts at S + 40
  xmtest::Instrument next = xmtest::simpleInstrument({5});
  next.headerSize = 300;  // sample headers at S + 300
  xmtest::SongPtr song = xmtest::loadModule(moduleWith({empty, next}));
  ASSERT_NE(song, nullptr);
  const player::Instrument& in = song->instruments[0];
  const player::Instrument& second = song->instruments[1];
  EXPECT_EQ(
      (std::vector<int>{in.sampleCount, in.volumePointCount, second.sampleCount,
                        static_cast<int>(second.samples[0]->length), second.samples[0]->data[0]}),
      (std::vector<int>{0, 0, 1, 1, 5 * 256}));
  for (int j = 0; j < 16; ++j) {
    EXPECT_EQ(in.samples[j], &player::EmptySample) << j;
    EXPECT_EQ(second.samples[j] == &player::EmptySample, j > 0) << j;
  }
}

TEST(XmInstrument, HeaderFieldsAreKeptAndFadeoutIsDoubledIn16Bits) {
  xmtest::Instrument instrument = instrumentWithSamples(3);
  instrument.sampleMap.assign(96, 1);
  instrument.sampleMap[95] = 2;
  instrument.sampleMap[10] = 20;  // beyond the slots: stored as it is
  instrument.vibratoType = 2;
  instrument.vibratoSweep = 3;
  instrument.vibratoDepth = 4;
  instrument.vibratoRate = 5;
  instrument.fadeout = 0x8005;
  instrument.volume = {{{0, 64}, {10, 32}, {20, 0}}, std::nullopt, 1, 0, 2, 0x07};
  instrument.panning = {{{0, 0}, {5, 64}}, std::nullopt, 0, 0, 1, 0x05};
  xmtest::SongPtr song = xmtest::loadModule(moduleWith({instrument}));
  ASSERT_NE(song, nullptr);
  const player::Instrument& in = song->instruments[0];
  EXPECT_EQ((std::vector<int>{in.sampleMap[0], in.sampleMap[10], in.sampleMap[95]}),
            (std::vector<int>{1, 20, 2}));
  EXPECT_EQ((std::vector<int>{in.vibratoType, in.vibratoSweep, in.vibratoDepth, in.vibratoRate,
                              in.fadeout}),
            (std::vector<int>{2, 3, 4, 5, 10}));
  EXPECT_EQ((std::vector<int>{in.volumePointCount, in.volumeEnvelope[1].x, in.volumeEnvelope[1].y,
                              in.volumeSustainPoint, in.volumeLoopEnd, in.volumeEnvelopeFlags}),
            (std::vector<int>{3, 10, 32, 1, 2, 0x07}));
  EXPECT_EQ((std::vector<int>{in.panningPointCount, in.panningEnvelope[1].y, in.panningLoopEnd,
                              in.panningEnvelopeFlags}),
            (std::vector<int>{2, 64, 1, 0x05}));
}

TEST(XmInstrument, EnvelopesAreKeptWithinTheirPoints) {
  xmtest::Instrument one = instrumentWithSamples(1);
  one.volume = {{{0, 64}}, std::nullopt, 0, 0, 0, 0x07};  // one point: flags cleared whole
  one.panning = {{}, std::nullopt, 0, 0, 0, 0x01};
  xmtest::Instrument many = instrumentWithSamples(1);
  many.volume = {{{0, 100}, {4, 65}, {8, 64}}, 20, 12, 0, 11, 0x07};  // 20 points declared
  many.panning = {{{0, 10}, {4, 20}, {8, 30}}, 3, 2, 1, 3, 0x07};     // loop end past the last
  xmtest::Instrument sustain = instrumentWithSamples(1);
  sustain.volume = {{{0, 10}, {4, 20}}, std::nullopt, 2, 0, 1, 0x07};  // sustain past the last
  xmtest::SongPtr song = xmtest::loadModule(moduleWith({one, many, sustain}));
  ASSERT_NE(song, nullptr);

  EXPECT_EQ((std::vector<int>{song->instruments[0].volumeEnvelopeFlags,
                              song->instruments[0].panningEnvelopeFlags}),
            (std::vector<int>{0, 0}));
  // Sustain point 12 is not among 12 points; the values are clamped to 64.
  const player::Instrument& in = song->instruments[1];
  EXPECT_EQ((std::vector<int>{in.volumePointCount, in.volumeEnvelopeFlags, in.volumeEnvelope[0].y,
                              in.volumeEnvelope[1].y, in.volumeEnvelope[2].y}),
            (std::vector<int>{12, 0x05, 64, 64, 64}));
  // Loop end 3 is not among 3 points.
  EXPECT_EQ(
      (std::vector<int>{in.panningPointCount, in.panningEnvelopeFlags, in.panningEnvelope[2].y}),
      (std::vector<int>{3, 0x03, 30}));
  EXPECT_EQ(song->instruments[2].volumeEnvelopeFlags, 0x05) << "sustain 2 is not among 2 points";
}

TEST(XmInstrument, NoInstrumentsLoadWithoutAnArray) {
  Module module;
  for (std::uint16_t count : {0, 0xFFFF}) {  // 0xFFFF is negative as a signed field
    module.instrumentCount = count;
    xmtest::SongPtr song = xmtest::loadModule(module);
    ASSERT_NE(song, nullptr) << count;
    EXPECT_EQ(song->instrumentCount, static_cast<std::int16_t>(count));
    EXPECT_EQ(song->instruments, nullptr);
  }
}

}  // namespace
