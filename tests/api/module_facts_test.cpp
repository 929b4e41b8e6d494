// What the public API tells about a module: the facts `jingle info` shows, and the texts the
// song records do not keep (title, tracker, instrument and sample names).
#include <gtest/gtest.h>

#include <string>

#include "jingle/module.h"
#include "jingle/playback.h"
#include "jingle/render.h"
#include "jingle/status.h"
#include "jingle/version.h"
#include "tests/api/api_modules.h"

namespace {

TEST(ModuleFacts, FactsAndTextsOfALoadedModule) {
  xmtest::Module source = apitest::loudModule();
  source.name = "Twenty characters!!!";  // the whole field, no NUL in the file
  xmtest::Instrument second = xmtest::simpleInstrument({1, 2, 3}, true);
  second.name = "bass   ";  // trailing spaces are dropped
  second.samples[0].name = "low\x01";
  second.samples.push_back(xmtest::sampleOf({}, false));
  source.instruments.push_back(second);
  source.patternCount = 3;
  source.patterns.resize(3);
  apitest::ModulePtr module = apitest::load(source);
  ASSERT_NE(module, nullptr);

  jingle::ModuleFacts facts{};
  ASSERT_EQ(jingle::moduleFacts(module.get(), &facts), jingle::Status::OK);
  EXPECT_STREQ(facts.title, "Twenty characters!!!");
  EXPECT_STREQ(facts.tracker, "test writer");
  EXPECT_EQ(facts.channels, 4);
  EXPECT_EQ(facts.orders, 2);
  EXPECT_EQ(facts.restartPosition, 0);
  EXPECT_EQ(facts.patterns, 3);
  EXPECT_EQ(facts.patternSlots, 3);
  EXPECT_EQ(facts.instruments, 2);
  EXPECT_EQ(facts.samples, 3);
  EXPECT_TRUE(facts.linearFrequencies);
  EXPECT_EQ(facts.speed, 6);
  EXPECT_EQ(facts.bpm, 125);
  // 64 + 8 guard values of the square and 3 + 8 of the 16-bit sample; the empty one has none.
  EXPECT_EQ(facts.sampleMemoryBytes, (72u + 11u) * 2);
  EXPECT_EQ(facts.durationFrames, 32 * 6 * 882);
  EXPECT_FALSE(facts.durationLimited);

  struct Name {
    int instrument, sample;  // sample -1: the instrument's own name
    const char* name;        // null: out of range
  } names[] = {
      {0, -1, "square"}, {0, 0, "square wave"}, {1, -1, "bass"},  {1, 0, "low?"},
      {1, 1, ""},        {1, 2, nullptr},       {2, -1, nullptr}, {-1, -1, nullptr},
  };
  for (const Name& n : names) {
    const char* got = n.sample < 0 ? jingle::instrumentName(module.get(), n.instrument)
                                   : jingle::sampleName(module.get(), n.instrument, n.sample);
    if (n.name == nullptr) {
      EXPECT_EQ(got, nullptr) << n.instrument << "," << n.sample;
    } else {
      EXPECT_STREQ(got, n.name) << n.instrument << "," << n.sample;
    }
  }
  EXPECT_EQ(jingle::instrumentSampleCount(module.get(), 1), 2);
  EXPECT_EQ(jingle::instrumentSampleCount(module.get(), 2), 0);
}

}  // namespace
