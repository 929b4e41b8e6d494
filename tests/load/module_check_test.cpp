// The check that says why the loader refuses a module. What it names for simple refusals is
// pinned by the command line's bad-input test; this one follows it through a whole file.
#include "player/load/module_check.h"

#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
#include "tests/load/small_modules.h"

namespace {

using player::ModuleFault;

TEST(ModuleCheck, FindsTheInstrumentWithTooManySamplesBehindPatternsAndSampleData) {
  EXPECT_EQ(player::checkModule(nullptr).fault, ModuleFault::EMPTY);
  xmtest::Module module;
  module.channels = 3;
  module.patterns.resize(2);
  module.patterns[0].set(5, 2, {30, 1, 0x40, 0x0F, 0x03}, 3);
  module.patterns[1].packed = false;
  xmtest::Instrument odd = xmtest::simpleInstrument({1, 2, 3}, true);
  odd.samples[0].lengthBytes = 5;  // 16-bit with a leftover byte
  odd.samples[0].rawData = std::vector<std::uint8_t>{1, 0, 1, 0, 9};
  module.instruments = {loadtest::instrumentWithSamples(16), xmtest::Instrument{}, odd,
                        loadtest::instrumentWithSamples(2), loadtest::instrumentWithSamples(20)};
  auto check = [&] {
    return player::checkModule(xmtest::makeImage(xmtest::writeXm(module)).get());
  };
  player::ModuleCheck result = check();
  EXPECT_EQ(result.fault, ModuleFault::TOO_MANY_SAMPLES);
  EXPECT_EQ(result.instrument, 5);
  EXPECT_EQ(result.sampleCount, 20);
  EXPECT_EQ(xmtest::loadModule(module), nullptr);

  module.instruments.pop_back();
  result = check();
  EXPECT_EQ(result.fault, ModuleFault::NONE);
  EXPECT_EQ(result.channelCount, 3);
  EXPECT_EQ(result.patternCount, 2);
  EXPECT_NE(xmtest::loadModule(module), nullptr);
}

}  // namespace
