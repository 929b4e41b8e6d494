// Samples: data that the file does not hold, the leftover byte of odd 16-bit samples, and the
// sample-read hook. Decoding and loop bounds are heard in the digest table's songs.
#include <gtest/gtest.h>

#include <vector>

#include "player/load/xm_loader.h"
#include "tests/load/small_modules.h"

namespace {

using xmtest::Module;

using loadtest::moduleWithSamples;

xmtest::Sample rawSample(std::vector<std::uint8_t> data, bool sixteenBit = false) {
  xmtest::Sample sample;
  sample.sixteenBit = sixteenBit;
  sample.lengthBytes = static_cast<std::uint32_t>(data.size());
  sample.rawData = std::move(data);
  return sample;
}

std::vector<int> values(const player::Sample& sample, std::uint32_t count) {
  return std::vector<int>(sample.data, sample.data + count);
}

TEST(XmSample, DataTheFileDoesNotHoldIsCutOff) {
  xmtest::Sample huge = rawSample({1, 1, 1, 1, 1, 1});
  huge.lengthBytes = 0xFFFFFFFF;
  huge.loopStart = 4;
  huge.loopLength = 1000;
  huge.loopType = 1;
  xmtest::SongPtr song = xmtest::loadModule(moduleWithSamples({huge}));
  ASSERT_NE(song, nullptr);
  const player::Sample& s = *song->instruments[0].samples[0];
  EXPECT_EQ(values(s, 7), (std::vector<int>{256, 512, 768, 1024, 1280, 1536, 1280}));
  EXPECT_EQ((std::vector<std::uint32_t>{s.length, s.loopStart, s.loopLength}),
            (std::vector<std::uint32_t>{6, 4, 2}));
  EXPECT_EQ(s.loopMode, player::LOOP_FORWARD);

  xmtest::Sample after;
  after.values = {9};
  xmtest::Sample wide = rawSample({0, 1, 0, 1, 0, 1, 0}, true);  // three values and a half
  wide.lengthBytes = 0x7FFFFFFE;
  song = xmtest::loadModule(moduleWithSamples({after, wide}));
  ASSERT_NE(song, nullptr);
  const player::Sample& w = *song->instruments[0].samples[1];
  EXPECT_EQ(w.length, 3u);
  EXPECT_EQ(w.loopLength, 3u);
  EXPECT_EQ(values(w, 4), (std::vector<int>{256, 512, 768, 0}));

  // A sample whose data lies wholly past the end keeps no data.
  std::vector<std::uint8_t> file = xmtest::writeXm(moduleWithSamples({after, after}));
  file.pop_back();
  song = xmtest::loadFile(file);
  ASSERT_NE(song, nullptr);
  const player::Sample& gone = *song->instruments[0].samples[1];
  EXPECT_EQ(gone.data, nullptr);
  EXPECT_EQ((std::vector<std::uint32_t>{gone.length, gone.loopLength}),
            (std::vector<std::uint32_t>{0, 0}));
  EXPECT_EQ(gone.loopMode, player::LOOP_OFF);
}

// A 16-bit sample of 101 bytes holds 50 values; its 101st byte does not shift what follows.
Module oddSixteenBitModule() {
  std::vector<std::uint8_t> data(101, 0);
  data[0] = 2;  // first delta 2, then zeros: every value is 2
  data[100] = 0x55;
  xmtest::Sample odd = rawSample(data, true);
  odd.loopStartBytes = 10;
  odd.loopLengthBytes = 1;  // half a value: no loop
  odd.typeByte = 0x11;      // forward loop, 16-bit
  xmtest::Sample next;
  next.values = {7, 8};
  xmtest::Module module = moduleWithSamples({odd, next});
  module.instruments.push_back(xmtest::simpleInstrument({3}));
  return module;
}

TEST(XmSample, TheLeftoverByteOfAnOdd16BitSampleIsSkipped) {
  xmtest::SongPtr song = xmtest::loadModule(oddSixteenBitModule());
  ASSERT_NE(song, nullptr);
  const player::Sample& odd = *song->instruments[0].samples[0];
  EXPECT_EQ((std::vector<std::uint32_t>{odd.length, odd.loopStart, odd.loopLength}),
            (std::vector<std::uint32_t>{50, 0, 50}));
  EXPECT_EQ(odd.loopMode, player::LOOP_OFF);
  EXPECT_EQ(values(odd, 51), [] {
    std::vector<int> expected(50, 2);
    expected.push_back(0);
    return expected;
  }());
  EXPECT_EQ(values(*song->instruments[0].samples[1], 2), (std::vector<int>{7 * 256, 8 * 256}));
  EXPECT_EQ(song->instruments[1].samples[0]->data[0], 3 * 256);
}

std::vector<std::vector<int>> hookCalls;  // bytes, bits, instrument, sample

// Writes plain values 1000 + k (16-bit) or 10 + k (8-bit).
void recordingHook(std::uint8_t* destination, std::int32_t bytes, std::int32_t bits,
                   std::int32_t instrument, std::int32_t sample) {
  hookCalls.push_back({bytes, bits, instrument, sample});
  for (std::int32_t k = 0; k < bytes; ++k) {
    const int value = bits == 16 ? 1000 + k / 2 : 10 + k;
    destination[k] = static_cast<std::uint8_t>(bits == 16 && k % 2 == 1 ? value >> 8 : value);
  }
}

TEST(XmSample, AHookSuppliesPlainValuesAndTheStreamSkipsTheData) {
  xmtest::Sample wide;
  wide.values.assign(50, 7);
  wide.sixteenBit = true;
  Module module = moduleWithSamples({wide, xmtest::sampleOf({1, 1, 1})});
  module.instruments.push_back(xmtest::simpleInstrument({3}));
  hookCalls.clear();
  xmtest::SongPtr song = xmtest::loadModule(module, recordingHook);
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(hookCalls,
            (std::vector<std::vector<int>>{{100, 16, 0, 0}, {3, 8, 0, 1}, {1, 8, 1, 0}}));
  EXPECT_EQ(values(*song->instruments[0].samples[0], 3), (std::vector<int>{1000, 1001, 1002}));
  EXPECT_EQ(song->instruments[0].samples[0]->data[49], 1049);
  EXPECT_EQ(values(*song->instruments[0].samples[1], 3), (std::vector<int>{2560, 2816, 3072}));
  EXPECT_EQ(song->instruments[1].samples[0]->data[0], 2560);

  hookCalls.clear();
  song = xmtest::loadModule(oddSixteenBitModule(), recordingHook);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(hookCalls, (std::vector<std::vector<int>>{{100, 16, 0, 0}, {2, 8, 0, 1}, {1, 8, 1, 0}}))
      << "the leftover byte is skipped with a hook too";
  EXPECT_EQ(song->instruments[1].sampleCount, 1);
}

}  // namespace
