// The check that says why the loader refuses a module.
#include "player/load/module_check.h"

#include <gtest/gtest.h>

#include "player/load/xm_loader.h"
#include "tests/support/xm_writer.h"

namespace {

using player::ModuleFault;

player::ModuleCheck check(const xmtest::Module& module) {
  return player::checkModule(xmtest::makeImage(xmtest::writeXm(module)).get());
}

xmtest::Instrument withSamples(int count) {
  xmtest::Instrument instrument;
  instrument.samples.assign(static_cast<std::size_t>(count), xmtest::sampleOf({1, 2, 3}));
  return instrument;
}

TEST(ModuleCheck, NamesWhatTheLoaderRefuses) {
  EXPECT_EQ(player::checkModule(nullptr).fault, ModuleFault::EMPTY);
  EXPECT_EQ(player::checkModule(xmtest::makeImage({}).get()).fault, ModuleFault::EMPTY);
  EXPECT_EQ(player::checkModule(xmtest::makeImage({'E', 'x', 't'}).get()).fault,
            ModuleFault::NOT_XM);

  xmtest::Module module;
  module.signature = "extended Module: ";
  EXPECT_EQ(check(module).fault, ModuleFault::NOT_XM);

  module = {};
  module.channels = 40;
  module.patternCount = 300;
  player::ModuleCheck result = check(module);
  EXPECT_EQ(result.fault, ModuleFault::TOO_MANY_CHANNELS);
  EXPECT_EQ(result.channelCount, 40);
  module.channels = 32;
  result = check(module);
  EXPECT_EQ(result.fault, ModuleFault::TOO_MANY_PATTERNS);
  EXPECT_EQ(result.patternCount, 300);
}

TEST(ModuleCheck, FindsTheInstrumentWithTooManySamplesBehindPatternsAndSampleData) {
  xmtest::Module module;
  module.channels = 3;
  module.patterns.resize(2);
  module.patterns[0].set(5, 2, {30, 1, 0x40, 0x0F, 0x03}, 3);
  module.patterns[1].packed = false;
  xmtest::Instrument odd = xmtest::simpleInstrument({1, 2, 3}, true);
  odd.samples[0].lengthBytes = 5;  // 16-bit with a leftover byte
  odd.samples[0].rawData = std::vector<std::uint8_t>{1, 0, 1, 0, 9};
  module.instruments = {withSamples(16), xmtest::Instrument{}, odd, withSamples(2),
                        withSamples(20)};
  player::ModuleCheck result = check(module);
  EXPECT_EQ(result.fault, ModuleFault::TOO_MANY_SAMPLES);
  EXPECT_EQ(result.instrument, 5);
  EXPECT_EQ(result.sampleCount, 20);
  EXPECT_EQ(xmtest::loadModule(module), nullptr);

  module.instruments.pop_back();
  result = check(module);
  EXPECT_EQ(result.fault, ModuleFault::NONE);
  EXPECT_EQ(result.channelCount, 3);
  EXPECT_EQ(result.patternCount, 2);
  EXPECT_NE(xmtest::loadModule(module), nullptr);
}

}  // namespace
