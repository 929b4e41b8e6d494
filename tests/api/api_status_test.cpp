// Every status of the public API in one table: the call that gives it and, for loads and file
// checks, the one-line reason; then what a damaged module that still plays reports.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tests/api/api_modules.h"

namespace {

class ApiStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("jingle-api-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const char* name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::filesystem::path dir_;
};

jingle_status loadBytes(const std::vector<std::uint8_t>& bytes) {
  jingle_module* module = nullptr;
  const jingle_status status = jingle_module_load(bytes.data(), bytes.size(), &module);
  jingle_module_free(module);
  return status;
}

jingle_status loadFile(const std::string& path) {
  jingle_module* module = nullptr;
  const jingle_status status = jingle_module_load_file(path.c_str(), &module);
  jingle_module_free(module);
  return status;
}

TEST_F(ApiStatus, EveryStatusFromTheCallThatGivesIt) {
  const std::vector<std::uint8_t> song = xmtest::writeXm(apitest::loudModule());
  xmtest::Module wideSource = apitest::loudModule();
  wideSource.channels = 40;
  xmtest::Module patterns = apitest::loudModule(), samples = patterns;
  patterns.patternCount = 300;  // the channels are named first
  samples.instruments.resize(3);
  samples.instruments[2].declaredSampleCount = 17;
  const std::vector<std::uint8_t> signature(song.begin(), song.begin() + 17);
  const std::vector<std::uint8_t> cut(song.begin(), song.begin() + 100);
  std::uint8_t head[80] = {};
  std::memcpy(head, song.data(), sizeof head);
  const jingle::Module module = apitest::load(song);
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  jingle_position position{};
  jingle_module_info info{};
  jingle_player* none = nullptr;
  jingle_module* noModule = nullptr;

  struct Case {
    const char* name;
    std::function<jingle_status()> call;
    jingle_status status;
    const char* reason;  // for loads and checks: jingle_load_reason() after the call
  } const cases[] = {
      {"load", [&] { return loadBytes(song); }, JINGLE_OK, ""},
      {"load file", [&] { return loadFile(write("song.xm", song)); }, JINGLE_OK, ""},
      {"no out", [&] { return jingle_module_load(song.data(), song.size(), nullptr); },
       JINGLE_NULL_ARGUMENT, nullptr},
      {"no bytes", [&] { return jingle_module_load(nullptr, 10, &noModule); }, JINGLE_NULL_ARGUMENT,
       nullptr},
      {"no path", [&] { return jingle_module_load_file(nullptr, &noModule); }, JINGLE_NULL_ARGUMENT,
       nullptr},
      {"missing", [&] { return loadFile((dir_ / "missing.xm").string()); }, JINGLE_CANNOT_READ,
       "cannot be read: no such file"},
      {"directory", [&] { return loadFile(dir_.string()); }, JINGLE_CANNOT_READ,
       "cannot be read: it is a directory"},
      {"empty", [&] { return loadBytes({}); }, JINGLE_NOT_A_MODULE,
       "not a module (the file is empty)"},
      {"17 bytes", [&] { return loadFile(write("short.xm", signature)); }, JINGLE_NOT_A_MODULE,
       "not an XM module (17 bytes, too short for its header)"},
      {"text", [&] { return loadBytes(std::vector<std::uint8_t>(100, 'x')); }, JINGLE_NOT_A_MODULE,
       "not a module (no XM, S3M or MOD signature, nor a 15-sample MOD's layout)"},
      {"too large", [&] { return jingle_check_file_head(head, 80, (256u << 20) + 1); },
       JINGLE_TOO_LARGE, "too large to be a module (268,435,457 bytes, at most 268,435,456)"},
      {"head", [&] { return jingle_check_file_head(head, 80, 256u << 20); }, JINGLE_OK, ""},
      {"40 channels", [&] { return loadBytes(xmtest::writeXm(wideSource)); }, JINGLE_UNSUPPORTED,
       "has 40 channels (at most 32 are supported)"},
      {"300 patterns", [&] { return loadBytes(xmtest::writeXm(patterns)); }, JINGLE_UNSUPPORTED,
       "declares 300 patterns (at most 256)"},
      {"17 samples", [&] { return loadBytes(xmtest::writeXm(samples)); }, JINGLE_UNSUPPORTED,
       "instrument 3 declares 17 samples (at most 16)"},
      {"nothing left", [&] { return loadBytes(cut); }, JINGLE_DAMAGED,
       "the file ends at byte 100, before what its headers describe, and nothing playable "
       "remains"},
      {"info", [&] { return jingle_module_get_info(module.get(), &info, sizeof info); }, JINGLE_OK,
       nullptr},
      {"info of none", [&] { return jingle_module_get_info(nullptr, &info, sizeof info); },
       JINGLE_NULL_ARGUMENT, nullptr},
      {"rounds 0 long",
       [&] { return jingle_module_duration(module.get(), 44100, 0, nullptr, nullptr); },
       JINGLE_INVALID_ARGUMENT, nullptr},
      {"no player", [&] { return jingle_player_create(module.get(), 44100, nullptr); },
       JINGLE_NULL_ARGUMENT, nullptr},
      {"rate 7999", [&] { return jingle_player_create(module.get(), 7999, &none); },
       JINGLE_INVALID_ARGUMENT, nullptr},
      {"rate 192001", [&] { return jingle_player_create(module.get(), 192001, &none); },
       JINGLE_INVALID_ARGUMENT, nullptr},
      {"seek -1", [&] { return player.seekFrame(-1); }, JINGLE_INVALID_ARGUMENT, nullptr},
      {"seek past", [&] { return player.seekFrame(1 << 30); }, JINGLE_OK, nullptr},
      {"order 2", [&] { return player.seekOrder(2, 0); }, JINGLE_INVALID_ARGUMENT, nullptr},
      {"row 16", [&] { return player.seekOrder(1, 16); }, JINGLE_INVALID_ARGUMENT, nullptr},
      {"row 15", [&] { return player.seekOrder(1, 15); }, JINGLE_OK, nullptr},
      {"position", [&] { return player.position(position); }, JINGLE_OK, nullptr},
      {"rounds -1", [&] { return player.setRounds(-1); }, JINGLE_INVALID_ARGUMENT, nullptr},
      {"channel 4", [&] { return player.setChannelMute(4, true); }, JINGLE_INVALID_ARGUMENT,
       nullptr},
      {"volume 1.5", [&] { return player.setChannelVolume(0, 1.5); }, JINGLE_INVALID_ARGUMENT,
       nullptr},
      {"gain 25 dB", [&] { return player.setGain(25); }, JINGLE_INVALID_ARGUMENT, nullptr},
      {"stereo 201", [&] { return player.setStereo(201); }, JINGLE_INVALID_ARGUMENT, nullptr},
      {"interpolation 3",
       [&] { return player.setInterpolation(static_cast<jingle_interpolation>(3)); },
       JINGLE_INVALID_ARGUMENT, nullptr},
      {"pause off the device", [&] { return player.pause(true); }, JINGLE_NOT_PLAYING, nullptr},
      {"stop off the device", [&] { return player.stop(); }, JINGLE_NOT_PLAYING, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), c.status);
    if (c.reason != nullptr) {
      EXPECT_STREQ(jingle_load_reason(), c.reason);
    }
  }
  for (int s = JINGLE_OK; s <= JINGLE_NOT_PLAYING; ++s)
    EXPECT_GT(std::strlen(jingle_status_text(static_cast<jingle_status>(s))), 3u);
  EXPECT_EQ(jingle_version_number(), static_cast<std::uint32_t>(JINGLE_VERSION_NUMBER));
  EXPECT_EQ(std::to_string(JINGLE_VERSION_MAJOR) + "." + std::to_string(JINGLE_VERSION_MINOR) +
                "." + std::to_string(JINGLE_VERSION_PATCH),
            jingle_version());
}

// A module cut short that still holds something to hear loads, with the damage as numbers and
// as one warning line.
TEST_F(ApiStatus, ADamagedModuleThatStillPlaysLoadsWithAWarning) {
  const std::vector<std::uint8_t> whole = xmtest::writeXm(apitest::loudModule());
  const jingle::Module module = apitest::load({whole.begin(), whole.end() - 40});
  ASSERT_TRUE(module);
  jingle_module_damage damage{};
  ASSERT_EQ(module.damage(damage), JINGLE_OK);
  EXPECT_EQ(damage.file_ends_at, whole.size() - 40);
  EXPECT_EQ(damage.samples_missing, 1u);
  EXPECT_EQ(damage.patterns_missing, 0u);
  ASSERT_EQ(module.warningCount(), 1);
  EXPECT_STREQ(module.warning(0),
               ("the file ends at byte " + std::to_string(whole.size() - 40) +
                ", before what its headers describe; missing or incomplete: 1 sample")
                   .c_str());
  EXPECT_EQ(module.warning(1), nullptr);
  EXPECT_EQ(apitest::load(whole).warningCount(), 0);
}

}  // namespace
