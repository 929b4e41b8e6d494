// Nothing on the mixing path allocates: while blocks render, offline, on the mixing thread and
// through the public API, every allocation the process makes is counted. And an allocation that
// fails anywhere in a load or a player's making is a status, never an abort. The test binary wraps
// malloc, calloc and realloc (for the player's own calls, at link time) and replaces operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "jingle/jingle.h"
#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "player/engine.h"
#include "player/offline_render.h"
#include "player/player.h"
#include "tests/support/busy_module.h"
#include "tests/support/xm_writer.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<long> failingAllocation{-1};  // the counted allocation that fails; -1: none

// Counts an allocation; false when it is the one to fail.
bool noteAllocation() {
  if (!counting.load(std::memory_order_relaxed)) return true;
  return allocations.fetch_add(1) != failingAllocation.load();
}

}  // namespace

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t size) {
  return noteAllocation() ? __real_malloc(size) : nullptr;
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  return noteAllocation() ? __real_calloc(count, size) : nullptr;
}
void* __wrap_realloc(void* block, std::size_t size) {
  return noteAllocation() ? __real_realloc(block, size) : nullptr;
}
}

// The replacements allocate with malloc and so free with free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  if (!noteAllocation()) throw std::bad_alloc();
  if (void* block = __real_malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return noteAllocation() ? __real_malloc(size == 0 ? 1 : size) : nullptr;
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace {

// Allocations made while body runs.
template <typename Body>
long allocationsDuring(Body body) {
  allocations = 0;
  counting = true;
  body();
  counting = false;
  return allocations;
}

std::vector<std::vector<std::uint8_t>> modules() {
  std::vector<std::vector<std::uint8_t>> files{xmtest::busyModule(8)};
  const std::vector<std::string> corpus = xmtest::corpusModules();
  for (std::size_t i = 0; i < corpus.size(); i += 5)
    files.push_back(xmtest::readFile(corpus[i]));
  return files;
}

TEST(MixingAllocations, OfflineBlocksAllocateNothing) {
  const auto engine = std::make_unique<player::Engine>();
  for (const std::vector<std::uint8_t>& file : modules()) {
    xmtest::SongPtr song = xmtest::loadFile(file);
    ASSERT_NE(song, nullptr);
    const long starting =
        allocationsDuring([&] { ASSERT_TRUE(player::startOfflineRender(*engine, song.get(), 1)); });
    EXPECT_GT(starting, 0) << "the count sees the ring being allocated";
    const long made = allocationsDuring([&] {
      for (int block = 0; block < 1000; ++block)
        player::renderNextBlock(*engine);
    });
    player::stopOfflineRender(*engine);
    EXPECT_EQ(made, 0);
  }
}

TEST(MixingAllocations, TheMixingThreadAllocatesNothing) {
  const auto engine = std::make_unique<player::Engine>();
  platform::resetVirtualWave();
  engine->output.waveOut = platform::virtualWaveOut();
  const xmtest::ImagePtr image = xmtest::makeImage(xmtest::busyModule(8));
  ASSERT_NE(player::playModule(*engine, image.get()), nullptr);
  const std::uint32_t blockBytes = static_cast<std::uint32_t>(engine->output.blockFrames) * 4;
  const long made = allocationsDuring([&] {
    for (int step = 0; step < 100; ++step) {
      platform::advanceVirtualWave(blockBytes * (1 + step % 3));
      ASSERT_TRUE(platform::waitForVirtualPolls(platform::virtualWave().polls, 2));
    }
  });
  player::playModule(*engine, nullptr);
  EXPECT_EQ(made, 0);
}

TEST(MixingAllocations, PlayersRenderWithoutAllocating) {
  const std::vector<std::uint8_t> file = xmtest::busyModule(8);
  jingle::Module module;
  ASSERT_EQ(jingle::Module::load(file.data(), file.size(), module), JINGLE_OK);
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 48000, player), JINGLE_OK);
  std::vector<float> frames(2 * 1000);
  EXPECT_EQ(allocationsDuring([&] {
              for (int call = 0; call < 1000; ++call)
                player.render(frames.data(), 1 + call % 999);
            }),
            0);
}

// Allocation n of a load and a player's making fails, for every n up to the first that is not
// needed: each time a status (or a load that did without it), never an abort.
TEST(MixingAllocations, EveryFailingAllocationOfALoadIsAStatus) {
  const std::vector<std::uint8_t> file = xmtest::busyModule(4);
  std::vector<float> frames(2 * 64);
  for (long n = 0;; ++n) {
    jingle_status status = JINGLE_OK;
    allocationsDuring([&] {
      failingAllocation = n;
      jingle::Module module;
      jingle::Player player;
      status = jingle::Module::load(file.data(), file.size(), module);
      if (status == JINGLE_OK) status = jingle::Player::create(module, 44100, player);
      if (status == JINGLE_OK && player.render(frames.data(), 64) != 64) status = JINGLE_BUSY;
      failingAllocation = -1;
    });
    if (allocations <= n) break;  // no allocation failed
    ASSERT_TRUE(status == JINGLE_OK || status == JINGLE_OUT_OF_MEMORY) << n << ": " << status;
  }
}

}  // namespace
