// Nothing on the mixing path allocates: while blocks render, offline and on the mixing thread,
// every allocation the process makes is counted. The test binary wraps malloc, calloc and realloc
// (for the player's own calls, at link time) and replaces operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "player/offline_render.h"
#include "player/player.h"
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

// Eight channels that keep the replayer busy: notes on every fourth row with vibrato, volume
// slides, portamento and arpeggio, an instrument with envelopes and auto-vibrato, and a
// ping-pong loop, so that ramps, twin voices, boundaries and frequency changes all happen.
std::vector<std::uint8_t> busyModule() {
  xmtest::Module module;
  module.channels = 8;
  module.speed = 3;
  xmtest::Instrument instrument = xmtest::simpleInstrument({0, 60, 120, 60, 0, -60, -120, -60});
  instrument.samples[0].loopType = 2;
  instrument.samples[0].loopLength = 8;
  instrument.volume = {{{0, 64}, {10, 20}, {40, 50}}, std::nullopt, 1, 0, 0, 0x03};
  instrument.panning = {{{0, 0}, {20, 64}}, std::nullopt, 0, 0, 0, 0x01};
  instrument.vibratoType = 1;
  instrument.vibratoDepth = 8;
  instrument.vibratoRate = 20;
  instrument.fadeout = 512;
  module.instruments.push_back(instrument);
  xmtest::Pattern& pattern = module.patterns.emplace_back();
  const std::uint8_t effects[][2] = {{0x4, 0x46}, {0xA, 0x21}, {0x3, 0x10}, {0x0, 0x37},
                                     {0x1, 0x08}, {0x2, 0x04}, {0x7, 0x44}, {0x6, 0x12}};
  for (int row = 0; row < 64; ++row) {
    for (int channel = 0; channel < 8; ++channel) {
      xmtest::Cell cell;
      if ((row + channel) % 4 == 0) {
        cell.note = static_cast<std::uint8_t>(37 + (row * 5 + channel * 7) % 36);
        cell.instrument = 1;
      }
      if (row % 16 == 15) cell.note = 97;
      cell.effect = effects[(row / 8 + channel) % 8][0];
      cell.param = effects[(row / 8 + channel) % 8][1];
      pattern.set(row, channel, cell, module.channels);
    }
  }
  return xmtest::writeXm(module);
}

std::vector<std::vector<std::uint8_t>> modules() {
  std::vector<std::vector<std::uint8_t>> files{busyModule()};
  const std::vector<std::string> corpus = xmtest::corpusModules();
  for (std::size_t i = 0; i < corpus.size(); i += 5)
    files.push_back(xmtest::readFile(corpus[i]));
  return files;
}

TEST(MixingAllocations, OfflineBlocksAllocateNothing) {
  for (const std::vector<std::uint8_t>& file : modules()) {
    xmtest::SongPtr song = xmtest::loadFile(file);
    ASSERT_NE(song, nullptr);
    const long starting =
        allocationsDuring([&] { ASSERT_TRUE(player::startOfflineRender(song.get(), 1)); });
    EXPECT_GT(starting, 0) << "the count sees the ring being allocated";
    const long made = allocationsDuring([] {
      for (int block = 0; block < 1000; ++block)
        player::renderNextBlock();
    });
    player::stopOfflineRender();
    EXPECT_EQ(made, 0);
  }
}

TEST(MixingAllocations, TheMixingThreadAllocatesNothing) {
  platform::resetVirtualWave();
  player::audioOutput.waveOut = platform::virtualWaveOut();
  const xmtest::ImagePtr image = xmtest::makeImage(busyModule());
  ASSERT_NE(player::playModule(image.get()), nullptr);
  const std::uint32_t blockBytes = static_cast<std::uint32_t>(player::audioOutput.blockFrames) * 4;
  const long made = allocationsDuring([&] {
    for (int step = 0; step < 100; ++step) {
      platform::advanceVirtualWave(blockBytes * (1 + step % 3));
      ASSERT_TRUE(platform::waitForVirtualPolls(platform::virtualWave().polls, 2));
    }
  });
  player::playModule(nullptr);
  player::audioOutput.waveOut = nullptr;
  EXPECT_EQ(made, 0);
}

}  // namespace
