// The song header: signature, the values the song keeps, the bounds the loader enforces, and
// where the patterns are found.
#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
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
  for (const char* signature : {"Extended module: ", "Extended Module:_"}) {
    module.signature = signature;
    EXPECT_EQ(xmtest::loadModule(module), nullptr) << signature;
  }
  const std::vector<std::uint8_t> file = xmtest::writeXm(Module{});
  EXPECT_EQ(xmtest::loadFile({file.begin(), file.begin() + 16}), nullptr);
  // The signature alone is a module whose every other field is 0.
  EXPECT_NE(xmtest::loadFile({file.begin(), file.begin() + 17}), nullptr);
}

TEST(XmHeader, SongLengthRestartPositionAndBpmAreBroughtWithinBounds) {
  struct Case {
    std::uint16_t songLength, restartPosition, bpm;
    int length, restart, defaultBpm;
  } const cases[] = {
      {300, 255, 125, 256, 255, 125},
      {4, 4, 0, 4, 0, 1},            // restart at the song length
      {4, 0x8000, 0xFFFF, 4, 0, 1},  // both negative as signed fields
      {0, 0, 1, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "song length " << c.songLength << ", restart "
                                      << c.restartPosition << ", bpm " << c.bpm);
    Module module;
    module.songLength = c.songLength;
    module.restartPosition = c.restartPosition;
    module.bpm = c.bpm;
    xmtest::SongPtr song = xmtest::loadModule(module);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ((std::vector<int>{song->songLength, song->restartPosition, song->defaultBpm}),
              (std::vector<int>{c.length, c.restart, c.defaultBpm}));
  }
}

TEST(XmHeader, ChannelAndPatternCountsBeyondTheTablesAreRefused) {
  Module module;
  module.channels = 33;
  EXPECT_EQ(xmtest::loadModule(module), nullptr);
  module.channels = 32;
  module.patterns.push_back(patternWithNote(4, 32, 10));
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ((std::vector<int>{song->channelCount, song->patterns[0].cells[0].note}),
            (std::vector<int>{32, 10}));
  for (std::uint16_t silent : {0, 0xFFFF}) {  // no channels, or a negative count: silence
    module.channels = silent;
    song = xmtest::loadModule(module);
    ASSERT_NE(song, nullptr) << silent;
    EXPECT_EQ(song->patterns[0].cells, nullptr) << silent;
  }

  module = {};
  module.patternCount = 257;
  EXPECT_EQ(xmtest::loadModule(module), nullptr);
  module.patternCount = 256;  // 256 empty patterns, all of them past the end of the file
  song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ((std::vector<int>{song->patternSlotCount, song->usedPatternCount}),
            (std::vector<int>{256, 1}));
}

TEST(XmHeader, PatternsFollowTheDeclaredHeaderSize) {
  Module module;
  module.headerSize = 300;  // 24 bytes more than the usual header
  module.patterns.push_back(patternWithNote(8, 4, 20));
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(song->patterns[0].rows, 8);
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
  EXPECT_EQ((std::vector<int>(song->orderTable, song->orderTable + 4)),
            (std::vector<int>{0, 20, 5, 0}));
  EXPECT_EQ((std::vector<int>{song->usedPatternCount, song->patternSlotCount}),
            (std::vector<int>{21, 21}));
  for (int p = 18; p <= 20; ++p) {  // named by the order table only: 64 empty rows
    EXPECT_EQ(song->patterns[p].rows, 64);
    ASSERT_NE(song->patterns[p].cells, nullptr);
    for (int k = 0; k < 64 * 2; ++k)
      EXPECT_EQ(song->patterns[p].cells[k].note, 0);
  }
  auto slots = [&] {
    song = xmtest::loadModule(module);
    return std::vector<int>{song->usedPatternCount, song->patternSlotCount};
  };
  module.orders = {1, 2};  // fewer than the header holds: all kept
  EXPECT_EQ(slots(), (std::vector<int>{3, 18}));
  module.orders = {7};  // orders past the song length count for nothing
  module.songLength = 0;
  EXPECT_EQ(slots(), (std::vector<int>{0, 18}));
  module.patterns = {};  // no patterns in the file, one in the order list
  module.orders = {0};
  module.songLength.reset();
  EXPECT_EQ(slots(), (std::vector<int>{1, 1}));
  EXPECT_EQ(song->patterns[0].rows, 64);
}

}  // namespace
