// The most work small hostile modules can ask for: finding the end of a song whose 32 loop counts
// keep it going for over 30 minutes at 3 frames a tick, or whose loop never ends; rendering it
// (the counter "realtime" is the multiple of real time); loading a module at the pattern-cell
// bound.
#include <benchmark/benchmark.h>

#include "player/engine.h"
#include "player/load/module_check.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"
#include "tests/support/hostile_modules.h"

namespace {

player::Engine engine{};

xmtest::Module unfinishedLoop() {
  xmtest::Module module = xmtest::loopStormModule(1, 1);
  module.orders = {0, 1};
  module.patterns.push_back(xmtest::Pattern{});
  module.patterns[1].rows = 1;
  module.patterns[0].set(0, 31, xmtest::Cell{1, 1, 0, 0x0B, 0x01}, module.channels);
  module.patterns[1].set(0, 0, xmtest::Cell{1, 1, 0, 0x0B, 0x01}, module.channels);
  return module;
}

// The worst end search found for a file under 10 KB (3.4 KB): 32 rows at speed 1 and 3 frames a
// tick, every other row marking each channel's loop start and the rows between counting 1 to 15
// repetitions, channel and row apart, on all 32 channels; over 23 million rows to the end.
xmtest::Module alternatingLoops() {
  xmtest::Module module;
  module.channels = 32;
  module.speed = 1;
  module.bpm = 32767;
  module.patterns.resize(1);
  module.patterns[0].rows = 32;
  for (int r = 0; r < 32; ++r) {
    for (int c = 0; c < 32; ++c) {
      const int times = r % 2 == 0 ? 0 : 1 + (c + r) % 15;
      module.patterns[0].set(
          r, c, xmtest::Cell{0, 0, 0, 0x0E, static_cast<std::uint8_t>(0x60 | times)}, 32);
    }
  }
  return module;
}

// 256 patterns of 2,048 rows on 32 channels: exactly as many cells as a song may have.
xmtest::Module mostCells() {
  xmtest::Module module = xmtest::tallPatternsModule();
  for (xmtest::Pattern& pattern : module.patterns)
    pattern.rows = 2048;
  return module;
}

void naturalLength(benchmark::State& state, xmtest::Module module) {
  const xmtest::SongPtr song = xmtest::loadModule(module);
  std::int64_t frames = 0;
  for (auto _ : state)
    frames = player::naturalLengthFrames(song.get(), 1, player::MAX_NATURAL_FRAMES);
  state.counters["song_seconds"] = static_cast<double>(frames) / player::OFFLINE_RATE;
}

void render(benchmark::State& state, xmtest::Module module) {
  const xmtest::SongPtr song = xmtest::loadModule(module);
  constexpr int BLOCKS = 100;
  std::int64_t frames = 0;
  for (auto _ : state) {
    player::startOfflineRender(engine, song.get(), 1);
    for (int b = 0; b < BLOCKS; ++b)
      benchmark::DoNotOptimize(player::renderNextBlock(engine));
    frames += std::int64_t{BLOCKS} * player::offlineBlockFrames(engine);
    player::stopOfflineRender(engine);
  }
  state.counters["realtime"] = benchmark::Counter(
      static_cast<double>(frames) / player::OFFLINE_RATE, benchmark::Counter::kIsRate);
}

void load(benchmark::State& state, xmtest::Module module) {
  const xmtest::ImagePtr image = xmtest::makeImage(xmtest::writeXm(module));
  for (auto _ : state) {
    benchmark::DoNotOptimize(player::checkModule(image.get()));
    player::freeSong(player::loadSong(image.get(), nullptr));
  }
}

BENCHMARK_CAPTURE(naturalLength, loop_storm_no_end_in_30_min, xmtest::loopStormModule(8, 5))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naturalLength, loop_storm_720720_passes, xmtest::loopStormModule(8, 1))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naturalLength, loop_storm_every_row, xmtest::loopStormModule(1, 1))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naturalLength, unfinished_loop, unfinishedLoop())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naturalLength, alternating_loops, alternatingLoops())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(render, loop_storm_speed_1, xmtest::loopStormModule(8, 1))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(render, loop_storm_speed_5, xmtest::loopStormModule(8, 5))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, most_cells, mostCells())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, tall_patterns_refused, xmtest::tallPatternsModule())
    ->Unit(benchmark::kMillisecond);

}  // namespace
