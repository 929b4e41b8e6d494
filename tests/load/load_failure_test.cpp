// Loads that fail: every allocation of a load failing in turn, empty and missing images, refused
// modules with the reason the check names, and the bound on pattern cells. None may leave
// anything allocated behind, and no file under 10 KB makes a load ask for more than 256 MiB,
// however many rows its headers declare.
#include <gtest/gtest.h>

#include "player/load/load_memory.h"
#include "player/load/module_check.h"
#include "player/load/xm_loader.h"
#include "tests/load/small_modules.h"
#include "tests/support/hostile_modules.h"

namespace {

using player::ModuleFault;
using player::loadtest::liveBlockCount;

// Two patterns in the file, one packed and one plain, one only in the order list, and
// instruments with 8-bit, 16-bit, odd 16-bit and empty samples, and none: every kind of
// allocation the loader makes, and every kind of data the check must step over.
xmtest::Module everyKindOfAllocation() {
  xmtest::Module module;
  module.channels = 2;
  module.orders = {0, 1, 2};
  module.patterns.resize(2);
  module.patterns[0].set(1, 1, {20, 1, 0x40, 0x0F, 0x03}, 2);
  module.patterns[1].packed = false;
  xmtest::Instrument two = xmtest::simpleInstrument({1, 2, 3}, true);
  two.samples.push_back(xmtest::sampleOf({4, 5}));
  two.samples.push_back(xmtest::Sample{});
  xmtest::Instrument odd = xmtest::simpleInstrument({1, 2, 3}, true);
  odd.samples[0].lengthBytes = 5;  // 16-bit with a leftover byte
  odd.samples[0].rawData = std::vector<std::uint8_t>{1, 0, 1, 0, 9};
  module.instruments = {xmtest::simpleInstrument({1, 2, 3}), two, xmtest::Instrument{}, odd,
                        loadtest::instrumentWithSamples(16)};
  return module;
}

TEST(LoadFailure, EveryAllocationFailingFailsTheLoadAndFreesWhatWasBuilt) {
  const xmtest::ImagePtr image = xmtest::makeImage(xmtest::writeXm(everyKindOfAllocation()));
  const std::int64_t liveBefore = liveBlockCount();
  const std::int64_t before = player::loadtest::allocationCount();
  player::Song* song = player::loadSong(image.get(), nullptr);
  ASSERT_NE(song, nullptr);
  const std::int64_t allocations = player::loadtest::allocationCount() - before;
  EXPECT_EQ(player::freeSong(song), 1);
  EXPECT_EQ(liveBlockCount(), liveBefore);

  for (std::int64_t k = 0; k < allocations; ++k) {
    player::loadtest::failAllocationAfter(k);
    EXPECT_EQ(player::loadSong(image.get(), nullptr), nullptr) << "allocation " << k;
    player::loadtest::failAllocationAfter(-1);
    EXPECT_EQ(liveBlockCount(), liveBefore) << "allocation " << k;
  }
  song = player::loadSong(image.get(), nullptr);
  EXPECT_NE(song, nullptr);
  player::freeSong(song);
}

// What the check names for simple refusals is pinned by the command line's bad-input test; this
// one follows it through a whole file.
TEST(LoadFailure, RefusalsNameTheirReasonAndLeaveNothingAllocated) {
  const std::int64_t liveBefore = liveBlockCount();
  EXPECT_EQ(player::checkModule(nullptr).fault, ModuleFault::EMPTY);
  EXPECT_EQ(player::loadSong(nullptr, nullptr), nullptr);
  EXPECT_EQ(xmtest::loadFile({}), nullptr);
  EXPECT_EQ(player::freeSong(nullptr), 0);

  xmtest::Module module = everyKindOfAllocation();
  module.instruments.push_back(loadtest::instrumentWithSamples(2));
  module.instruments.push_back(loadtest::instrumentWithSamples(20));
  auto check = [&] {
    return player::checkModule(xmtest::makeImage(xmtest::writeXm(module)).get());
  };
  player::ModuleCheck result = check();
  EXPECT_EQ(result.fault, ModuleFault::TOO_MANY_SAMPLES);
  EXPECT_EQ((std::vector<int>{result.instrument, result.sampleCount}), (std::vector<int>{7, 20}));
  EXPECT_EQ(xmtest::loadModule(module), nullptr);
  EXPECT_EQ(liveBlockCount(), liveBefore);

  module.instruments.pop_back();
  result = check();
  EXPECT_EQ(result.fault, ModuleFault::NONE);
  EXPECT_EQ((std::vector<int>{result.channelCount, result.patternCount}), (std::vector<int>{2, 2}));
  EXPECT_NE(xmtest::loadModule(module), nullptr);
}

// `patterns` patterns of `rows` rows on 32 channels, without cell data, and orders naming
// `missing` more that the file lacks (64 rows each); the last pattern of `lastRows` rows.
xmtest::Module declaredCells(int patterns, int rows, int missing = 0, int lastRows = 0) {
  xmtest::Module module;
  module.channels = 32;
  module.patterns.assign(static_cast<std::size_t>(patterns), xmtest::Pattern{});
  for (xmtest::Pattern& pattern : module.patterns)
    pattern.rows = rows;
  if (lastRows > 0) module.patterns.back().rows = lastRows;
  module.orders = {0};
  if (missing > 0) module.orders.push_back(static_cast<std::uint8_t>(patterns + missing - 1));
  return module;
}

TEST(LoadFailure, SongsOfMoreThanTwoToTheTwentyFourCellsAreRefusedAsAFailedAllocation) {
  struct Case {
    const char* name;
    xmtest::Module module;
    bool loads;
  } const cases[] = {
      {"256 patterns of 2,048 rows: exactly 2^24 cells", declaredCells(256, 2048), true},
      {"one row more", declaredCells(256, 2048, 0, 2049), false},
      {"255 patterns and a 64-row one the file lacks", declaredCells(255, 2055, 1), true},
      {"the one the file lacks passes the bound", declaredCells(255, 2056, 1), false},
      {"2.6 KB of headers declaring 536,862,720 cells", xmtest::tallPatternsModule(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> file = xmtest::writeXm(c.module);
    const xmtest::ImagePtr image = xmtest::makeImage(file);
    const std::int64_t liveBefore = liveBlockCount();
    const std::uint64_t before = player::loadtest::requestedBytes();
    player::Song* song = player::loadSong(image.get(), nullptr);
    EXPECT_EQ(song != nullptr, c.loads);
    EXPECT_LE(player::loadtest::requestedBytes() - before, std::uint64_t{256} << 20)
        << file.size() << " bytes";
    EXPECT_EQ(player::checkModule(image.get()).fault,
              c.loads ? ModuleFault::NONE : ModuleFault::TOO_MANY_CELLS);
    player::freeSong(song);
    EXPECT_EQ(liveBlockCount(), liveBefore);
  }
}

}  // namespace
