// What the player's control operations cost on the virtual device: a start (loading, the
// pre-rendering of the whole ring, the thread) with its stop (the 50 ms polled wait for the
// thread), and a pause with its resume (on POSIX the wait until the thread parks at its next
// safe point, at most one 5 ms sleep or one block away).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "player/engine.h"
#include "player/load/module_image.h"
#include "player/player.h"

namespace {

constexpr const char* MODULE = "vor__mph.xm";

player::Engine engine{};

player::ModuleImage* corpusImage(const char* name) {
  std::ifstream in(std::string(JINGLE_CORPUS_DIR) + "/" + name, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (bytes.empty()) return nullptr;
  return player::makeModuleImage(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

void BM_StartAndStop(benchmark::State& state) {
  player::ModuleImage* image = corpusImage(MODULE);
  platform::resetVirtualWave();
  engine.output.waveOut = platform::virtualWaveOut();
  for (auto _ : state) {
    if (player::playModule(engine, image) == nullptr) {
      state.SkipWithError("module not available");
      break;
    }
    player::playModule(engine, nullptr);
  }
  engine.output.waveOut = nullptr;
  player::freeModuleImage(image);
}
BENCHMARK(BM_StartAndStop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PauseAndResume(benchmark::State& state) {
  player::ModuleImage* image = corpusImage(MODULE);
  platform::resetVirtualWave();
  engine.output.waveOut = platform::virtualWaveOut();
  if (player::playModule(engine, image) == nullptr) {
    state.SkipWithError("module not available");
  } else {
    for (auto _ : state) {
      player::togglePause(engine);
      player::togglePause(engine);
    }
  }
  player::playModule(engine, nullptr);
  engine.output.waveOut = nullptr;
  player::freeModuleImage(image);
}
BENCHMARK(BM_PauseAndResume)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
