// Nothing on the mixing path allocates: while blocks render, offline and on the mixing thread,
// every allocation the process makes is counted. The test binary wraps malloc, calloc and realloc
// (for the player's own calls, at link time) and replaces operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

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

void noteAllocation() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}

}  // namespace

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t size) {
  noteAllocation();
  return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  noteAllocation();
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
  noteAllocation();
  return __real_realloc(block, size);
}
}

// The replacements allocate with malloc and so free with free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  noteAllocation();
  if (void* block = __real_malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  noteAllocation();
  return __real_malloc(size == 0 ? 1 : size);
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

}  // namespace
