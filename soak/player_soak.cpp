// The player run for hours on the virtual device, as fast as the machine allows: what the device
// plays must be exactly the song's offline render, block after block (none skipped or repeated),
// across the wrap of the device's 32-bit byte count (after 6 h 46 min), through storms of pause
// and resume and of stop and start, with memory flat.
//   player_soak HOURS     (simulated hours of continuous play; 7.2 passes the wrap)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "player/engine.h"
#include "player/offline_render.h"
#include "player/player.h"
#include "tests/support/xm_writer.h"

namespace {

player::Engine engine{};
player::AudioOutput& audioOutput = engine.output;

constexpr int STEP_BLOCKS = 90;  // blocks the device plays between two looks at the ring
constexpr int RING_BLOCKS = 100;
constexpr int STORM_CYCLES = 50;
constexpr int PAUSE_STORM_EVERY = 200;  // steps
constexpr long FLAT_KB = 4096;          // growth of resident memory still called flat

// Two patterns that play for ever: notes with vibrato and slides on a looping sample, so that no
// two stretches of the audio are alike.
xmtest::Module soakModule() {
  xmtest::Module module;
  module.orders = {0, 1, 0};
  std::vector<int> wave;
  for (int i = 0; i < 997; ++i)
    wave.push_back((i * 37) % 255 - 127 + (i % 13) * 3);
  xmtest::Instrument instrument = xmtest::simpleInstrument(wave);
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 997;
  module.instruments.push_back(instrument);
  module.patterns.resize(2);
  for (int p = 0; p < 2; ++p) {
    for (int r = 0; r < 63; r += 3) {
      const auto note = static_cast<std::uint8_t>(30 + (r * 5 + p * 7) % 40);
      module.patterns[p].set(r, r % 4, xmtest::Cell{note, 1, 0, 0x04, 0x37}, module.channels);
      module.patterns[p].set(r + 1, (r + 1) % 4, xmtest::Cell{0, 0, 0, 0x0A, 0x02},
                             module.channels);
    }
  }
  return module;
}

std::uint64_t hashBlock(const std::int16_t* frames, std::int32_t count) {
  std::uint64_t hash = 14695981039346656037u;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(frames);
  for (std::size_t k = 0; k < static_cast<std::size_t>(count) * 4; ++k)
    hash = (hash ^ bytes[k]) * 1099511628211u;
  return hash;
}

long statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  }
  return -1;
}

// The hash of every block of the song's offline render, in order.
std::vector<std::uint64_t> referenceBlocks(player::Song* song, std::int64_t blocks) {
  std::vector<std::uint64_t> hashes;
  hashes.reserve(static_cast<std::size_t>(blocks));
  player::startOfflineRender(engine, song, 1);
  for (std::int64_t b = 0; b < blocks; ++b)
    hashes.push_back(
        hashBlock(player::renderNextBlock(engine), player::offlineBlockFrames(engine)));
  player::stopOfflineRender(engine);
  return hashes;
}

std::uint64_t ringBlockHash(int block) {
  return hashBlock(
      audioOutput.waveBuffer + static_cast<std::size_t>(block) * audioOutput.blockFrames * 2,
      audioOutput.blockFrames);
}

// Waits until the mixing thread has seen the device's position and caught up with it.
bool settle() {
  return platform::waitForVirtualPolls(platform::virtualWave().polls, 2);
}

struct Soak {
  const xmtest::ImagePtr& image;
  const std::vector<std::uint64_t>& reference;
  std::int64_t checked = 0, wrong = 0;

  // The device is about to play blocks from `playing` on: they must follow the render from
  // block `at` of it.
  void check(int playing, std::int64_t at, int count) {
    for (int k = 0; k < count; ++k) {
      ++checked;
      if (ringBlockHash((playing + k) % RING_BLOCKS) != reference[static_cast<std::size_t>(at + k)])
        ++wrong;
    }
  }

