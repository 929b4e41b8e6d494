// MOD and S3M files cut short: what the module check finds missing, and whether anything
// playable remains, as for XM.
#include <gtest/gtest.h>

#include "player/load/module_check.h"
#include "tests/support/mod_s3m_writer.h"
#include "tests/support/xm_writer.h"

namespace {

TEST(ModS3mDamage, CutFilesAreJudgedByWhatRemains) {
  modtest::Module mod;
  mod.samples.resize(2);
  mod.samples[0].values.assign(1000, 10);
  mod.samples[1].values.assign(1000, 20);
  modtest::put(mod, 0, 0, 0, {428, 1, 0, 0});
  s3mtest::Module s3m;
  s3m.samples.resize(2);
  s3m.samples[0].values.assign(1000, 10);
  s3m.samples[1].values.assign(1000, 20);
  s3m.cells.push_back({0, 0, 0, {0x40, 1, 255, 0, 0}});
  const std::vector<std::uint8_t> files[] = {modtest::writeMod(mod), s3mtest::writeS3m(s3m)};
  struct Case {
    std::size_t cutFromEnd;  // bytes taken off the whole file
    std::uint32_t samplesMissing;
    bool playable;
  } const cases[] = {{0, 0, true}, {500, 1, true}, {1500, 2, true}, {2100, 2, false}};
  for (const auto& file : files) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << file.size() << " bytes less " << c.cutFromEnd);
      const std::vector<std::uint8_t> cut(file.begin(), file.end() - c.cutFromEnd);
      const player::ModuleCheck check = player::checkModule(xmtest::makeImage(cut).get());
      EXPECT_EQ(check.fault, player::ModuleFault::NONE);
      EXPECT_EQ(check.damage.endsAt, c.cutFromEnd == 0 ? 0u : cut.size());
      EXPECT_EQ(check.damage.samplesMissing, c.samplesMissing);
      EXPECT_EQ(!player::nothingPlayableRemains(check.damage), c.playable);
    }
  }
}

}  // namespace
