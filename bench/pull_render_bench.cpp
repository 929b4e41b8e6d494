// Pull rendering through the public API: seconds of audio per second for a corpus module when
// the caller asks for small, block-sized and large chunks, 16-bit and float, and at 48 kHz. The
// counter "realtime" is the multiple of real time; compare with the offline block renderer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "jingle/module.h"
#include "jingle/playback.h"
#include "jingle/render.h"
#include "jingle/status.h"
#include "jingle/version.h"

namespace {

constexpr const char* MODULE = "heroes-sound-tracks__intro.xm";
constexpr std::int64_t SECONDS = 10;

template <typename Value>
void pullRender(benchmark::State& state, std::int32_t rate) {
  const std::string path = std::string(JINGLE_CORPUS_DIR) + "/" + MODULE;
  jingle::Module* module = jingle::loadModuleFile(path.c_str());
  if (module == nullptr) {
    state.SkipWithError("module not available");
    return;
  }
  const auto chunk = static_cast<std::size_t>(state.range(0));
  std::vector<Value> buffer(chunk * 2);
  std::int64_t frames = 0;
  for (auto _ : state) {
    jingle::startRender(module, jingle::RenderSettings{rate, jingle::ENDLESS});
    for (std::int64_t done = 0; done < SECONDS * rate;)
      done += static_cast<std::int64_t>(jingle::renderFrames(buffer.data(), chunk));
    benchmark::DoNotOptimize(buffer.data());
    frames += SECONDS * rate;
    jingle::stopRender();
  }
  jingle::freeModule(module);
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

void pcm16At44100(benchmark::State& state) {
  pullRender<std::int16_t>(state, 44100);
}
void floatAt44100(benchmark::State& state) {
  pullRender<float>(state, 44100);
}
void pcm16At48000(benchmark::State& state) {
  pullRender<std::int16_t>(state, 48000);
}

BENCHMARK(pcm16At44100)->Arg(64)->Arg(884)->Arg(44100)->Unit(benchmark::kMillisecond);
BENCHMARK(floatAt44100)->Arg(64)->Arg(884)->Arg(44100)->Unit(benchmark::kMillisecond);
BENCHMARK(pcm16At48000)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
