// Impulse Tracker's heaviest mixing: every note continues in the background, 8 channels start a
// note every tick, and the pool of 256 voices stays full (the quietest goes each time); the
// counter "realtime" is the multiple of real time the render runs at.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "player/engine.h"
#include "player/load/it_loader.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"
#include "tests/support/it_writer.h"
#include "tests/support/xm_writer.h"

namespace {

player::Engine engine{};

ittest::Module everyNoteContinues(bool filtered) {
  ittest::Module m;
  m.speed = 1;
  std::vector<int> values(2000);
  for (int k = 0; k < 2000; ++k)
    values[k] = static_cast<int>(std::lround(12000 * std::sin(k * 6.283185307 / 100)));
  ittest::Sample s = ittest::sample(values, true);
  s.flags = 0x10;
  s.loopEnd = 2000;
  m.samples = {s};
  ittest::Instrument in;
  in.nna = 1;  // continue
  if (filtered) in.cutoff = 0x80 | 60;
  m.instruments = {in};
  m.patterns[0].rows = 200;
  for (int row = 0; row < 200; ++row)
    for (int c = 0; c < 8; ++c)
      m.patterns[0].cells.push_back(ittest::cell(row, c, 30 + (row * 7 + c * 5) % 60, 1));
  return m;
}

void render(benchmark::State& state, bool filtered) {
  const xmtest::ImagePtr image = xmtest::makeImage(ittest::writeIt(everyNoteContinues(filtered)));
  const xmtest::SongPtr song(player::loadSong(image.get(), nullptr));
  constexpr int BLOCKS = 200;
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

BENCHMARK_CAPTURE(render, it_every_note_continues, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(render, it_every_note_continues_filtered, true)->Unit(benchmark::kMillisecond);

}  // namespace
