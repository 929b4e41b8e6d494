// Instrument headers: the sample count limit, sample slots and where each instrument ends.
// Envelopes, their bounds and fadeout are heard in the digest table's songs.
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
