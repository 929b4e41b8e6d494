// Players on the sound device through SDL's disk driver, which plays at the speed of a real
// device into a file of the test's own: two players at once, each its own stream; pause, a seek
// while playing, the heard position, the end heard; stop, after which the player renders on from
// what was heard; and no device as a status.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/api/api_modules.h"

namespace {

class ApiDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("jingle-device-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    ::setenv("SDL_DISKAUDIOFILE", (dir_ / "device.raw").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("SDL_AUDIODRIVER");
    ::unsetenv("SDL_DISKAUDIOFILE");
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
};

jingle::Position positionOf(const jingle::Player& player) {
  jingle::Position position{};
  EXPECT_EQ(player.position(position), JINGLE_OK);
  return position;
}

// Waits up to five seconds for done().
template <typename Done>
bool waitFor(Done&& done) {
  for (int i = 0; i < 500 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

TEST_F(ApiDevice, NoDeviceIsAStatusAndThePlayerRendersOn) {
  const jingle::Module module = apitest::load(apitest::loudModule());
  const std::vector<std::int16_t> whole = apitest::renderAll<std::int16_t>(module, 4096);
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  std::vector<std::int16_t> pcm(2 * 1000);
  ASSERT_EQ(player.render(pcm.data(), 1000), 1000u);
  ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_EQ(player.play(), JINGLE_NO_DEVICE);
  EXPECT_FALSE(player.playing());
  ASSERT_EQ(player.render(pcm.data(), 1000), 1000u);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), whole.begin() + 2000));
}

TEST_F(ApiDevice, TwoPlayersAtOnceWithPauseSeekAndStop) {
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  const jingle::Module longSong = apitest::load(apitest::loudModule(64));  // 128 rows, 15 s
  const jingle::Module shortSong = apitest::load(apitest::loudModule(4));  // 8 rows, 1 s
  jingle::Player music, jingleSound;
  ASSERT_EQ(jingle::Player::create(longSong, 44100, music), JINGLE_OK);
  ASSERT_EQ(jingle::Player::create(shortSong, 22050, jingleSound), JINGLE_OK);
  const jingle_status status = music.play();
  if (status == JINGLE_NO_DEVICE) GTEST_SKIP() << "SDL's disk driver is not available";
  ASSERT_EQ(status, JINGLE_OK);
  ASSERT_EQ(jingleSound.play(), JINGLE_OK);
  EXPECT_EQ(music.play(), JINGLE_BUSY);
  std::int16_t pcm[2 * 16];
  EXPECT_EQ(music.render(pcm, 16), 0u);
  EXPECT_TRUE(music.playing());

  // The jingle plays to its end while the music goes on.
  EXPECT_TRUE(waitFor([&] { return !jingleSound.playing(); }));
  EXPECT_EQ(positionOf(jingleSound).frame, shortSong.durationFrames(22050));
  EXPECT_TRUE(music.playing());
  EXPECT_GT(positionOf(music).frame, 0);

  EXPECT_EQ(music.pause(true), JINGLE_OK);
  EXPECT_EQ(music.pause(true), JINGLE_OK);
  // A seek while paused lands on the block that holds the frame, and stays paused.
  const std::int64_t target = 60 * 5292 + 100;  // order 0, row 60
  ASSERT_EQ(music.seekFrame(target), JINGLE_OK);
  const jingle::Position paused = positionOf(music);
  EXPECT_EQ(paused.frame, target / 884 * 884);
  EXPECT_EQ(paused.row, 60);  // as the block being heard leaves it
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(positionOf(music).frame, paused.frame);
  EXPECT_EQ(music.pause(false), JINGLE_OK);
  EXPECT_TRUE(waitFor([&] { return positionOf(music).frame > paused.frame; }));

  // Stopped, the player renders on from what was heard.
  ASSERT_EQ(music.stop(), JINGLE_OK);
  EXPECT_EQ(music.stop(), JINGLE_NOT_PLAYING);
  const std::int64_t heard = positionOf(music).frame;
  const std::vector<std::int16_t> whole = apitest::renderAll<std::int16_t>(longSong, 4096);
  const std::vector<std::int16_t> rest = apitest::renderAll<std::int16_t>(music, 4096);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + 2 * heard, whole.end()));
}

}  // namespace
