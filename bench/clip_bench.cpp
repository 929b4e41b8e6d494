// The conversion of a block's float frames to 16-bit PCM: the vectorised one and the plain one,
// in ns per block of 884 frames.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "player/pcm_clip.h"

namespace {

constexpr std::int32_t BLOCK_FRAMES = 884;

template <void (*CLIP)(std::int16_t*, const float*, std::int32_t)>
void BM_Clip(benchmark::State& state) {
  std::vector<float> frames(2 * BLOCK_FRAMES);
  for (std::size_t i = 0; i < frames.size(); ++i)
    frames[i] = static_cast<float>(static_cast<std::int32_t>(i * 7919 % 90001) - 45000) + 0.25f;
  std::vector<std::int16_t> pcm(frames.size());
  for (auto _ : state) {
    CLIP(pcm.data(), frames.data(), BLOCK_FRAMES);
    benchmark::DoNotOptimize(pcm.data());
  }
  state.SetItemsProcessed(state.iterations() * BLOCK_FRAMES);
}
BENCHMARK(BM_Clip<player::clipToPcm>)->Name("BM_ClipBlock");
BENCHMARK(BM_Clip<player::clipToPcmPlain>)->Name("BM_ClipBlockPlain");

}  // namespace
