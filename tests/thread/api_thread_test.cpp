// The public API on several threads at once: loads of one file's bytes, players rendering and
// seeking, the module freed while its players render; each thread gets the bytes one thread gets
// alone. Two threads on one player get JINGLE_BUSY, never a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <latch>
#include <thread>
#include <vector>

#include "jingle/jingle.h"
#include "tests/support/busy_module.h"

namespace {

constexpr std::size_t FRAMES = 3 * 44100;

std::vector<std::int16_t> render(jingle::Player& player, std::int64_t seek) {
  std::vector<std::int16_t> pcm(2 * FRAMES);
  if (seek >= 0 && player.seekFrame(seek) != JINGLE_OK) return {};
  std::size_t done = 0;
  while (done < FRAMES) {
    const std::size_t got =
        player.render(pcm.data() + 2 * done, std::min<std::size_t>(1000, FRAMES - done));
    if (got == 0) break;
    done += got;
  }
  pcm.resize(2 * done);
  return pcm;
}

// Loads the bytes and renders FRAMES frames from seek (from the start when negative).
std::vector<std::int16_t> loadAndRender(const std::vector<std::uint8_t>& bytes, std::int64_t seek) {
  jingle::Module module;
  if (jingle::Module::load(bytes.data(), bytes.size(), module) != JINGLE_OK) return {};
  jingle::Player player;
  if (jingle::Player::create(module, 44100, player) != JINGLE_OK) return {};
  player.setRounds(JINGLE_ENDLESS);
  module.reset();  // the player keeps what it needs
  return render(player, seek);
}

TEST(ApiThreads, LoadsAndRendersAtOnceAsEachAlone) {
  const std::vector<std::uint8_t> bytes = xmtest::busyModule(8);
  const std::int64_t seeks[] = {-1, 100001, -1, 44100 * 7 + 3};
  std::vector<std::int16_t> alone[4];
  for (int i = 0; i < 4; ++i) {
    alone[i] = loadAndRender(bytes, seeks[i]);
    ASSERT_EQ(alone[i].size(), 2 * FRAMES);
  }
  std::vector<std::int16_t> together[4];
  std::latch start(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      together[i] = loadAndRender(bytes, seeks[i]);
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(together[i], alone[i]) << i;
}

TEST(ApiThreads, TwoThreadsOnOnePlayerGetBusy) {
  const std::vector<std::uint8_t> bytes = xmtest::busyModule(4);
  jingle::Module module;
  ASSERT_EQ(jingle::Module::load(bytes.data(), bytes.size(), module), JINGLE_OK);
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  std::atomic<int> busy{0}, other{0};
  std::latch start(2);
  const auto hammer = [&](int seed) {
    start.arrive_and_wait();
    std::int16_t pcm[2 * 256];
    for (int i = 0; i < 2000; ++i) {
      jingle::Position position{};
      const jingle_status statuses[] = {player.seekFrame((i * 7919 + seed) % 200000),
                                        player.position(position)};
      for (jingle_status status : statuses) {
        busy += status == JINGLE_BUSY;
        other += status != JINGLE_BUSY && status != JINGLE_OK;
      }
      player.render(pcm, 256);
    }
  };
  std::thread first(hammer, 1), second(hammer, 2);
  first.join();
  second.join();
  EXPECT_EQ(other.load(), 0);
  // The player is whole afterwards: it renders what a fresh one renders from the same frame.
  jingle::Player fresh;
  ASSERT_EQ(jingle::Player::create(module, 44100, fresh), JINGLE_OK);
  EXPECT_EQ(render(player, 5000), render(fresh, 5000));
}

}  // namespace
