// The song position: rows and ticks, speed and tempo, pattern delay, jumps, breaks and loops.
#include "player/replay/tick_driver.h"

#include <gtest/gtest.h>

#include "tests/replay/replay_fixture.h"

namespace {

using replaytest::baseModule;
using replaytest::Cell;
using replaytest::put;
using replaytest::Replay;
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

// A module whose orders each name a pattern of `rows` rows.
xmtest::Module orderedModule(std::vector<std::uint8_t> orders, int patterns, int rows) {
  xmtest::Module module = baseModule();
  module.orders = std::move(orders);
  module.patterns.assign(static_cast<std::size_t>(patterns), xmtest::Pattern{});
  for (auto& pattern : module.patterns)
    pattern.rows = rows;
  return module;
}

TEST(TickDriver, RowTicksComeEverySpeedTicksAndTheOthersRunEffects) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{49, 1, 0, 0x0A, 0x01});  // A01 slides down on the other ticks only
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<int> rowTicks;
  for (int call = 1; call <= 14; ++call) {
    if (replay.song().tick == 0) rowTicks.push_back(call);
    replay.tick();
    if (call == 6) {
      EXPECT_EQ(replay.channel(0).volume, 64 - 5);
    }
  }
  EXPECT_EQ(rowTicks, (std::vector<int>{1, 7, 13}));
  EXPECT_EQ(replay.song().row, 2);
}

