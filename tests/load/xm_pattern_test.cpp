// Pattern decoding: packed and plain cells, empty patterns, the stored note and instrument
// values, and where each pattern's data ends.
#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
#include "tests/support/xm_writer.h"

namespace {

using xmtest::Module;

// A module of one channel whose first pattern has the given raw cell data, followed by a
// pattern whose first cell holds note 60: that note shows where the first pattern's data ended.
Module rawPatternModule(std::vector<std::uint8_t> data, int rows) {
  Module module;
  module.channels = 1;
  xmtest::Pattern raw;
  raw.rows = rows;
  raw.rawData = std::move(data);
  xmtest::Pattern marker;
  marker.rows = 1;
  marker.set(0, 0, {60, 0, 0, 0, 0}, 1);
  module.patterns = {raw, marker};
  return module;
}

void expectCell(const player::PatternCell& cell, std::vector<int> expected) {
  EXPECT_EQ(
      (std::vector<int>{cell.note, cell.instrument, cell.volumeColumn, cell.effect, cell.param}),
      expected);
}

TEST(XmPattern, PackedAndPlainCellsConsumeWhatTheyNeed) {
  // 128: an empty cell of one byte; 0: a plain cell without note, five bytes; 0xFF: every field
  // (bits 5 and 6 ignored); 0x8A: instrument and effect only; 50: a plain cell with a note.
  xmtest::SongPtr song = xmtest::loadModule(rawPatternModule(
      {0x80, 0x00, 1, 2, 3, 4, 0xFF, 10, 11, 12, 13, 14, 0x8A, 7, 15, 50, 5, 6, 7, 8}, 5));
  ASSERT_NE(song, nullptr);
  const player::PatternCell* cells = song->patterns[0].cells;
  expectCell(cells[0], {0, 0, 0, 0, 0});
  expectCell(cells[1], {0, 1, 2, 3, 4});
  expectCell(cells[2], {10, 11, 12, 13, 14});
  expectCell(cells[3], {0, 7, 0, 15, 0});
  expectCell(cells[4], {50, 5, 6, 7, 8});
  EXPECT_EQ(song->patterns[1].cells[0].note, 60);
}

TEST(XmPattern, ThePackedSizeIsNotComparedWithTheCells) {
  Module module = rawPatternModule({0x81, 30, 0x80}, 2);
  module.patterns[0].packedSizeOverride = 200;
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].cells[0].note, 30);
  EXPECT_EQ(song->patterns[1].cells[0].note, 60);
}

TEST(XmPattern, AnEmptyPatternHasZeroCellsAndItsRows) {
  Module module = rawPatternModule({}, 32);  // P = 0: the next header follows 9 bytes later
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].rows, 32);
  for (int k = 0; k < 32; ++k)
    expectCell(song->patterns[0].cells[k], {0, 0, 0, 0, 0});
  EXPECT_EQ(song->patterns[1].cells[0].note, 60);
}

TEST(XmPattern, KeyOffAndInstrumentNumbersAreStoredForTheReplayer) {
  // Packed and plain: note 97 is key-off, instruments above 128 are none, notes 98+ stay.
  xmtest::SongPtr song = xmtest::loadModule(
      rawPatternModule({0x83, 97, 200, 0x82, 129, 0x82, 128, 97, 130, 0, 0, 0, 0x81, 98}, 5));
  ASSERT_NE(song, nullptr);
  const player::PatternCell* cells = song->patterns[0].cells;
  EXPECT_EQ(cells[0].note, player::KEY_OFF);
  EXPECT_EQ(cells[0].instrument, 0);
  EXPECT_EQ(cells[1].instrument, 0);
  EXPECT_EQ(cells[2].instrument, 128);
  EXPECT_EQ(cells[3].note, player::KEY_OFF);
  EXPECT_EQ(cells[3].instrument, 0);
  EXPECT_EQ(cells[4].note, 98);
  EXPECT_EQ(song->patterns[1].cells[0].note, 60);
}

TEST(XmPattern, CellsAreRowMajor) {
  Module module;
  module.channels = 3;
  xmtest::Pattern pattern;
  pattern.rows = 4;
  pattern.set(2, 1, {40, 2, 0x30, 0x0C, 0x20}, 3);
  pattern.set(3, 2, {41, 0, 0, 0, 0}, 3);
  module.patterns = {pattern, pattern};
  module.patterns[1].packed = false;
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  for (int p = 0; p < 2; ++p) {
    const player::PatternCell* cells = song->patterns[p].cells;
    expectCell(cells[2 * 3 + 1], {40, 2, 0x30, 0x0C, 0x20});
    expectCell(cells[3 * 3 + 2], {41, 0, 0, 0, 0});
    expectCell(cells[1 * 3 + 2], {0, 0, 0, 0, 0});
  }
}

TEST(XmPattern, CellsMissingFromATruncatedFileStayEmpty) {
  Module module = rawPatternModule({0x81, 30}, 64);
  module.patterns.pop_back();
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].cells[0].note, 30);
  for (int k = 1; k < 64; ++k)
    expectCell(song->patterns[0].cells[k], {0, 0, 0, 0, 0});
}

}  // namespace
