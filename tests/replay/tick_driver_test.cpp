// The song position: rows and ticks, speed and tempo, pattern delay, jumps, breaks and loops.
#include "player/replay/tick_driver.h"

#include <gtest/gtest.h>

#include "tests/replay/replay_fixture.h"

namespace {

using namespace replaytest;
using Rows = std::vector<std::pair<int, int>>;

// Ticks the row that starts with the next call lasts.
int rowLength(Replay& replay) {
  int ticks = 0;
  do {
    replay.tick();
    ++ticks;
  } while (replay.song().tick != 0);
  return ticks;
}

TEST(TickDriver, SpeedZeroAndOneMakeEveryTickARowTick) {
  for (std::uint8_t speed : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "speed " << int(speed));
    Replay replay(
        baseModule({{0, 0, Cell{C4, 1, 0, 0x0F, speed}}, {1, 0, Cell{0, 0, 0, 0x0A, 0x0F}}}));
    EXPECT_EQ(replay.playRows(3), (Rows{{0, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(replay.channel(0).volume, 64) << "no per-tick slide ran";
  }
}

TEST(TickDriver, SpeedAndTempoCommands) {
  Replay replay(baseModule({{0, 0, Cell{0, 0, 0, 0x0F, 0x1F}}, {1, 0, Cell{0, 0, 0, 0x0F, 0x20}}}));
  EXPECT_EQ(rowLength(replay), 31);
  replay.tick();
  EXPECT_EQ((Values{replay.song().bpm, replay.song().samplesPerTick}), (Values{32, 3445}));
}

TEST(TickDriver, PatternDelayLengthensOnlyItsRowAndUsesTheSpeedInForce) {
  Replay replay(baseModule({{1, 0, Cell{0, 0, 0, 0x0E, 0xE2}},     // EE2 at speed 6: 6 + 12
                            {3, 0, Cell{0, 0, 0, 0x0E, 0xE2}},     // EE2, then F03 on a later
                            {3, 1, Cell{0, 0, 0, 0x0F, 0x03}},     // channel
                            {4, 0, Cell{0, 0, 0, 0x0F, 0x02}},     // F02, then EE2 on a later
                            {4, 1, Cell{0, 0, 0, 0x0E, 0xE2}}}));  // channel
  std::vector<int> lengths;
  for (int r = 0; r < 6; ++r)
    lengths.push_back(rowLength(replay));
  EXPECT_EQ(lengths, (std::vector<int>{6, 18, 6, 3 + 12, 2 + 4, 2}));
}

TEST(TickDriver, AJumpIsTakenAtTheNextRowTickAndTheBlockStillReportsItsRow) {
  Replay replay(orderedModule({0, 0, 0}, {4}, {{1, 0, fx(0x0B, 0x02)}}));
  replay.playRows(1);
  replay.tick();  // the row tick of the row with B02
  const player::Song& s = replay.song();
  EXPECT_EQ((Values{s.orderPosition, s.row, s.nextOrder, s.nextRow}), (Values{0, 1, 2, 0}));
  replay.finishRow();
  EXPECT_EQ(replay.song().row, 1);
  EXPECT_EQ(replay.playRows(1), (Rows{{2, 0}}));
}

TEST(TickDriver, PatternLoopPlaysItsRowsAgainWhileTheRowStaysTheOnePlayed) {
  Replay replay(orderedModule({0}, {12}, {{4, 0, fx(0x0E, 0x60)}, {8, 0, fx(0x0E, 0x62)}}));
  replay.playRows(8);
  replay.tick();  // row 8 with E62
  const player::Song& s = replay.song();
  EXPECT_EQ((Values{s.row, s.nextRow, s.nextOrder}), (Values{8, 4, -1}));
  replay.finishRow();
  EXPECT_EQ(
      replay.playRows(11),
      (Rows{
          {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {0, 9}}));
}

xmtest::Module restartingAt(std::uint16_t position, xmtest::Module module) {
  module.restartPosition = position;
  return module;
}

TEST(TickDriver, OrdersAndRowsPlayed) {
  const Cell jump = fx(0x0B, 0x02), breakTo10 = fx(0x0D, 0x10);
  const Cell loopStart = fx(0x0E, 0x60), loopOnce = fx(0x0E, 0x61);
  struct Case {
    const char* name;
    xmtest::Module module;
    Rows rows;
  };
  const Case cases[] = {
      {"the last order continues at the restart position",
       restartingAt(1, orderedModule({0, 1}, {2, 2})),
       {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}}},
      {"a break after a jump keeps the jump's order",
       orderedModule({0, 1, 1}, {16, 16}, {{0, 0, jump}, {0, 1, breakTo10}}),
       {{0, 0}, {2, 10}}},
      {"a jump after a break resets the row",
       orderedModule({0, 1, 1}, {16, 16}, {{0, 0, breakTo10}, {0, 1, jump}}),
       {{0, 0}, {2, 0}}},
      // Row 70 is beyond 63: row 0; row 63 of a 64-row pattern; from the last order to order 0,
      // not the restart position, where row 35 lies beyond the pattern's 32 rows: row 0 plays.
      {"breaks past the end of the song or of the pattern",
       restartingAt(1, orderedModule({0, 1, 2}, {32, 32, 64},
                                     {{0, 0, fx(0x0D, 0x70), 0},
                                      {0, 0, fx(0x0D, 0x63), 1},
                                      {63, 0, fx(0x0D, 0x35), 2}})),
       {{0, 0}, {1, 0}, {2, 63}, {0, 0}, {1, 0}}},
      {"a pattern without rows is passed in one row step",
       orderedModule({0, 1, 0}, {2, 0}),
       {{0, 0}, {0, 1}, {1, 0}, {2, 0}, {2, 1}}},
      {"a loop at row 0; of two loops on one row the last channel's wins",
       orderedModule({0}, {8},
                     {{0, 0, loopOnce},
                      {1, 0, loopStart},
                      {2, 1, loopStart},
                      {3, 0, loopOnce},
                      {3, 1, loopOnce}}),
       {{0, 0}, {0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 2}, {0, 3}}},
      {"a break on the row of a pattern loop wins",
       orderedModule({0, 0}, {8}, {{2, 0, fx(0x0E, 0x62)}, {2, 1, fx(0x0D, 0x05)}}),
       {{0, 0}, {0, 1}, {0, 2}, {1, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Replay replay(c.module);
    EXPECT_EQ(replay.playRows(static_cast<int>(c.rows.size())), c.rows);
  }
}

}  // namespace
