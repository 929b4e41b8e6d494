// How much a module can make the loader hold: the song's pattern cells are bounded (2^24 of
// them, the patterns the file lacks included), and no file under 10 KB makes a load ask for more
// than 256 MiB, however many rows its headers declare.
#include <gtest/gtest.h>

#include "player/load/load_memory.h"
#include "player/load/module_check.h"
#include "player/load/xm_loader.h"
#include "tests/support/hostile_modules.h"

namespace {

namespace loadtest = player::loadtest;

constexpr std::uint64_t MOST_FOR_SMALL_FILE = std::uint64_t{256} << 20;

// `patterns` patterns of `rows` rows on 32 channels, without cell data, and orders naming
// `missing` more that the file lacks (64 rows each).
xmtest::Module declaredCells(int patterns, int rows, int missing = 0) {
  xmtest::Module module;
  module.channels = 32;
  module.patterns.assign(static_cast<std::size_t>(patterns), xmtest::Pattern{});
  for (xmtest::Pattern& pattern : module.patterns)
    pattern.rows = rows;
  module.orders = {0};
  if (missing > 0) module.orders.push_back(static_cast<std::uint8_t>(patterns + missing - 1));
  return module;
}

xmtest::Module withLastPatternRows(xmtest::Module module, int rows) {
  module.patterns.back().rows = rows;
  return module;
}

TEST(PatternBound, SongsOfMoreThanTwoToTheTwentyFourCellsAreRefusedAsAFailedAllocation) {
  struct Case {
    const char* name;
    xmtest::Module module;
    bool loads;
  } const cases[] = {
      {"256 patterns of 2,048 rows: exactly 2^24 cells", declaredCells(256, 2048), true},
      {"one row more", withLastPatternRows(declaredCells(256, 2048), 2049), false},
      {"255 patterns and a 64-row one the file lacks", declaredCells(255, 2055, 1), true},
      {"the one the file lacks passes the bound", declaredCells(255, 2056, 1), false},
      {"2.6 KB of headers declaring 536,862,720 cells", xmtest::tallPatternsModule(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> file = xmtest::writeXm(c.module);
    const xmtest::ImagePtr image = xmtest::makeImage(file);
    const std::int64_t liveBefore = loadtest::liveBlockCount();
    const std::uint64_t before = loadtest::requestedBytes();
    player::Song* song = player::loadSong(image.get(), nullptr);
    EXPECT_EQ(song != nullptr, c.loads);
    EXPECT_LE(loadtest::requestedBytes() - before, MOST_FOR_SMALL_FILE) << file.size() << " bytes";
    EXPECT_EQ(player::checkModule(image.get()).fault,
              c.loads ? player::ModuleFault::NONE : player::ModuleFault::TOO_MANY_CELLS);
    player::freeSong(song);
    EXPECT_EQ(loadtest::liveBlockCount(), liveBefore);
  }
}

}  // namespace
