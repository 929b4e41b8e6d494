// Engines share nothing that changes: several of them load and render at once, on threads of their
// own, some from one loaded song they share, and each gives the bytes it gives alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "player/engine.h"
#include "player/offline_render.h"
#include "tests/support/busy_module.h"
#include "tests/support/xm_writer.h"

namespace {

constexpr int BLOCKS = 150;  // 3 s of audio

// Two channels playing a pattern loop, a finetune change (which a song writes while it plays)
// and a tempo change.
std::vector<std::uint8_t> loopingModule() {
  xmtest::Module module;
  module.channels = 2;
  module.speed = 3;
  xmtest::Instrument instrument = xmtest::simpleInstrument({0, 50, 100, 50, 0, -50, -100, -50});
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 8;
  module.instruments.push_back(instrument);
  xmtest::Pattern& pattern = module.patterns.emplace_back();
  pattern.rows = 16;
  const std::uint8_t C4 = 49;
  pattern.set(0, 0, xmtest::Cell{C4, 1, 0, 0x0E, 0x60}, module.channels);
  pattern.set(1, 1, xmtest::Cell{C4 + 7, 1, 0, 0x0F, 0x90}, module.channels);
  pattern.set(2, 0, xmtest::Cell{C4 + 3, 1, 0, 0x0E, 0x57}, module.channels);
  pattern.set(4, 0, xmtest::Cell{C4, 1, 0, 0x0E, 0x63}, module.channels);
  pattern.set(6, 1, xmtest::Cell{C4 - 5, 1, 0, 0x04, 0x47}, module.channels);
  return xmtest::writeXm(module);
}

std::vector<std::int16_t> render(const player::Song* song, std::uint32_t muted) {
  std::vector<std::int16_t> pcm;
  const auto engine = std::make_unique<player::Engine>();
  engine->mutedChannels = muted;
  if (song == nullptr || !player::startOfflineRender(*engine, song, 1)) return pcm;
  const std::size_t values = static_cast<std::size_t>(player::offlineBlockFrames(*engine)) * 2;
  for (int b = 0; b < BLOCKS; ++b) {
    const std::int16_t* block = player::renderNextBlock(*engine);
    pcm.insert(pcm.end(), block, block + values);
  }
  player::stopOfflineRender(*engine);
  return pcm;
}

TEST(Engines, RenderOnThreadsAtOnceAsEachAlone) {
  const std::vector<std::uint8_t> files[] = {xmtest::busyModule(8), loopingModule()};
  const xmtest::SongPtr shared[] = {xmtest::loadFile(files[0]), xmtest::loadFile(files[1])};
  ASSERT_NE(shared[0], nullptr);
  ASSERT_NE(shared[1], nullptr);
  struct Case {
    int module;
    bool loadsOwn;  // loads the module on its thread; otherwise renders the shared song
    std::uint32_t muted;
  } const cases[] = {{0, true, 0}, {1, true, 0}, {1, false, 0}, {1, false, 0x2}, {0, false, 0x5}};
  constexpr auto COUNT = std::size(cases);

  std::vector<std::vector<std::int16_t>> alone(COUNT), together(COUNT);
  for (std::size_t k = 0; k < COUNT; ++k) {
    alone[k] = render(shared[cases[k].module].get(), cases[k].muted);
    ASSERT_EQ(alone[k].size(), BLOCKS * 884u * 2) << k;
    ASSERT_NE(alone[k], std::vector<std::int16_t>(alone[k].size(), 0)) << k;
  }
  EXPECT_NE(alone[2], alone[3]) << "the mute mask is heard";

  std::latch start(static_cast<std::ptrdiff_t>(COUNT));
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < COUNT; ++k) {
    threads.emplace_back([&, k] {
      const Case& c = cases[k];
      start.arrive_and_wait();
      if (c.loadsOwn) {
        const xmtest::SongPtr own = xmtest::loadFile(files[c.module]);
        together[k] = render(own.get(), c.muted);
      } else {
        together[k] = render(shared[c.module].get(), c.muted);
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (std::size_t k = 0; k < COUNT; ++k)
    EXPECT_TRUE(together[k] == alone[k]) << "case " << k;
}

}  // namespace
