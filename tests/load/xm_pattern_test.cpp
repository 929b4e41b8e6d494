// Pattern decoding: packed and plain cells, empty patterns, the stored note and instrument
// values, and where each pattern's data ends.
#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
#include "tests/support/xm_writer.h"

namespace {

std::vector<int> fields(const player::PatternCell& cell) {
  return {cell.note, cell.instrument, cell.volumeColumn, cell.effect, cell.param};
}

TEST(XmPattern, CellsDecodeFromPackedAndPlainData) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
    int rows;
    std::vector<std::vector<int>> cells;  // the first cells; every later one is empty
    std::optional<std::uint16_t> packedSize;
    bool last;  // no pattern follows: the file ends in this one
  };
  const int OFF = player::KEY_OFF;
  // clang-format off
  const Case cases[] = {
      // 128: an empty cell of one byte; 0: a plain cell without note, five bytes; 0xFF: every
      // field (bits 5 and 6 ignored); 0x8A: instrument and effect only; 50: a plain cell.
      {"packed and plain",
       {0x80, 0x00, 1, 2, 3, 4, 0xFF, 10, 11, 12, 13, 14, 0x8A, 7, 15, 50, 5, 6, 7, 8}, 5,
       {{0, 0, 0, 0, 0}, {0, 1, 2, 3, 4}, {10, 11, 12, 13, 14}, {0, 7, 0, 15, 0}, {50, 5, 6, 7, 8}},
       {}, false},
      // Note 97 is key-off, instruments above 128 are none, notes 98+ stay.
      {"key-off and instrument numbers",
       {0x83, 97, 200, 0x82, 129, 0x82, 128, 97, 130, 0, 0, 0, 0x81, 98}, 5,
       {{OFF, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 128, 0, 0, 0}, {OFF, 0, 0, 0, 0}, {98, 0, 0, 0, 0}},
       {}, false},
      {"packed size not compared with the cells", {0x81, 30, 0x80}, 2, {{30, 0, 0, 0, 0}}, 200,
       false},
      {"no data: the next header follows 9 bytes later", {}, 32, {}, {}, false},
      {"cells missing from a truncated file", {0x81, 30}, 64, {{30, 0, 0, 0, 0}}, {}, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // One channel; a second pattern whose first note, 60, shows where the first one ended.
    xmtest::Module module;
    module.channels = 1;
    xmtest::Pattern raw;
    raw.rows = c.rows;
    raw.rawData = c.data;
    raw.packedSizeOverride = c.packedSize;
    xmtest::Pattern marker;
    marker.rows = 1;
    marker.set(0, 0, {60, 0, 0, 0, 0}, 1);
    module.patterns = {raw};
    if (!c.last) module.patterns.push_back(marker);
    xmtest::SongPtr song = xmtest::loadModule(module);
    ASSERT_NE(song, nullptr);
    ASSERT_EQ(song->patterns[0].rows, c.rows);
    std::vector<std::vector<int>> expected = c.cells, decoded;
    expected.resize(static_cast<std::size_t>(c.rows), std::vector<int>(5, 0));
    for (int k = 0; k < c.rows; ++k)
      decoded.push_back(fields(song->patterns[0].cells[k]));
    EXPECT_EQ(decoded, expected);
    if (!c.last) {
      EXPECT_EQ(song->patterns[1].cells[0].note, 60);
    }
  }
}

TEST(XmPattern, CellsAreRowMajor) {
  xmtest::Module module;
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
    EXPECT_EQ(fields(cells[2 * 3 + 1]), (std::vector<int>{40, 2, 0x30, 0x0C, 0x20}));
    EXPECT_EQ(fields(cells[3 * 3 + 2]), (std::vector<int>{41, 0, 0, 0, 0}));
    EXPECT_EQ(fields(cells[1 * 3 + 2]), (std::vector<int>{0, 0, 0, 0, 0}));
  }
}

}  // namespace
