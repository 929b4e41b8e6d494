// The song header: signature, the values the song keeps and the bounds the loader enforces.
// Where the patterns are found and the orders that name missing ones are heard in the digest
// table's songs.
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

}  // namespace
