// What the listener's settings cost a whole render through a player of the public API: 10 s of a
// corpus module at 44,100 Hz with each setting against none. The stereo width and the gain are
// one pass over each block after the mix; the interpolation changes the mix itself (per voice,
// mixer_bench.cpp). The counter "realtime" is the multiple of real time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "jingle/jingle.h"

namespace {

constexpr const char* MODULE = "heroes-sound-tracks__heroes01.xm";
constexpr std::int32_t RATE = 44100;
constexpr std::int64_t SECONDS = 10;

enum Setting { NONE, STEREO_50, MONO, GAIN_MINUS_6, NEAREST, SINC };

void renderWith(benchmark::State& state) {
  const auto setting = static_cast<Setting>(state.range(0));
  const std::string path = std::string(JINGLE_CORPUS_DIR) + "/" + MODULE;
  jingle::Module module;
  if (jingle::Module::loadFile(path.c_str(), module) != JINGLE_OK) {
    state.SkipWithError("module not available");
    return;
  }
  std::vector<std::int16_t> buffer(2 * 4096);
  std::int64_t frames = 0;
  for (auto _ : state) {
    jingle::Player player;
    jingle::Player::create(module, RATE, player);
    player.setRounds(JINGLE_ENDLESS);
    if (setting == STEREO_50) player.setStereo(50);
    if (setting == MONO) player.setStereo(0);
    if (setting == GAIN_MINUS_6) player.setGain(-6);
    if (setting == NEAREST) player.setInterpolation(JINGLE_INTERPOLATION_NEAREST);
    if (setting == SINC) player.setInterpolation(JINGLE_INTERPOLATION_SINC);
    for (std::int64_t done = 0; done < SECONDS * RATE;)
      done += static_cast<std::int64_t>(player.render(buffer.data(), 4096));
    benchmark::DoNotOptimize(buffer.data());
    frames += SECONDS * RATE;
  }
  static const char* const NAMES[] = {"none",    "stereo 50", "stereo 0",
                                      "gain -6", "nearest",   "sinc"};
  state.SetLabel(NAMES[setting]);
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(frames) / RATE, benchmark::Counter::kIsRate);
}

BENCHMARK(renderWith)->DenseRange(NONE, SINC)->ArgName("setting")->Unit(benchmark::kMillisecond);

}  // namespace
