// The replayer and the loader: one tick of a song whose every channel is busy (notes, effects,
// envelopes and the voice updates they cause), for 8 and 32 channels, and loading the largest
// module of the corpus.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/load/module_image.h"
#include "player/load/xm_loader.h"
#include "player/song_start.h"
#include "tests/support/busy_module.h"
#include "tests/support/xm_writer.h"

namespace {

void BM_ReplayerTick(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  xmtest::SongPtr song = xmtest::loadFile(xmtest::busyModule(channels));
  if (song == nullptr) {
    state.SkipWithError("module did not load");
    return;
  }
  const auto engine = std::make_unique<player::Engine>();
  player::prepareOutput(*engine, 44100);
  if (!player::beginSong(*engine, song.get())) {
    state.SkipWithError("no memory for the song's copy");
    return;
  }
  player::Song* playing = &engine->playing.song;
  for (auto _ : state)
    playing->tickHandler(*engine, playing);
  state.SetItemsProcessed(state.iterations());
  player::endSong(*engine);
}
BENCHMARK(BM_ReplayerTick)->ArgName("channels")->Arg(8)->Arg(32);

void BM_LoadLargestCorpusModule(benchmark::State& state) {
  std::string largest;
  std::uintmax_t largestSize = 0;
  for (const std::string& path : xmtest::corpusModules()) {
    const std::vector<std::uint8_t> bytes = xmtest::readFile(path);
    if (bytes.size() > largestSize) {
      largestSize = bytes.size();
      largest = path;
    }
  }
  if (largest.empty()) {
    state.SkipWithError("no corpus");
    return;
  }
  state.SetLabel(largest.substr(largest.find_last_of('/') + 1));
  const xmtest::ImagePtr image = xmtest::makeImage(xmtest::readFile(largest));
  for (auto _ : state) {
    player::Song* song = player::loadSong(image.get(), nullptr);
    benchmark::DoNotOptimize(song);
    player::freeSong(song);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(largestSize) * state.iterations());
}
BENCHMARK(BM_LoadLargestCorpusModule)->Unit(benchmark::kMicrosecond);

}  // namespace
