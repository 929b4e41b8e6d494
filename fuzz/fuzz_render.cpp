// libFuzzer target for the song's flow: a module that loads is searched for its natural end, which
// must leave the song exactly as loaded, and then rendered for up to a few hundred blocks while
// the render's watch follows the replayer itself; the two must agree on where the song ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "player/engine.h"
#include "player/load/module_image.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"

namespace {

constexpr std::size_t MAX_INPUT_BYTES = 1 << 20;
constexpr std::int64_t BLOCKS = 200;
constexpr std::int64_t BLOCK_FRAMES = 884;  // at the offline rate

player::Engine engine{};

// FNV-1a over the bytes of the song record, its instruments and its samples with their data.
struct Fingerprint {
  std::uint64_t value = 14695981039346656037u;
  void add(const void* bytes, std::size_t count) {
    const auto* at = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t k = 0; k < count; ++k)
      value = (value ^ at[k]) * 1099511628211u;
  }
};

std::uint64_t fingerprint(const player::Song& song) {
  Fingerprint print;
  print.add(&song, sizeof song);
  for (int i = 0; i < song.instrumentCount; ++i) {
    const player::Instrument& in = song.instruments[i];
    print.add(&in, sizeof in);
    for (int j = 0; j < in.sampleCount; ++j) {
      print.add(in.samples[j], sizeof(player::Sample));
      if (in.samples[j]->data != nullptr)
        print.add(in.samples[j]->data, in.samples[j]->length * sizeof(std::int16_t));
    }
  }
  return print.value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > MAX_INPUT_BYTES) return 0;
  player::ModuleImage* image = player::makeModuleImage(data, static_cast<std::uint32_t>(size));
  if (image == nullptr) return 0;
  player::Song* song = player::loadSong(image, nullptr);
  player::freeModuleImage(image);
  if (song == nullptr) return 0;

  const std::uint64_t loaded = fingerprint(*song);
  constexpr std::int64_t limit = BLOCKS * BLOCK_FRAMES;
  const std::int64_t end = player::naturalLengthFrames(song, 1, limit);
  const std::int64_t twice = player::naturalLengthFrames(song, 2, limit);
  if (fingerprint(*song) != loaded) std::abort();  // the search changed the song
  if (end < 0 || end > limit || twice < end || (end == limit && twice != limit)) std::abort();

  if (player::startOfflineRender(engine, song, 1)) {
    if (player::offlineBlockFrames(engine) != BLOCK_FRAMES) std::abort();
    // The watch sees every row tick of the blocks rendered so far.
    for (std::int64_t b = 0; b < BLOCKS && player::offlineNaturalEnd(engine) < 0; ++b)
      player::renderNextBlock(engine);
    const std::int64_t watched = player::offlineNaturalEnd(engine);
    player::stopOfflineRender(engine);
    if (end < limit ? watched != end : (watched >= 0 && watched < limit)) std::abort();
  }
  player::freeSong(song);
  return 0;
}
