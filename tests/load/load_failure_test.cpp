// Loads that fail: every allocation of a load failing in turn, empty and missing images, and
// refused modules, each of which must leave nothing allocated behind.
#include <gtest/gtest.h>

#include "player/load/load_memory.h"
#include "player/load/xm_loader.h"
#include "tests/support/xm_writer.h"

namespace {

namespace loadtest = player::loadtest;

// Two patterns in the file, one only in the order list, and two instruments with 8-bit,
// 16-bit and empty samples: every kind of allocation the loader makes.
xmtest::Module everyKindOfAllocation() {
  xmtest::Module module;
  module.channels = 2;
  module.orders = {0, 1, 2};
  module.patterns.resize(2);
  module.patterns[0].set(1, 1, {20, 1, 0, 0, 0}, 2);
  xmtest::Instrument two = xmtest::simpleInstrument({1, 2, 3}, true);
  two.samples.push_back(xmtest::sampleOf({4, 5}));
  two.samples.push_back(xmtest::Sample{});
  module.instruments = {xmtest::simpleInstrument({1, 2, 3}), two, xmtest::Instrument{}};
  return module;
}

TEST(LoadFailure, EveryAllocationFailingFailsTheLoadAndFreesWhatWasBuilt) {
  const xmtest::ImagePtr image = xmtest::makeImage(xmtest::writeXm(everyKindOfAllocation()));
  const std::int64_t liveBefore = loadtest::liveBlockCount();
  const std::int64_t before = loadtest::allocationCount();
  player::Song* song = player::loadSong(image.get(), nullptr);
  ASSERT_NE(song, nullptr);
  const std::int64_t allocations = loadtest::allocationCount() - before;
  EXPECT_EQ(player::freeSong(song), 1);
  EXPECT_EQ(loadtest::liveBlockCount(), liveBefore);

  for (std::int64_t k = 0; k < allocations; ++k) {
    loadtest::failAllocationAfter(k);
    EXPECT_EQ(player::loadSong(image.get(), nullptr), nullptr) << "allocation " << k;
    loadtest::failAllocationAfter(-1);
    EXPECT_EQ(loadtest::liveBlockCount(), liveBefore) << "allocation " << k;
  }
  song = player::loadSong(image.get(), nullptr);
  EXPECT_NE(song, nullptr);
  player::freeSong(song);
}

TEST(LoadFailure, EmptyMissingAndRefusedImagesLeaveNothingAllocated) {
  const std::int64_t liveBefore = loadtest::liveBlockCount();
  EXPECT_EQ(player::loadSong(nullptr, nullptr), nullptr);
  EXPECT_EQ(xmtest::loadFile({}), nullptr);
  xmtest::Module tooMany = everyKindOfAllocation();
  tooMany.instruments[1].declaredSampleCount = 17;  // after patterns and one instrument
  EXPECT_EQ(xmtest::loadModule(tooMany), nullptr);
  EXPECT_EQ(player::freeSong(nullptr), 0);
  EXPECT_EQ(loadtest::liveBlockCount(), liveBefore);
}

}  // namespace
