// Rendering from song start without a device: the natural end, the dry run that finds it, and
// the stream of blocks.
#include "player/offline_render.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio_output.h"
#include "player/ring_buffers.h"
#include "player/song_start.h"
#include "tests/replay/replay_fixture.h"

namespace {

using replaytest::baseModule;
using replaytest::Cell;
using replaytest::put;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SANITIZED = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif
#else
constexpr bool SANITIZED = false;
#endif

constexpr std::int64_t TICK_125 = 882;  // frames per tick at 125 BPM

// A module of `orders` over patterns of `rows` rows, with a note playing when there are rows.
xmtest::Module songModule(std::vector<std::uint8_t> orders, int patterns, int rows) {
  xmtest::Module module = baseModule();
  module.orders = std::move(orders);
  module.patterns.assign(static_cast<std::size_t>(patterns), xmtest::Pattern{});
  for (auto& pattern : module.patterns)
    pattern.rows = rows;
  if (rows > 0) put(module, 0, 0, Cell{49, 1});
  return module;
}

std::int64_t naturalLength(const xmtest::Module& module, int rounds = 1) {
  xmtest::SongPtr song = xmtest::loadModule(module);
  EXPECT_NE(song, nullptr);
  if (song == nullptr) return -1;
  return player::naturalLengthFrames(song.get(), rounds, player::MAX_NATURAL_FRAMES);
}

// The blocks that a render of the song produces, and where it found the natural end.
struct Rendered {
  std::vector<std::int16_t> pcm;
  std::int64_t naturalEnd = -1;
};

Rendered renderBlocks(player::Song* song, int blocks, int rounds = 1, bool keep = true) {
  Rendered out;
  if (!player::startOfflineRender(song, rounds)) return out;
  const std::size_t values = static_cast<std::size_t>(player::offlineBlockFrames()) * 2;
  for (int b = 0; b < blocks; ++b) {
    const std::int16_t* block = player::renderNextBlock();
    if (keep) out.pcm.insert(out.pcm.end(), block, block + values);
  }
  out.naturalEnd = player::offlineNaturalEnd();
  player::stopOfflineRender();
  return out;
}

TEST(NaturalEnd, TheFirstRowTickThatComesBackEndsTheSong) {
  EXPECT_EQ(naturalLength(songModule({0}, 1, 4)), 4 * 6 * TICK_125);
  EXPECT_EQ(naturalLength(songModule({0}, 1, 4), 3), 3 * 4 * 6 * TICK_125);
  // A jump back into the song ends it when it reaches a row already played.
  xmtest::Module jump = songModule({0, 1, 1}, 2, 4);
  put(jump, 1, 0, Cell{0, 0, 0, 0x0B, 0x01}, 1);
  EXPECT_EQ(naturalLength(jump), (4 + 2) * 6 * TICK_125);
}

TEST(NaturalEnd, ARunningPatternLoopIsNoEnd) {
  xmtest::Module module = songModule({0}, 1, 4);
  put(module, 1, 1, Cell{0, 0, 0, 0x0E, 0x60});
  put(module, 2, 1, Cell{0, 0, 0, 0x0E, 0x62});
  // Rows 0 1 2 1 2 1 2 3, then row 0 again.
  EXPECT_EQ(naturalLength(module), 8 * 6 * TICK_125);
}

TEST(NaturalEnd, TicksAreCountedWithTheTempoOfEachTick) {
  xmtest::Module module = songModule({0}, 1, 4);
  put(module, 1, 1, Cell{0, 0, 0, 0x0F, 0x40});  // 64 BPM: 1723 frames per tick
  put(module, 3, 1, Cell{0, 0, 0, 0x0F, 0x03});
  EXPECT_EQ(naturalLength(module), 6 * TICK_125 + 12 * 1723 + 3 * 1723);
}

TEST(NaturalEnd, ASongWithoutRowsEndsAfterOnePassOverItsOrders) {
  const xmtest::Module module = songModule({0, 0, 0}, 1, 0);
  EXPECT_EQ(naturalLength(module), 3 * 6 * TICK_125);
}

TEST(NaturalEnd, TheSearchStopsAtTheLimit) {
  xmtest::SongPtr song = xmtest::loadModule(songModule({0}, 1, 64));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(player::naturalLengthFrames(song.get(), 1, 10000), 10000);
}

TEST(OfflineRender, FindsTheSameEndAsTheDryRunAndLeavesTheSongItsHandler) {
  xmtest::Module module = songModule({0, 1}, 2, 4);
  put(module, 2, 1, Cell{0, 0, 0, 0x0F, 0x50});
  put(module, 3, 0, Cell{0, 0, 0, 0x0E, 0xE1}, 1);
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  const player::TickHandler handler = song->tickHandler;
  for (const int rounds : {1, 2}) {
    const std::int64_t dry =
        player::naturalLengthFrames(song.get(), rounds, player::MAX_NATURAL_FRAMES);
    const Rendered rendered = renderBlocks(song.get(), static_cast<int>(dry / 884 + 2), rounds);
    EXPECT_EQ(rendered.naturalEnd, dry);
  }
  EXPECT_EQ(song->tickHandler, handler);
}

TEST(OfflineRender, TheStreamIsTheBlocksThatRenderBlockWrites) {
  xmtest::Module module = songModule({0}, 1, 16);
  for (int r = 0; r < 16; r += 2)
    put(module, r, 1, Cell{static_cast<std::uint8_t>(40 + r), 1});
  module.instruments[0].samples[0].values.clear();
  for (int i = 0; i < 4000; ++i)
    module.instruments[0].samples[0].values.push_back((i * 7) % 200 - 100);
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  constexpr int BLOCKS = 250;  // more than the ring holds
  const Rendered first = renderBlocks(song.get(), BLOCKS);

  player::prepareOutput(44100);
  ASSERT_TRUE(player::allocateRingBuffers(player::audioOutput));
  player::beginSong(song.get());
  player::audioOutput.song = song.get();
  player::audioOutput.writeBlock = 0;
  const std::size_t values = static_cast<std::size_t>(player::audioOutput.blockFrames) * 2;
  bool equal = true;
  bool sound = false;
  for (int b = 0; b < BLOCKS; ++b) {
    const std::int32_t index = player::audioOutput.writeBlock;
    player::renderBlock();
    const std::int16_t* block = player::audioOutput.waveBuffer + index * values;
    equal = equal && std::memcmp(block, first.pcm.data() + b * values, values * 2) == 0;
    for (std::size_t i = 0; i < values; ++i)
      sound = sound || block[i] != 0;
  }
  player::freeMixBuffers(player::audioOutput);
  player::freeWaveBuffer(player::audioOutput);
  player::audioOutput.song = nullptr;
  EXPECT_TRUE(equal);
  EXPECT_TRUE(sound);

  // A second render in the same process starts from a clean state.
  EXPECT_EQ(renderBlocks(song.get(), BLOCKS).pcm, first.pcm);
}

// Under the sanitizers the mixing runs over the first 20 seconds of each module; the replayer
// alone still runs every module to its natural end.
TEST(OfflineRender, EveryCorpusModuleRendersToItsEnd) {
  const std::vector<std::string> modules = xmtest::corpusModules();
  if (modules.empty()) GTEST_SKIP() << "no corpus";
  for (const std::string& path : modules) {
    xmtest::SongPtr song = xmtest::loadFile(xmtest::readFile(path));
    ASSERT_NE(song, nullptr) << path;
    const std::int64_t frames =
        player::naturalLengthFrames(song.get(), 1, player::MAX_NATURAL_FRAMES);
    EXPECT_GT(frames, 0) << path;
    const std::int64_t mixed = SANITIZED ? std::min<std::int64_t>(frames, 20 * 44100) : frames;
    const Rendered rendered = renderBlocks(song.get(), static_cast<int>(mixed / 884 + 1), 1, false);
    if (mixed == frames) {
      EXPECT_EQ(rendered.naturalEnd, frames) << path;
    }
  }
}

}  // namespace
