// libFuzzer target for the Impulse Tracker loader and replayer: any bytes either load into a song
// that keeps its promises (channels, rows, keyboard and envelope bounds, readable guard values
// behind every sample and sustained view) or are refused; a file under 10 KB never has the loader
// ask for more than 256 MiB; a song that loads plays its first blocks; everything is freed again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "player/engine.h"
#include "player/load/it_loader.h"
#include "player/load/it_texts.h"
#include "player/load/load_memory.h"
#include "player/load/module_image.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"

namespace {

constexpr int RENDERED_BLOCKS = 40;

player::Engine engine{};

void rampHook(std::uint8_t* destination, std::int32_t bytes, std::int32_t, std::int32_t,
              std::int32_t) {
  for (std::int32_t k = 0; k < bytes; ++k)
    destination[k] = static_cast<std::uint8_t>(k);
}

void touchGuard(const player::Sample& s) {
  if (s.data == nullptr) return;
  volatile std::int16_t guard = s.data[s.loopStart + s.loopLength];
  (void)guard;
}

void checkEnvelope(const player::NodeEnvelope& e) {
  if (e.nodeCount > player::ENVELOPE_NODES) std::abort();
  if ((e.flags & player::ENVELOPE_LOOP) != 0 &&
      (e.loopStart > e.loopEnd || e.loopEnd >= e.nodeCount))
    std::abort();
  if ((e.flags & player::ENVELOPE_SUSTAIN) != 0 &&
      (e.sustainStart > e.sustainEnd || e.sustainEnd >= e.nodeCount))
    std::abort();
  for (int k = 1; k < player::ENVELOPE_NODES; ++k)
    if (e.nodes[k].tick < e.nodes[k - 1].tick) std::abort();
}

void checkSong(const player::Song& song) {
  if (song.channelCount < 0 || song.channelCount > player::SONG_CHANNELS) std::abort();
  for (int p = 0; p < song.patternSlotCount; ++p)
    if (song.patterns[p].rows <= 0) std::abort();
  for (int s = 0; s < song.sampleCount; ++s) {
    touchGuard(song.samples[s]);
    if (song.samples[s].sustained != nullptr) touchGuard(*song.samples[s].sustained);
  }
  for (int i = 0; i < song.instrumentCount; ++i) {
    const player::Instrument& in = song.instruments[i];
    for (int k = 0; k < player::KEYBOARD_NOTES; ++k)
      if (in.keyboardNote[k] >= player::KEYBOARD_NOTES) std::abort();
    checkEnvelope(in.volumeNodes);
    checkEnvelope(in.panningNodes);
    checkEnvelope(in.pitchNodes);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  player::ModuleImage* image = player::makeModuleImage(data, static_cast<std::uint32_t>(size));
  if (image == nullptr) return 0;
  // The texts walk the file as the loader does: within its bytes, whatever they hold.
  const player::ModuleTexts texts = player::readItTexts(image);
  if (texts.message.size() > 8000) std::abort();
  auto* song = player::loadAllocateArray<player::Song>(1);
  player::StreamHandle* handle = player::openStream(image);
  if (song != nullptr && handle != nullptr) {
    // An odd last byte exercises the hook path as well.
    if ((data[size - 1] & 1) != 0) song->sampleReadHook = rampHook;
    const std::uint64_t before = player::loadtest::requestedBytes();
    const int parsed = player::parseIt(song, handle);
    constexpr std::uint64_t SMALL_FILE = 10 * 1024, MOST_FOR_SMALL_FILE = std::uint64_t{256} << 20;
    if (size < SMALL_FILE && player::loadtest::requestedBytes() - before > MOST_FOR_SMALL_FILE) {
      std::abort();
    }
    if (parsed != 0) {
      checkSong(*song);
      if (player::startOfflineRender(engine, song, 1)) {
        for (int block = 0; block < RENDERED_BLOCKS; ++block)
          player::renderNextBlock(engine);
        player::stopOfflineRender(engine);
      }
    }
  }
  player::closeStream(handle);
  player::freeSong(song);
  player::freeModuleImage(image);
  return 0;
}
