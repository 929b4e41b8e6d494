// Offline rendering speed: seconds of audio rendered per second, for corpus modules of different
// sizes. The counter "realtime" is the multiple of real time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/engine.h"
#include "player/load/module_image.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"

namespace {

player::Engine engine{};

// A corpus module loaded for a benchmark, freed with it.
struct CorpusSong {
  player::ModuleImage* image = nullptr;
  player::Song* song = nullptr;
  explicit CorpusSong(const char* name) {
    std::ifstream in(std::string(JINGLE_CORPUS_DIR) + "/" + name, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    if (bytes.empty()) return;
    image = player::makeModuleImage(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    song = player::loadSong(image, nullptr);
  }
  ~CorpusSong() {
    player::freeSong(song);
    player::freeModuleImage(image);
  }
};

void renderModule(benchmark::State& state, const char* name) {
  CorpusSong corpus(name);
  if (corpus.song == nullptr) {
    state.SkipWithError("module not available");
    return;
  }
  constexpr int BLOCKS = 500;  // 10 s of audio
  std::int64_t frames = 0;
  for (auto _ : state) {
    player::startOfflineRender(engine, corpus.song, 1);
    for (int b = 0; b < BLOCKS; ++b)
      benchmark::DoNotOptimize(player::renderNextBlock(engine));
    frames += std::int64_t{BLOCKS} * player::offlineBlockFrames(engine);
    player::stopOfflineRender(engine);
  }
  state.counters["realtime"] = benchmark::Counter(
      static_cast<double>(frames) / player::OFFLINE_RATE, benchmark::Counter::kIsRate);
}

void naturalLength(benchmark::State& state, const char* name) {
  CorpusSong corpus(name);
  if (corpus.song == nullptr) {
    state.SkipWithError("module not available");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        player::naturalLengthFrames(corpus.song, 1, player::MAX_NATURAL_FRAMES));
  }
}

BENCHMARK_CAPTURE(renderModule, small, "vor__mph.xm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(renderModule, medium, "heroes-sound-tracks__heroes05.xm")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(renderModule, large, "flobopuyo__strange_fear.xm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naturalLength, large, "flobopuyo__strange_fear.xm")
    ->Unit(benchmark::kMillisecond);

}  // namespace
