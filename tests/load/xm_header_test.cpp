// The song header: signature, the values the song keeps, the bounds the loader enforces, and
// where the patterns are found.
#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
#include "player/replay/tick_driver.h"
#include "tests/support/xm_writer.h"

namespace {

using xmtest::Module;

xmtest::Pattern patternWithNote(int rows, int channels, std::uint8_t note) {
  xmtest::Pattern pattern;
  pattern.rows = rows;
  pattern.set(0, 0, {note, 1, 0, 0, 0}, channels);
  return pattern;
}

TEST(XmHeader, SignatureMustMatchExactly) {
  Module module;
  module.signature = "Extended module: ";
  EXPECT_EQ(xmtest::loadModule(module), nullptr);
  module.signature = "Extended Module:_";
  EXPECT_EQ(xmtest::loadModule(module), nullptr);

  const std::vector<std::uint8_t> file = xmtest::writeXm(Module{});
  EXPECT_EQ(xmtest::loadFile({file.begin(), file.begin() + 16}), nullptr)
      << "shorter than the signature";
  // The signature alone is a module whose every other field is 0.
  xmtest::SongPtr song = xmtest::loadFile({file.begin(), file.begin() + 17});
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->songLength, 0);
  EXPECT_EQ(song->channelCount, 0);
  EXPECT_EQ(song->patternSlotCount, 0);
  EXPECT_EQ(song->defaultBpm, 1);
}

TEST(XmHeader, KeepsTheHeaderValuesAndLeavesPlaybackFieldsZero) {
  Module module;
  module.channels = 6;
  module.flags = 0;
  module.speed = 5;
  module.bpm = 140;
  module.orders = {0, 2, 1, 1};
  module.restartPosition = 3;
  module.patterns.resize(3);
  module.instruments.push_back(xmtest::simpleInstrument({1, 2}));
  auto hook = [](std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {};
  xmtest::SongPtr song = xmtest::loadModule(module, hook);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->songLength, 4);
  EXPECT_EQ(song->restartPosition, 3);
  EXPECT_EQ(song->channelCount, 6);
  EXPECT_EQ(song->instrumentCount, 1);
  EXPECT_EQ(song->flags, 0);
  EXPECT_EQ(song->defaultSpeed, 5);
  EXPECT_EQ(song->defaultBpm, 140);
  EXPECT_EQ(song->orderTable[1], 2);
  EXPECT_EQ(song->orderTable[3], 1);
  EXPECT_EQ(song->orderTable[4], 0);
  EXPECT_EQ(song->usedPatternCount, 3);
  EXPECT_EQ(song->initialGlobalVolume, 64);
  EXPECT_EQ(song->tickHandler, &player::runTick);
  EXPECT_EQ(song->sampleReadHook, static_cast<player::SampleReadHook>(hook));
  EXPECT_EQ(song->onPlayStart, nullptr);
  EXPECT_EQ(song->nextRow, 0);
  EXPECT_EQ(song->nextOrder, 0);
  EXPECT_EQ(song->speed, 0);
  EXPECT_EQ(song->bpm, 0);
  EXPECT_EQ(song->globalVolume, 0);
  EXPECT_EQ(song->samplesPerTick, 0);
}

TEST(XmHeader, SongLengthAndRestartPositionAreKeptInsideTheOrderTable) {
  Module module;
  module.songLength = 300;
  module.restartPosition = 255;
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->songLength, 256);
  EXPECT_EQ(song->restartPosition, 255);

  module.songLength = 4;
  module.restartPosition = 4;
  song = xmtest::loadModule(module);
  EXPECT_EQ(song->restartPosition, 0) << "restart at the song length";
  module.restartPosition = 0x8000;  // negative as a signed field
  song = xmtest::loadModule(module);
  EXPECT_EQ(song->restartPosition, 0);
  module.songLength = 0;
  module.restartPosition = 0;
  song = xmtest::loadModule(module);
  EXPECT_EQ(song->restartPosition, 0);
}

TEST(XmHeader, ChannelCountsBeyondTheChannelTableAreRefused) {
  Module module;
  module.channels = 33;
  EXPECT_EQ(xmtest::loadModule(module), nullptr);
  module.channels = 32;
  module.patterns.push_back(patternWithNote(4, 32, 10));
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->channelCount, 32);
  EXPECT_EQ(song->patterns[0].cells[0].note, 10);

  module.channels = 0;  // plays silence
  module.patterns = {};
  song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].cells, nullptr);
}

TEST(XmHeader, MoreThan256PatternsAreRefused) {
  Module module;
  module.patternCount = 257;
  EXPECT_EQ(xmtest::loadModule(module), nullptr);
  module.patternCount = 256;  // 256 empty patterns, all of them past the end of the file
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patternSlotCount, 256);
  EXPECT_EQ(song->usedPatternCount, 1);
}

TEST(XmHeader, BpmBelowOneBecomesOne) {
  Module module;
  module.bpm = 0;
  EXPECT_EQ(xmtest::loadModule(module)->defaultBpm, 1);
  module.bpm = 0xFFFF;
  EXPECT_EQ(xmtest::loadModule(module)->defaultBpm, 1);
  module.bpm = 1;
  EXPECT_EQ(xmtest::loadModule(module)->defaultBpm, 1);
}

TEST(XmHeader, PatternsFollowTheDeclaredHeaderSize) {
  Module module;
  module.headerSize = 300;  // 24 bytes more than the usual header
  module.patterns.push_back(patternWithNote(8, 4, 20));
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].rows, 8);
  EXPECT_EQ(song->patterns[0].cells[0].note, 20);

  // The standard size puts the first pattern header at offset 336.
  module.headerSize = 276;
  std::vector<std::uint8_t> file = xmtest::writeXm(module);
  file[336 + 5] = 12;
  EXPECT_EQ(xmtest::loadFile(file)->patterns[0].rows, 12);
}

TEST(XmHeader, PatternSlotsCoverTheHeaderAndTheOrderTable) {
  Module module;
  module.channels = 2;
  module.patterns.resize(18);
  module.orders = {0, 20, 5};
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->usedPatternCount, 21);
  EXPECT_EQ(song->patternSlotCount, 21);
  for (int p = 18; p <= 20; ++p) {
    EXPECT_EQ(song->patterns[p].rows, 64);
    ASSERT_NE(song->patterns[p].cells, nullptr);
    for (int k = 0; k < 64 * 2; ++k)
      EXPECT_EQ(song->patterns[p].cells[k].note, 0);
  }

  module.orders = {1, 2};  // fewer than the header holds: all kept
  song = xmtest::loadModule(module);
  EXPECT_EQ(song->usedPatternCount, 3);
  EXPECT_EQ(song->patternSlotCount, 18);

  module.orders = {7};
  module.songLength = 0;
  song = xmtest::loadModule(module);
  EXPECT_EQ(song->usedPatternCount, 0);
  EXPECT_EQ(song->patternSlotCount, 18);

  module.patterns = {};  // no patterns in the file, one in the order list
  module.orders = {0};
  module.songLength.reset();
  song = xmtest::loadModule(module);
  ASSERT_EQ(song->patternSlotCount, 1);
  EXPECT_EQ(song->patterns[0].rows, 64);
}

}  // namespace