TEST(TickDriver, SpeedZeroAndOneMakeEveryTickARowTick) {
  for (std::uint8_t speed : {0, 1}) {
    xmtest::Module module = baseModule();
    put(module, 0, 0, Cell{49, 1, 0, 0x0F, speed});
    put(module, 1, 0, Cell{0, 0, 0, 0x0A, 0x0F});
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    EXPECT_EQ(replay.playRows(3), (Rows{{0, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(replay.channel(0).volume, 64) << "no per-tick slide ran at speed " << int(speed);
  }
}

TEST(TickDriver, SpeedAndTempoCommands) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{0, 0, 0, 0x0F, 0x1F});
  put(module, 1, 0, Cell{0, 0, 0, 0x0F, 0x20});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  EXPECT_EQ(rowLength(replay), 31);
  replay.tick();
  EXPECT_EQ(replay.song().bpm, 32);
  EXPECT_EQ(replay.song().samplesPerTick, 3445);
}

TEST(TickDriver, PatternDelayLengthensOnlyItsRowAndUsesTheSpeedInForce) {
  xmtest::Module module = baseModule();
  put(module, 1, 0, Cell{0, 0, 0, 0x0E, 0xE2});  // EE2 at speed 6: 6 + 12 ticks
  put(module, 3, 0, Cell{0, 0, 0, 0x0E, 0xE2});  // EE2, then F03 on a later channel
  put(module, 3, 1, Cell{0, 0, 0, 0x0F, 0x03});
  put(module, 4, 0, Cell{0, 0, 0, 0x0F, 0x02});  // F02, then EE2 on a later channel
  put(module, 4, 1, Cell{0, 0, 0, 0x0E, 0xE2});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<int> lengths;
  for (int r = 0; r < 6; ++r)
    lengths.push_back(rowLength(replay));
  EXPECT_EQ(lengths, (std::vector<int>{6, 18, 6, 3 + 12, 2 + 4, 2}));
}

TEST(TickDriver, TheLastOrderContinuesAtTheRestartPosition) {
  xmtest::Module module = orderedModule({0, 1}, 2, 2);
  module.restartPosition = 1;
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  EXPECT_EQ(replay.playRows(6), (Rows{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}}));
}

TEST(TickDriver, AJumpIsTakenAtTheNextRowTickAndTheBlockStillReportsItsRow) {
  xmtest::Module module = orderedModule({0, 0, 0}, 1, 4);
  put(module, 1, 0, Cell{0, 0, 0, 0x0B, 0x02});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.playRows(1);
  replay.tick();  // the row tick of the row with B02
  EXPECT_EQ(replay.song().orderPosition, 0);
  EXPECT_EQ(replay.song().row, 1);
  EXPECT_EQ(replay.song().nextOrder, 2);
  EXPECT_EQ(replay.song().nextRow, 0);
  replay.finishRow();
  EXPECT_EQ(replay.song().row, 1);
  EXPECT_EQ(replay.playRows(1), (Rows{{2, 0}}));
}

TEST(TickDriver, JumpAndBreakOnOneRowInEitherChannelOrder) {
  for (const bool jumpFirst : {true, false}) {
    xmtest::Module module = orderedModule({0, 1, 1}, 2, 16);
    put(module, 0, jumpFirst ? 0 : 1, Cell{0, 0, 0, 0x0B, 0x02});
    put(module, 0, jumpFirst ? 1 : 0, Cell{0, 0, 0, 0x0D, 0x10});
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    // The break after a jump keeps the jump's order; a jump after a break resets the row.
    EXPECT_EQ(replay.playRows(2)[1], (std::pair<int, int>{2, jumpFirst ? 10 : 0}));
  }
}

TEST(TickDriver, BreaksPastTheEndOfTheSongOrOfThePattern) {
  xmtest::Module module = orderedModule({0, 1, 2}, 3, 32);
  module.restartPosition = 1;
  module.patterns[2].rows = 64;
  put(module, 0, 0, Cell{0, 0, 0, 0x0D, 0x70}, 0);   // row 70 is beyond 63: row 0
  put(module, 0, 0, Cell{0, 0, 0, 0x0D, 0x40}, 1);   // row 40 of the 64-row pattern
  put(module, 40, 0, Cell{0, 0, 0, 0x0D, 0x35}, 2);  // from the last order: order 0, not 1
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  // Row 35 lies beyond the 32 rows of order 0's pattern: its row 0 plays.
  EXPECT_EQ(replay.playRows(5), (Rows{{0, 0}, {1, 0}, {2, 40}, {0, 0}, {1, 0}}));
}

TEST(TickDriver, APatternWithoutRowsIsPassedInOneRowStep) {
  xmtest::Module module = orderedModule({0, 1, 0}, 2, 2);
  module.patterns[1].rows = 0;
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  EXPECT_EQ(replay.playRows(5), (Rows{{0, 0}, {0, 1}, {1, 0}, {2, 0}, {2, 1}}));
}

TEST(TickDriver, PatternLoopPlaysItsRowsAgainWhileTheRowStaysTheOnePlayed) {
  xmtest::Module module = orderedModule({0}, 1, 12);
  put(module, 4, 0, Cell{0, 0, 0, 0x0E, 0x60});
  put(module, 8, 0, Cell{0, 0, 0, 0x0E, 0x62});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.playRows(8);
  replay.tick();  // row 8 with E62
  EXPECT_EQ(replay.song().row, 8);
  EXPECT_EQ(replay.song().nextRow, 4);
  EXPECT_EQ(replay.song().nextOrder, -1);
  replay.finishRow();
  std::vector<int> rows;
  for (const auto& [order, row] : replay.playRows(11))
    rows.push_back(row);
  EXPECT_EQ(rows, (std::vector<int>{4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 9}));
}

TEST(TickDriver, PatternLoopAtRowZeroAndTheLastLoopingChannelWins) {
  xmtest::Module module = orderedModule({0}, 1, 8);
  put(module, 0, 0, Cell{0, 0, 0, 0x0E, 0x61});  // loops on its own row 0 once
  put(module, 1, 0, Cell{0, 0, 0, 0x0E, 0x60});
  put(module, 2, 1, Cell{0, 0, 0, 0x0E, 0x60});
  put(module, 3, 0, Cell{0, 0, 0, 0x0E, 0x61});
  put(module, 3, 1, Cell{0, 0, 0, 0x0E, 0x61});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<int> rows;
  for (const auto& [order, row] : replay.playRows(7))
    rows.push_back(row);
  EXPECT_EQ(rows, (std::vector<int>{0, 0, 1, 2, 3, 2, 3}));
}

TEST(TickDriver, AJumpOnTheRowOfAPatternLoopWins) {
  xmtest::Module module = orderedModule({0, 0}, 1, 8);
  put(module, 2, 0, Cell{0, 0, 0, 0x0E, 0x62});
  put(module, 2, 1, Cell{0, 0, 0, 0x0D, 0x05});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  EXPECT_EQ(replay.playRows(4)[3], (std::pair<int, int>{1, 5}));
}

}  // namespace
