// Every public call's failure results: null arguments, images that do not load, files that
// cannot be read, no sound device, a second song while one plays or renders, and calls that
// find nothing started.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "jingle/jingle.h"
#include "lib/engine_use.h"
#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "tests/api/api_modules.h"

namespace {

using jingle::Status;

// Points the library's engine at the virtual device for the test, and back to what it had
// afterwards.
class VirtualDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = waveOut();
    platform::resetVirtualWave();
    waveOut() = platform::virtualWaveOut();
  }
  void TearDown() override {
    jingle::stop();
    jingle::stopRender();
    waveOut() = saved_;
  }
  static const platform::WaveOut*& waveOut() {
    return jingle::internal::engineState.engine.output.waveOut;
  }

 private:
  const platform::WaveOut* saved_ = nullptr;
};

// Images that do not load and files that cannot be read: the status and the reason, a null
// failure record allowed; a file that loads reports OK.
TEST(ApiLoad, RefusalsSayWhy) {
  xmtest::Module wide = apitest::loudModule();
  wide.channels = 40;
  xmtest::Module manySamples = apitest::loudModule();
  manySamples.instruments[0].declaredSampleCount = 17;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("jingle-api-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string missing = (dir / "missing.xm").string(), good = (dir / "good.xm").string();
  const std::vector<std::uint8_t> bytes = xmtest::writeXm(apitest::loudModule());
  std::ofstream(good, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;  // loaded as an image unless path is set
    const char* path;
    Status status;
    const char* reason;
  } const cases[] = {
      {"empty", {}, nullptr, Status::NOT_A_MODULE, "not a module (no bytes)"},
      {"no signature", std::vector<std::uint8_t>(100, 'x'), nullptr, Status::NOT_A_MODULE,
       "not a module (no XM, S3M or MOD signature, nor a 15-sample MOD's layout)"},
      {"40 channels", xmtest::writeXm(wide), nullptr, Status::UNSUPPORTED,
       "has 40 channels (at most 32 are supported)"},
      {"17 samples", xmtest::writeXm(manySamples), nullptr, Status::UNSUPPORTED,
       "instrument 1 declares 17 samples (at most 16)"},
      {"missing file", {}, missing.c_str(), Status::CANNOT_READ, "cannot be read: no such file"},
      {"directory", {}, dir.c_str(), Status::CANNOT_READ, "cannot be read: it is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    jingle::LoadFailure failure{Status::OK, "untouched"};
    EXPECT_EQ(c.path == nullptr ? jingle::loadModule(c.bytes.data(), c.bytes.size(), &failure)
                                : jingle::loadModuleFile(c.path, &failure),
              nullptr);
    EXPECT_EQ(failure.status, c.status);
    EXPECT_STREQ(failure.reason, c.reason);
  }
  jingle::LoadFailure failure{};
  EXPECT_EQ(jingle::loadModule(nullptr, 10, &failure), nullptr);
  EXPECT_EQ(failure.status, Status::NULL_ARGUMENT);
  EXPECT_EQ(jingle::loadModuleFile(nullptr, &failure), nullptr);
  EXPECT_EQ(failure.status, Status::NULL_ARGUMENT);
  EXPECT_STREQ(failure.reason, "no file name");
  EXPECT_EQ(jingle::loadModule(nullptr, 0), nullptr);  // no failure record is fine
  failure = {Status::BUSY, "x"};
  apitest::ModulePtr module(jingle::loadModuleFile(good.c_str(), &failure));
  EXPECT_NE(module, nullptr);
  EXPECT_EQ(failure.status, Status::OK);
  std::filesystem::remove_all(dir);
}

TEST(ApiResults, CallsWithNothingStartedOrNullArguments) {
  jingle::Position position{};
  jingle::ModuleFacts facts{};
  std::int16_t pcm[8];
  float mix[8];
  EXPECT_EQ(jingle::play(nullptr), Status::NULL_ARGUMENT);
  EXPECT_EQ(jingle::startRender(nullptr), Status::NULL_ARGUMENT);
  EXPECT_EQ(jingle::moduleFacts(nullptr, &facts), Status::NULL_ARGUMENT);
  EXPECT_EQ(jingle::stop(), Status::NOT_STARTED);
  EXPECT_EQ(jingle::setPaused(true), Status::NOT_STARTED);
  EXPECT_EQ(jingle::playbackPosition(&position), Status::NOT_STARTED);
  EXPECT_EQ(jingle::renderPosition(&position), Status::NOT_STARTED);
  EXPECT_EQ(jingle::stopRender(), Status::NOT_STARTED);
  EXPECT_EQ(jingle::renderFrames(pcm, 4), 0u);
  EXPECT_EQ(jingle::renderFrames(mix, 4), 0u);
  EXPECT_FALSE(jingle::renderFinished());
  EXPECT_FALSE(jingle::playing());
  EXPECT_EQ(jingle::instrumentName(nullptr, 0), nullptr);
  EXPECT_EQ(jingle::sampleName(nullptr, 0, 0), nullptr);
  EXPECT_EQ(jingle::instrumentSampleCount(nullptr, 0), 0);
  jingle::freeModule(nullptr);
  for (int s = 0; s <= static_cast<int>(Status::NOT_STARTED); ++s)
    EXPECT_GT(std::strlen(jingle::statusText(static_cast<Status>(s))), 3u);
}

TEST(ApiResults, RenderSettingsOutOfRange) {
  apitest::ModulePtr module = apitest::load(apitest::loudModule());
  ASSERT_NE(module, nullptr);
  for (const jingle::RenderSettings settings :
       {jingle::RenderSettings{7999, 1}, jingle::RenderSettings{192001, 1},
        jingle::RenderSettings{44100, -1}}) {
    EXPECT_EQ(jingle::startRender(module.get(), settings), Status::INVALID_ARGUMENT);
  }
  EXPECT_EQ(jingle::renderPosition(nullptr), Status::NULL_ARGUMENT);
}

TEST_F(VirtualDevice, NoDeviceLeavesTheEngineFree) {
  apitest::ModulePtr module = apitest::load(apitest::loudModule());
  platform::virtualWave().refuseOpen = true;
  EXPECT_EQ(jingle::play(module.get()), Status::NO_DEVICE);
  EXPECT_FALSE(jingle::playing());
  EXPECT_EQ(jingle::startRender(module.get()), Status::OK);
}

TEST_F(VirtualDevice, ASecondSongIsRefusedWhileOnePlays) {
  apitest::ModulePtr first = apitest::load(apitest::loudModule());
  apitest::ModulePtr second = apitest::load(apitest::loudModule(8));
  ASSERT_EQ(jingle::play(first.get()), Status::OK);
  EXPECT_TRUE(jingle::playing());
  EXPECT_EQ(jingle::play(second.get()), Status::BUSY);
  EXPECT_EQ(jingle::play(first.get()), Status::BUSY);
  EXPECT_EQ(jingle::startRender(second.get()), Status::BUSY);
  EXPECT_EQ(jingle::stopRender(), Status::NOT_STARTED);  // playing is not rendering
  // The first song is untouched: still playing from its start on the open device.
  jingle::Position position{-1, -1, -1};
  EXPECT_EQ(jingle::playbackPosition(&position), Status::OK);
  EXPECT_EQ(position.order, 0);
  EXPECT_EQ(position.row, 0);
  EXPECT_TRUE(platform::virtualWave().playing);
  // Its facts can be asked, but a length needs the engine: found after the stop.
  jingle::ModuleFacts facts{};
  EXPECT_EQ(jingle::moduleFacts(second.get(), &facts), Status::OK);
  EXPECT_EQ(facts.durationFrames, -1);

  EXPECT_EQ(jingle::setPaused(true), Status::OK);
  EXPECT_EQ(jingle::setPaused(true), Status::OK);
  EXPECT_EQ(platform::virtualWave().pauses, 1);
  EXPECT_EQ(jingle::setPaused(false), Status::OK);
  EXPECT_EQ(platform::virtualWave().restarts, 1);
  EXPECT_EQ(jingle::stop(), Status::OK);
  EXPECT_FALSE(platform::virtualWave().isOpen);
  EXPECT_EQ(jingle::moduleFacts(second.get(), &facts), Status::OK);
  EXPECT_GT(facts.durationFrames, 0);

  // Freeing the module that plays stops it first.
  ASSERT_EQ(jingle::play(second.get()), Status::OK);
  second.reset();
  EXPECT_FALSE(jingle::playing());
  EXPECT_FALSE(platform::virtualWave().isOpen);
  EXPECT_EQ(jingle::play(first.get()), Status::OK);
}

TEST_F(VirtualDevice, ASecondSongIsRefusedWhileOneRenders) {
  apitest::ModulePtr first = apitest::load(apitest::loudModule());
  apitest::ModulePtr second = apitest::load(apitest::loudModule(8));
  const std::vector<std::int16_t> alone =
      apitest::renderAll<std::int16_t>(first.get(), jingle::RenderSettings{}, 1000);
  ASSERT_EQ(jingle::startRender(first.get()), Status::OK);
  std::vector<std::int16_t> pcm(2000);
  ASSERT_EQ(jingle::renderFrames(pcm.data(), 500), 500u);
  EXPECT_EQ(jingle::startRender(second.get()), Status::BUSY);
  EXPECT_EQ(jingle::startRender(first.get()), Status::BUSY);
  EXPECT_EQ(jingle::play(second.get()), Status::BUSY);
  EXPECT_EQ(platform::virtualWave().opens, 0);
  EXPECT_EQ(jingle::stop(), Status::NOT_STARTED);
  // The refusals left the first render as it was.
  ASSERT_EQ(jingle::renderFrames(pcm.data() + 1000, 500), 500u);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), alone.begin()));
  second.reset();  // not the one rendering: nothing stops
  EXPECT_EQ(jingle::renderedFrames(), 1000);
  first.reset();
  EXPECT_EQ(jingle::renderedFrames(), 0);
  EXPECT_EQ(jingle::stopRender(), Status::NOT_STARTED);
}

}  // namespace
