// Samples: header conversion, delta decoding, loop modes and bounds, the guard value, data that
// the file does not hold, the leftover byte of odd 16-bit samples, and the sample-read hook.
#include <gtest/gtest.h>

#include <vector>

#include "player/load/xm_loader.h"
#include "tests/support/xm_writer.h"

namespace {

using xmtest::Module;

Module moduleWithSamples(std::vector<xmtest::Sample> samples) {
  Module module;
  xmtest::Instrument instrument;
  instrument.samples = std::move(samples);
  module.instruments = {instrument};
  return module;
}

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

TEST(XmSample, DeltasDecodeToSixteenBitValues) {
  xmtest::SongPtr song =
      xmtest::loadModule(moduleWithSamples({rawSample({1, 1, 1}), rawSample({127, 1, 0x80}),
                                            rawSample({0xFF, 0x7F, 1, 0, 0xFF, 0xFF}, true)}));
  ASSERT_NE(song, nullptr);
  player::Sample* const* samples = song->instruments[0].samples;
  EXPECT_EQ(values(*samples[0], 3), (std::vector<int>{256, 512, 768}));
  EXPECT_EQ(values(*samples[1], 3), (std::vector<int>{32512, -32768, 0}));
  EXPECT_EQ(values(*samples[2], 3), (std::vector<int>{32767, -32768, 32767}));
  for (int j = 0; j < 3; ++j)
    EXPECT_EQ(samples[j]->bits, 16);
}

TEST(XmSample, HeaderFieldsAreKept) {
  xmtest::Sample sample;
  sample.values = {1, 2, 3, 4};
  sample.volume = 40;
  sample.finetune = -16;
  sample.panning = 200;
  sample.relativeNote = -12;
  xmtest::SongPtr song = xmtest::loadModule(moduleWithSamples({sample}));
  ASSERT_NE(song, nullptr);
  const player::Sample& s = *song->instruments[0].samples[0];
  EXPECT_EQ(s.volume, 40);
  EXPECT_EQ(s.finetune, -16);
  EXPECT_EQ(s.panning, 200);
  EXPECT_EQ(s.relativeNote, -12);
}

TEST(XmSample, TypeBitsSelectTheLoopMode) {
  std::vector<xmtest::Sample> samples(5);
  const std::uint8_t types[5] = {0, 1, 2, 3, 0x21};  // 0x21: the unused bits are ignored
  for (int j = 0; j < 5; ++j) {
    samples[j].values.assign(100, 0);
    samples[j].loopStart = 10;
    samples[j].loopLength = 20;
    samples[j].typeByte = types[j];
  }
  xmtest::SongPtr song = xmtest::loadModule(moduleWithSamples(samples));
  ASSERT_NE(song, nullptr);
  player::Sample* const* s = song->instruments[0].samples;
  EXPECT_EQ(s[0]->loopMode, player::LOOP_OFF);
  EXPECT_EQ(s[0]->loopStart, 0u);
  EXPECT_EQ(s[0]->loopLength, 100u);
  EXPECT_EQ(s[1]->loopMode, player::LOOP_FORWARD);
  EXPECT_EQ(s[2]->loopMode, player::LOOP_PINGPONG);
  EXPECT_EQ(s[3]->loopMode, player::LOOP_PINGPONG);
  EXPECT_EQ(s[4]->loopMode, player::LOOP_FORWARD);
  EXPECT_EQ(s[4]->bits, 16) << "8-bit data is held as 16-bit once loaded";
  for (int j = 1; j < 5; ++j) {
    EXPECT_EQ(s[j]->loopStart, 10u);
    EXPECT_EQ(s[j]->loopLength, 20u);
  }
}

TEST(XmSample, AForwardLoopOfLengthZeroIsNoLoop) {
  xmtest::Sample sample;
  sample.values.assign(50, 3);
  sample.loopStart = 10;
  sample.loopLength = 0;
  sample.loopType = 1;
  xmtest::SongPtr song = xmtest::loadModule(moduleWithSamples({sample}));
  ASSERT_NE(song, nullptr);
  const player::Sample& s = *song->instruments[0].samples[0];
  EXPECT_EQ(s.loopMode, player::LOOP_OFF);
  EXPECT_EQ(s.loopStart, 0u);
  EXPECT_EQ(s.loopLength, 50u);
}

TEST(XmSample, TheGuardValueFollowsTheLoop) {
  std::vector<int> ramp(100);
  for (int k = 0; k < 100; ++k)
    ramp[k] = k;
  xmtest::Sample forward, pingPong, toTheEnd, noLoop;
  for (xmtest::Sample* s : {&forward, &pingPong, &toTheEnd, &noLoop})
    s->values = ramp;
  forward.loopStart = pingPong.loopStart = 10;
  forward.loopLength = pingPong.loopLength = 20;
  forward.loopType = toTheEnd.loopType = 1;
  pingPong.loopType = 2;
  toTheEnd.loopStart = 60;
  toTheEnd.loopLength = 40;
  xmtest::SongPtr song =
      xmtest::loadModule(moduleWithSamples({forward, pingPong, toTheEnd, noLoop}));
  ASSERT_NE(song, nullptr);
  player::Sample* const* s = song->instruments[0].samples;
  EXPECT_EQ(s[0]->data[30], 10 * 256);
  EXPECT_EQ(s[0]->data[31], 31 * 256) << "only the guard value is replaced";
  EXPECT_EQ(s[1]->data[30], 29 * 256);
  EXPECT_EQ(s[2]->data[100], 60 * 256) << "a loop to the end puts the guard behind the data";
  EXPECT_EQ(s[3]->loopLength, 100u);
  for (int k = 100; k < 108; ++k)
    EXPECT_EQ(s[3]->data[k], 0);
}

TEST(XmSample, LoopsAreKeptInsideTheSample) {
  xmtest::Sample pastTheEnd, startBeyond, startAtEnd;
  for (xmtest::Sample* s : {&pastTheEnd, &startBeyond, &startAtEnd}) {
    s->values.assign(40, 1);
    s->loopType = 2;
  }
  pastTheEnd.loopStart = 30;
  pastTheEnd.loopLength = 0xFFFFFFF0;  // start + length wraps around 2^32
  startBeyond.loopStart = 1000;
  startBeyond.loopLength = 5;
  startAtEnd.loopStart = 40;
  startAtEnd.loopLength = 5;
  xmtest::SongPtr song =
      xmtest::loadModule(moduleWithSamples({pastTheEnd, startBeyond, startAtEnd}));
  ASSERT_NE(song, nullptr);
  player::Sample* const* s = song->instruments[0].samples;
  EXPECT_EQ(s[0]->loopMode, player::LOOP_PINGPONG);
  EXPECT_EQ(s[0]->loopStart, 30u);
  EXPECT_EQ(s[0]->loopLength, 10u);
  EXPECT_EQ(s[0]->data[40], s[0]->data[39]);
  for (int j = 1; j < 3; ++j) {
    EXPECT_EQ(s[j]->loopMode, player::LOOP_OFF);
    EXPECT_EQ(s[j]->loopStart, 0u);
    EXPECT_EQ(s[j]->loopLength, 40u);
    EXPECT_EQ(s[j]->data[40], 0);
  }
}

TEST(XmSample, DataTheFileDoesNotHoldIsCutOff) {
  xmtest::Sample huge = rawSample({1, 1, 1, 1, 1, 1});
  huge.lengthBytes = 0xFFFFFFFF;
  huge.loopStart = 4;
  huge.loopLength = 1000;
  huge.loopType = 1;
  xmtest::Sample wide = rawSample({0, 1, 0, 1, 0, 1, 0}, true);  // three values and a half
  wide.lengthBytes = 0x7FFFFFFE;
  xmtest::Sample after;
  after.values = {9};

  xmtest::SongPtr song = xmtest::loadModule(moduleWithSamples({huge}));
  ASSERT_NE(song, nullptr);
  const player::Sample& s = *song->instruments[0].samples[0];
  EXPECT_EQ(s.length, 6u);
  EXPECT_EQ(values(s, 6), (std::vector<int>{256, 512, 768, 1024, 1280, 1536}));
  EXPECT_EQ(s.loopMode, player::LOOP_FORWARD);
  EXPECT_EQ(s.loopStart, 4u);
  EXPECT_EQ(s.loopLength, 2u);
  EXPECT_EQ(s.data[6], 1280);

  song = xmtest::loadModule(moduleWithSamples({after, wide}));
  ASSERT_NE(song, nullptr);
  const player::Sample& w = *song->instruments[0].samples[1];
  EXPECT_EQ(w.length, 3u);
  EXPECT_EQ(w.loopLength, 3u);
  EXPECT_EQ(values(w, 4), (std::vector<int>{256, 512, 768, 0}));

  // A sample whose data lies wholly past the end keeps no data.
  Module module = moduleWithSamples({after, after});
  std::vector<std::uint8_t> file = xmtest::writeXm(module);
  file.pop_back();
  song = xmtest::loadFile(file);
  ASSERT_NE(song, nullptr);
  const player::Sample& gone = *song->instruments[0].samples[1];
  EXPECT_EQ(gone.length, 0u);
  EXPECT_EQ(gone.data, nullptr);
  EXPECT_EQ(gone.loopMode, player::LOOP_OFF);
  EXPECT_EQ(gone.loopLength, 0u);
}

// A 16-bit sample of 101 bytes holds 50 values; its 101st byte does not shift what follows.
Module oddSixteenBitModule() {
  std::vector<std::uint8_t> data(101, 0);
  data[0] = 2;  // first delta 2, then zeros: every value is 2
  data[100] = 0x55;
  xmtest::Sample odd = rawSample(data, true);
  odd.loopStartBytes = 10;
  odd.loopLengthBytes = 1;
  odd.typeByte = 0x11;  // forward loop, 16-bit
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
  EXPECT_EQ(odd.length, 50u);
  EXPECT_EQ(odd.loopMode, player::LOOP_OFF);
  EXPECT_EQ(odd.loopStart, 0u);
  EXPECT_EQ(odd.loopLength, 50u);
  EXPECT_EQ(odd.data[49], 2);
  EXPECT_EQ(odd.data[50], 0);
  EXPECT_EQ(values(*song->instruments[0].samples[1], 2), (std::vector<int>{7 * 256, 8 * 256}));
  EXPECT_EQ(song->instruments[1].samples[0]->data[0], 3 * 256);
}

struct HookCall {
  std::int32_t bytes, bits, instrument, sample;
};
std::vector<HookCall> hookCalls;

// Writes plain values 1000 + k (16-bit) or 10 + k (8-bit).
void recordingHook(std::uint8_t* destination, std::int32_t bytes, std::int32_t bits,
                   std::int32_t instrument, std::int32_t sample) {
  hookCalls.push_back({bytes, bits, instrument, sample});
  if (bits == 16) {
    for (std::int32_t k = 0; 2 * k < bytes; ++k) {
      destination[2 * k] = static_cast<std::uint8_t>((1000 + k) & 0xFF);
      destination[2 * k + 1] = static_cast<std::uint8_t>((1000 + k) >> 8);
    }
  } else {
    for (std::int32_t k = 0; k < bytes; ++k)
      destination[k] = static_cast<std::uint8_t>(10 + k);
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
  ASSERT_EQ(hookCalls.size(), 3u);
  EXPECT_EQ((std::vector<int>{hookCalls[0].bytes, hookCalls[0].bits, hookCalls[0].instrument,
                              hookCalls[0].sample}),
            (std::vector<int>{100, 16, 0, 0}));
  EXPECT_EQ((std::vector<int>{hookCalls[1].bytes, hookCalls[1].bits, hookCalls[1].sample}),
            (std::vector<int>{3, 8, 1}));
  EXPECT_EQ(hookCalls[2].instrument, 1);
  EXPECT_EQ(values(*song->instruments[0].samples[0], 3), (std::vector<int>{1000, 1001, 1002}));
  EXPECT_EQ(song->instruments[0].samples[0]->data[49], 1049);
  EXPECT_EQ(values(*song->instruments[0].samples[1], 3), (std::vector<int>{2560, 2816, 3072}));
  EXPECT_EQ(song->instruments[1].samples[0]->data[0], 2560);
  EXPECT_EQ(song->instruments[1].sampleCount, 1) << "the second instrument was found";

  hookCalls.clear();
  song = xmtest::loadModule(oddSixteenBitModule(), recordingHook);
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(hookCalls.size(), 3u);
  EXPECT_EQ(hookCalls[0].bytes, 100);
  EXPECT_EQ(hookCalls[2].instrument, 1) << "the leftover byte is skipped with a hook too";
  EXPECT_EQ(song->instruments[1].sampleCount, 1);
}

}  // namespace
