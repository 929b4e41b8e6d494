// Cost of the mixer per voice-frame, on each path the processor runs (the first argument names
// it: 0 plain, 1 SSE2, 2 AVX2, 3 AVX-512) and in each interpolation (the second: 0 linear,
// 1 nearest, 2 sinc): a voice at fixed gains, one whose gains ramp in every frame, voices on
// forward and ping-pong loops that wrap every 47 frames or so, loops of a few values that wrap
// every few frames, a silent voice, and a block with all 64 voices playing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/mixer/mix_path.h"
#include "player/mixer/mixer.h"
#include "player/mixer/sinc_table.h"

namespace {

constexpr std::int32_t BLOCK_FRAMES = 884;

player::Engine engine{};
player::Interpolation interpolation = player::Interpolation::LINEAR;

struct BenchSample {
  std::vector<std::int16_t> values;
  player::Sample sample{};

  BenchSample(std::uint32_t length, std::uint8_t loopMode, std::uint32_t loopStart,
              std::uint32_t loopLength)
      : values(length + player::SAMPLE_GUARD_VALUES) {
    std::uint32_t noise = 12345;
    for (std::uint32_t i = 0; i < length; ++i) {
      noise = noise * 1103515245u + 12345u;
      values[i] = static_cast<std::int16_t>(noise >> 16);
    }
    sample.data = values.data();
    sample.length = length;
    sample.loopMode = loopMode;
    sample.loopStart = loopStart;
    sample.loopLength = loopLength;
    values[loopStart + loopLength] = values[loopStart];
  }
};

// Prepares the engine on the path and in the interpolation named by the benchmark's arguments;
// false (and the benchmark skipped) when the processor does not run the path.
bool onPath(benchmark::State& state) {
  player::prepareOutput(engine, 44100);
  player::prepareSincTables();
  const auto path = static_cast<player::MixPath>(state.range(0));
  interpolation = static_cast<player::Interpolation>(state.range(1));
  state.SetLabel(std::string(player::mixPathName(path)) + " " +
                 player::interpolationName(interpolation));
  if (player::selectMixPath(path)) return true;
  state.SkipWithError("path not run by this processor");
  return false;
}

// Voice slot at a step of about 1.37 samples per frame with settled gains.
void startVoice(int slot, player::Sample* sample, std::int32_t left, std::int32_t right) {
  player::Voice& voice = engine.voicePool.voices[slot];
  voice.sample = sample;
  voice.step = 1;
  voice.stepFrac = 0x5F3C9A17u;
  voice.direction = player::DIRECTION_FORWARD;
  voice.leftTarget = voice.rampLeftTarget = left;
  voice.rightTarget = voice.rampRightTarget = right;
  voice.leftLevel = left * 256;
  voice.rightLevel = right * 256;
}

void report(benchmark::State& state, std::int64_t voiceFramesPerIteration) {
  const auto voiceFrames =
      static_cast<double>(voiceFramesPerIteration) * static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(voiceFrames));
  state.counters["time_per_voice_frame"] =
      benchmark::Counter(voiceFrames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One voice on sample, mixed a block at a time.
void mixOneVoice(benchmark::State& state, BenchSample& sample, std::int32_t left,
                 std::int32_t right) {
  if (!onPath(state)) return;
  startVoice(0, &sample.sample, left, right);
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    player::mixVoices(engine.voicePool, frames.data(), BLOCK_FRAMES, interpolation);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, BLOCK_FRAMES);
}

void BM_PlainVoice(benchmark::State& state) {
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  mixOneVoice(state, sample, 100, 60);
}

void BM_RampingVoice(benchmark::State& state) {
  if (!onPath(state)) return;
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  startVoice(0, &sample.sample, 100, 60);
  std::vector<float> frames(2 * BLOCK_FRAMES);
  // A new target every ramp length keeps every frame inside a ramp.
  std::int32_t target = 0;
  for (auto _ : state) {
    target = target == 0 ? 120 : 0;
    engine.voicePool.voices[0].leftTarget = target;
    engine.voicePool.voices[0].rightTarget = 120 - target;
    player::mixVoices(engine.voicePool, frames.data(), engine.voicePool.rampLength, interpolation);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, engine.voicePool.rampLength);
}

void BM_ForwardLoopVoice(benchmark::State& state) {
  BenchSample sample(4000, player::LOOP_FORWARD, 1000, 64);
  mixOneVoice(state, sample, 100, 60);
}

void BM_PingPongVoice(benchmark::State& state) {
  BenchSample sample(4000, player::LOOP_PINGPONG, 1000, 64);
  mixOneVoice(state, sample, 100, 60);
}

// A loop of 6 values: a boundary every 4 or 5 frames.
void BM_ShortLoopVoice(benchmark::State& state) {
  BenchSample sample(64, player::LOOP_FORWARD, 10, 6);
  mixOneVoice(state, sample, 100, 60);
}

// A twin that has faded out and plays on unheard.
void BM_SilentVoice(benchmark::State& state) {
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  mixOneVoice(state, sample, 0, 0);
}

void BM_FullBlock64Voices(benchmark::State& state) {
  if (!onPath(state)) return;
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  for (int slot = 0; slot < player::MIXED_VOICES; ++slot) {
    startVoice(slot, &sample.sample, 20 + slot, 80 - slot);
    engine.voicePool.voices[slot].position = static_cast<std::uint32_t>(slot) * 10007u;
  }
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    std::memset(frames.data(), 0, frames.size() * sizeof(float));
    player::mixVoices(engine.voicePool, frames.data(), BLOCK_FRAMES, interpolation);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, std::int64_t{BLOCK_FRAMES} * player::MIXED_VOICES);
}

void everyPath(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"path", "interpolation"});
  for (const player::MixPath path : player::ALL_MIX_PATHS) {
    for (const player::Interpolation interpolation : player::ALL_INTERPOLATIONS)
      benchmark->Args({static_cast<int>(path), static_cast<int>(interpolation)});
  }
}

BENCHMARK(BM_PlainVoice)->Apply(everyPath);
BENCHMARK(BM_RampingVoice)->Apply(everyPath);
BENCHMARK(BM_ForwardLoopVoice)->Apply(everyPath);
BENCHMARK(BM_PingPongVoice)->Apply(everyPath);
BENCHMARK(BM_ShortLoopVoice)->Apply(everyPath);
BENCHMARK(BM_SilentVoice)->Apply(everyPath);
BENCHMARK(BM_FullBlock64Voices)->Apply(everyPath);

}  // namespace
