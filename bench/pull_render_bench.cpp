// Pull rendering through a player of the public API: seconds of audio per second for a corpus
// module when the caller asks for small, block-sized and large chunks, 16-bit and float, and at
// 48 kHz. The counter "realtime" is the multiple of real time; compare with the offline block
// renderer (offline_render_bench.cpp), which `jingle render` runs. Also a seek a minute into the
// song, which plays the song without mixing up to there, and the same minute rendered.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "jingle/jingle.h"

namespace {

constexpr const char* MODULE = "heroes-sound-tracks__intro.xm";
// A long, busy module for the seek.
constexpr const char* LONG_MODULE = "heroes-sound-tracks__heroes09.xm";
constexpr std::int64_t SECONDS = 10;

jingle::Module corpusModule(const char* name) {
  const std::string path = std::string(JINGLE_CORPUS_DIR) + "/" + name;
  jingle::Module module;
  jingle::Module::loadFile(path.c_str(), module);
  return module;
}

template <typename Value>
void pullRender(benchmark::State& state, std::int32_t rate) {
  const jingle::Module module = corpusModule(MODULE);
  if (!module) {
    state.SkipWithError("module not available");
    return;
  }
  const auto chunk = static_cast<std::size_t>(state.range(0));
  std::vector<Value> buffer(chunk * 2);
  std::int64_t frames = 0;
  for (auto _ : state) {
    jingle::Player player;
    jingle::Player::create(module, rate, player);
    player.setRounds(JINGLE_ENDLESS);
    for (std::int64_t done = 0; done < SECONDS * rate;)
      done += static_cast<std::int64_t>(player.render(buffer.data(), chunk));
    benchmark::DoNotOptimize(buffer.data());
    frames += SECONDS * rate;
  }
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

// The offline renderer's modules (offline_render_bench.cpp) pulled through a player in chunks of
// a block: the same 10 s, to set beside renderModule's figures.
void pullModule(benchmark::State& state, const char* name) {
  const jingle::Module module = corpusModule(name);
  if (!module) {
    state.SkipWithError("module not available");
    return;
  }
  constexpr std::int32_t rate = 44100;
  std::vector<std::int16_t> buffer(2 * 884);
  std::int64_t frames = 0;
  for (auto _ : state) {
    jingle::Player player;
    jingle::Player::create(module, rate, player);
    player.setRounds(JINGLE_ENDLESS);
    for (int b = 0; b < 500; ++b)
      benchmark::DoNotOptimize(player.render(buffer.data(), 884));
    frames += 500 * 884;
  }
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

// A minute into the long module from a fresh player (arg 1: by seeking; arg 0: by rendering it).
void minuteIn(benchmark::State& state) {
  const jingle::Module module = corpusModule(LONG_MODULE);
  if (!module) {
    state.SkipWithError("module not available");
    return;
  }
  constexpr std::int32_t rate = 44100;
  const std::int64_t target = 60 * rate + 441;  // inside a block
  std::vector<std::int16_t> buffer(2 * 4096);
  for (auto _ : state) {
    jingle::Player player;
    jingle::Player::create(module, rate, player);
    player.setRounds(JINGLE_ENDLESS);
    if (state.range(0) == 1) {
      player.seekFrame(target);
    } else {
      for (std::int64_t done = 0; done < target;) {
        const std::int64_t left = target - done;
        done += static_cast<std::int64_t>(
            player.render(buffer.data(), left < 4096 ? static_cast<std::size_t>(left) : 4096));
      }
    }
    benchmark::DoNotOptimize(player.render(buffer.data(), 1));
  }
}

BENCHMARK(pcm16At44100)->Arg(64)->Arg(884)->Arg(44100)->Unit(benchmark::kMillisecond);
BENCHMARK(floatAt44100)->Arg(64)->Arg(884)->Arg(44100)->Unit(benchmark::kMillisecond);
BENCHMARK(pcm16At48000)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(pullModule, small, "vor__mph.xm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(pullModule, medium, "heroes-sound-tracks__heroes05.xm")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(pullModule, large, "flobopuyo__strange_fear.xm")->Unit(benchmark::kMillisecond);
BENCHMARK(minuteIn)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