  // Starts and stops the player again and again, each start with the ring it must pre-render.
  bool stopStartStorm() {
    for (int cycle = 0; cycle < STORM_CYCLES; ++cycle) {
      if (player::playModule(engine, image.get()) == nullptr) return false;
      check(0, 0, RING_BLOCKS);
      platform::advanceVirtualWave(static_cast<std::uint32_t>(cycle % 5) * 4 *
                                   static_cast<std::uint32_t>(audioOutput.blockFrames));
      if (cycle % 2 == 0 && !settle()) return false;
      if (cycle % 3 == 0) player::togglePause(engine);
      player::playModule(engine, nullptr);
    }
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const double hours = argc == 2 ? std::atof(argv[1]) : 0.0;
  if (hours <= 0.0) {
    std::fputs("usage: player_soak HOURS\n", stderr);
    return 2;
  }
  const xmtest::ImagePtr image = xmtest::makeImage(xmtest::writeXm(soakModule()));
  xmtest::SongPtr song = xmtest::loadModule(soakModule());
  const auto steps = static_cast<std::int64_t>(hours * 3600 * 50 / STEP_BLOCKS) + 1;
  const std::vector<std::uint64_t> reference =
      referenceBlocks(song.get(), steps * STEP_BLOCKS + RING_BLOCKS);

  platform::resetVirtualWave();
  audioOutput.waveOut = platform::virtualWaveOut();
  Soak soak{image, reference};
  if (!soak.stopStartStorm()) {
    std::fputs("player_soak: the player did not start\n", stderr);
    return 1;
  }

  if (player::playModule(engine, image.get()) == nullptr) return 1;
  const std::uint32_t blockBytes = static_cast<std::uint32_t>(audioOutput.blockFrames) * 4;
  long settledKb = -1;
  std::uint64_t deviceBytes = 0;
  for (std::int64_t step = 0; step < steps; ++step) {
    if (!settle()) {
      std::fputs("player_soak: the mixing thread stopped polling\n", stderr);
      return 1;
    }
    soak.check(static_cast<int>(deviceBytes / blockBytes % RING_BLOCKS), step * STEP_BLOCKS,
               STEP_BLOCKS);
    if (step % PAUSE_STORM_EVERY == PAUSE_STORM_EVERY / 2) {
      // Paused, the device does not move however far it is told to; the storm ends playing.
      for (int toggle = 0; toggle < 20; ++toggle) {
        const bool paused = player::togglePause(engine) == 1;
        const std::uint32_t before = platform::virtualWave().position;
        platform::advanceVirtualWave(blockBytes);
        if (!paused || platform::virtualWave().position != before) ++soak.wrong;
        player::togglePause(engine);
      }
    }
    platform::advanceVirtualWave(STEP_BLOCKS * blockBytes);
    deviceBytes += STEP_BLOCKS * blockBytes;
    if (step == steps / 10) settledKb = statusKb("VmRSS:");
  }
  const long endKb = statusKb("VmRSS:");
  player::playModule(engine, nullptr);
  const bool stormed = soak.stopStartStorm();
  audioOutput.waveOut = nullptr;

  const double simulated = static_cast<double>(deviceBytes) / (44100.0 * 4 * 3600);
  // A check that could not fail would see few distinct blocks.
  std::vector<std::uint64_t> distinct = reference;
  std::sort(distinct.begin(), distinct.end());
  const auto kinds = std::unique(distinct.begin(), distinct.end()) - distinct.begin();
  std::printf(
      "player_soak: %.2f simulated hours (%llu device bytes, the 32-bit count %s), %lld "
      "blocks checked (%lld distinct in the render), %lld wrong; resident memory %ld kB after a "
      "tenth, %ld kB at the "
      "end, peak %ld kB\n",
      simulated, static_cast<unsigned long long>(deviceBytes),
      deviceBytes > 0xFFFFFFFFu ? "wrapped" : "not wrapped", static_cast<long long>(soak.checked),
      static_cast<long long>(kinds), static_cast<long long>(soak.wrong), settledKb, endKb,
      statusKb("VmHWM:"));
  const bool flat = settledKb < 0 || endKb - settledKb <= FLAT_KB;
  if (!flat) std::fputs("player_soak: memory grew\n", stderr);
  return soak.wrong == 0 && stormed && flat ? 0 : 1;
}
