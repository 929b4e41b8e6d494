// Cost of the mixer per voice-frame: a voice at fixed gains (also through the plain scalar loop),
// one whose gains ramp in every frame, voices on short forward and ping-pong loops, a silent one,
// and a block with all 64 voices playing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "player/audio_output.h"
#include "player/mixer/mixer.h"
#include "player/mixer/voice.h"
#include "player/mixer/voice_mix.h"

namespace {

constexpr std::int32_t BLOCK_FRAMES = 884;

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

// Voice slot at a step of about 1.37 samples per frame with settled gains.
void startVoice(int slot, player::Sample* sample, std::int32_t left, std::int32_t right) {
  player::Voice& voice = player::voicePool[slot];
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

void BM_PlainVoice(benchmark::State& state) {
  player::prepareOutput(44100);
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  startVoice(0, &sample.sample, 100, 60);
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    player::mixVoices(frames.data(), BLOCK_FRAMES);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, BLOCK_FRAMES);
}
BENCHMARK(BM_PlainVoice);

// The same voice through the plain scalar loop, one frame at a time, for comparison.
void BM_PlainVoiceScalarLoop(benchmark::State& state) {
  player::prepareOutput(44100);
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  startVoice(0, &sample.sample, 100, 60);
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    player::mixVoice(player::voicePool[0], frames.data(), BLOCK_FRAMES, player::PLAIN_FRAME_LOOPS);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, BLOCK_FRAMES);
}
BENCHMARK(BM_PlainVoiceScalarLoop);

void BM_RampingVoice(benchmark::State& state) {
  player::prepareOutput(44100);
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  startVoice(0, &sample.sample, 100, 60);
  std::vector<float> frames(2 * BLOCK_FRAMES);
  // A new target every ramp length keeps every frame inside a ramp.
  std::int32_t target = 0;
  for (auto _ : state) {
    target = target == 0 ? 120 : 0;
    player::voicePool[0].leftTarget = target;
    player::voicePool[0].rightTarget = 120 - target;
    player::mixVoices(frames.data(), player::rampLength);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, player::rampLength);
}
BENCHMARK(BM_RampingVoice);

void BM_LoopingVoice(benchmark::State& state) {
  player::prepareOutput(44100);
  const auto mode = static_cast<std::uint8_t>(state.range(0));
  BenchSample sample(4000, mode, 1000, 64);  // a boundary every 47 frames or so
  startVoice(0, &sample.sample, 100, 60);
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    player::mixVoices(frames.data(), BLOCK_FRAMES);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, BLOCK_FRAMES);
}
BENCHMARK(BM_LoopingVoice)
    ->ArgName("loop_mode")
    ->Arg(player::LOOP_FORWARD)
    ->Arg(player::LOOP_PINGPONG);

void BM_SilentVoice(benchmark::State& state) {
  player::prepareOutput(44100);
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  startVoice(0, &sample.sample, 0, 0);  // a twin that has faded out and plays on unheard
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    player::mixVoices(frames.data(), BLOCK_FRAMES);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, BLOCK_FRAMES);
}
BENCHMARK(BM_SilentVoice);

void BM_FullBlock64Voices(benchmark::State& state) {
  player::prepareOutput(44100);
  BenchSample sample(1 << 20, player::LOOP_FORWARD, 0, 1 << 20);
  for (int slot = 0; slot < player::MIXED_VOICES; ++slot) {
    startVoice(slot, &sample.sample, 20 + slot, 80 - slot);
    player::voicePool[slot].position = static_cast<std::uint32_t>(slot) * 10007u;
  }
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (auto _ : state) {
    std::memset(frames.data(), 0, frames.size() * sizeof(float));
    player::mixVoices(frames.data(), BLOCK_FRAMES);
    benchmark::DoNotOptimize(frames.data());
  }
  report(state, std::int64_t{BLOCK_FRAMES} * player::MIXED_VOICES);
}
BENCHMARK(BM_FullBlock64Voices);

}  // namespace
