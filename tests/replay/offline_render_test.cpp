// Rendering from song start without a device: the natural end, the dry run that finds it, and
// the stream of blocks.
#include "player/offline_render.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/ring_buffers.h"
#include "player/song_start.h"
#include "tests/support/hostile_modules.h"
#include "tests/support/xm_writer.h"

namespace {

using xmtest::Cell;

constexpr std::uint8_t C4 = 49;  // cell note of C-4

// A cell of the pattern that order position 0 names (or of pattern `pattern`).
struct Placed {
  int row, channel;
  Cell cell;
  int pattern = 0;
};

void put(xmtest::Module& module, int r, int c, const Cell& cell, int p = 0) {
  module.patterns.at(static_cast<std::size_t>(p)).set(r, c, cell, module.channels);
}

// A cell holding only an effect.
constexpr Cell fx(std::uint8_t effect, std::uint8_t param) {
  return Cell{0, 0, 0, effect, param};
}

xmtest::Sample& firstSample(xmtest::Module& module) {
  return module.instruments[0].samples[0];
}

// Two channels at speed 6, orders naming patterns of the given row counts, and instrument 1: a
// forward-looping 8-bit sample of 4096 values.
xmtest::Module orderedModule(std::vector<std::uint8_t> orders, const std::vector<int>& rows) {
  xmtest::Module module;
  module.channels = 2;
  xmtest::Instrument instrument = xmtest::simpleInstrument(std::vector<int>(4096, 20));
  instrument.samples[0].loopType = 1;
  instrument.samples[0].loopLength = 4096;
  module.instruments.push_back(instrument);
  module.orders = std::move(orders);
  module.patterns.assign(rows.size(), xmtest::Pattern{});
  for (std::size_t p = 0; p < rows.size(); ++p)
    module.patterns[p].rows = rows[p];
  return module;
}

constexpr std::int64_t TICK_125 = 882;  // frames per tick at 125 BPM

// A module of `orders` over patterns of `rows` rows holding `cells`, with a note playing when
// there are rows.
xmtest::Module songModule(std::vector<std::uint8_t> orders, int patterns, int rows,
                          std::initializer_list<Placed> cells = {}) {
  xmtest::Module module =
      orderedModule(std::move(orders), std::vector<int>(static_cast<std::size_t>(patterns), rows));
  if (rows > 0) put(module, 0, 0, Cell{C4, 1});
  for (const Placed& placed : cells)
    put(module, placed.row, placed.channel, placed.cell, placed.pattern);
  return module;
}

// The blocks that a render of the song produces, and where it found the natural end.
struct Rendered {
  std::vector<std::int16_t> pcm;
  std::int64_t naturalEnd = -1;
};

Rendered renderBlocks(const player::Song* song, int blocks, int rounds = 1, bool keep = true) {
  Rendered out;
  const auto engine = std::make_unique<player::Engine>();
  if (!player::startOfflineRender(*engine, song, rounds)) return out;
  const std::size_t values = static_cast<std::size_t>(player::offlineBlockFrames(*engine)) * 2;
  for (int b = 0; b < blocks; ++b) {
    const std::int16_t* block = player::renderNextBlock(*engine);
    if (keep) out.pcm.insert(out.pcm.end(), block, block + values);
  }
  out.naturalEnd = player::offlineNaturalEnd(*engine);
  player::stopOfflineRender(*engine);
  return out;
}

TEST(NaturalEnd, TheFirstRowTickThatComesBackEndsTheSong) {
  // Two rounds of 131,070 rows: far more rows than a round's marks can list one by one.
  xmtest::Module tall = orderedModule({0, 1}, {65535, 65535});
  tall.speed = 1;
  tall.bpm = 32767;  // 3 frames a tick
  struct Case {
    const char* name;
    xmtest::Module module;
    int rounds;
    std::int64_t limit, frames;
  };
  constexpr std::int64_t MOST = player::MAX_NATURAL_FRAMES;
  const Case cases[] = {
      {"one round", songModule({0}, 1, 4), 1, MOST, 4 * 6 * TICK_125},
      {"three rounds", songModule({0}, 1, 4), 3, MOST, 3 * 4 * 6 * TICK_125},
      {"jump back into the song from order 1",
       songModule({0, 1, 1}, 2, 4, {{1, 0, fx(0x0B, 1), 1}}), 1, MOST, (4 + 2) * 6 * TICK_125},
      {"a running pattern loop is no end: rows 0 1 2 1 2 1 2 3, then row 0 again",
       songModule({0}, 1, 4, {{1, 1, fx(0x0E, 0x60)}, {2, 1, fx(0x0E, 0x62)}}), 1, MOST,
       8 * 6 * TICK_125},
      {"each tick counted at its own tempo, 64 BPM being 1723 frames",
       songModule({0}, 1, 4, {{1, 1, fx(0x0F, 0x40)}, {3, 1, fx(0x0F, 0x03)}}), 1, MOST,
       6 * TICK_125 + 12 * 1723 + 3 * 1723},
      {"no rows: one pass over the orders", songModule({0, 0, 0}, 1, 0), 1, MOST, 3 * 6 * TICK_125},
      {"the search stops at the limit", songModule({0}, 1, 64), 1, 10000, 10000},
      // A jump out of a running loop leaves its count running: the song comes back forever,
      // always inside the loop, and has no end.
      {"a loop count left running",
       songModule({0, 1}, 2, 1,
                  {{0, 0, fx(0x0E, 0x61)}, {0, 1, fx(0x0B, 0x01)}, {0, 0, fx(0x0B, 0x01), 1}}),
       1, MOST, MOST},
      {"32 loop counts come round together after 720,720 passes", xmtest::loopStormModule(8, 1), 1,
       MOST, 720720 * 8 * 3},
      {"rounds of many rows", tall, 2, MOST, 2 * 2 * 65535 * 3},
      // Flows that could stall a render.
      {"speed 0: a tick a row", songModule({0}, 1, 4, {{0, 1, fx(0x0F, 0x00)}}), 1, MOST,
       4 * TICK_125},
      {"a row that jumps to itself", songModule({0}, 1, 4, {{0, 1, fx(0x0B, 0x00)}}), 1, MOST,
       6 * TICK_125},
      // EE5 at speed 0 delays nothing; EE5 at speed 0, then speed 2, delays 2 ticks.
      {"pattern delays counted in the speed of the moment",
       songModule({0}, 1, 2,
                  {{0, 0, fx(0x0F, 0x00)},
                   {0, 1, fx(0x0E, 0xE5)},
                   {1, 0, fx(0x0E, 0xE5)},
                   {1, 1, fx(0x0F, 0x02)}}),
       1, MOST, (1 + 2) * TICK_125},
      {"a break to row 40 of a 4-row pattern: row 0",
       songModule({0, 1}, 2, 4, {{1, 1, fx(0x0D, 0x40)}}), 1, MOST, (2 + 4) * 6 * TICK_125},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    xmtest::SongPtr song = xmtest::loadModule(c.module);
    ASSERT_NE(song, nullptr);
    const std::int64_t frames = player::naturalLengthFrames(song.get(), c.rounds, c.limit);
    EXPECT_EQ(frames, c.frames);
    // Rendered, blocks follow one another, and the replayer reaches the same end.
    if (frames < 200 * 884) {
      EXPECT_EQ(
          renderBlocks(song.get(), static_cast<int>(frames / 884 + 2), c.rounds, false).naturalEnd,
          frames < c.limit ? frames : -1);
    }
  }
}

// The search and the render read the song and change nothing of it: the song, its instruments
// and its samples stay as loaded (a finetune set by E5y included), so a render gives the same
// bytes every time; and the render, which follows the replayer itself, finds the same end as the
// search.
TEST(OfflineRender, FindsTheSameEndAsTheSearchAndBothLeaveTheSongAsLoaded) {
  xmtest::Module module = songModule({0, 1}, 2, 4,
                                     {{2, 1, fx(0x0F, 0x50)},
                                      {3, 0, fx(0x0E, 0xE1), 1},
                                      {1, 0, Cell{C4, 1, 0, 0x0E, 0x57}},
                                      {2, 0, fx(0x0E, 0x60), 1},
                                      {3, 1, fx(0x0E, 0x61), 1}});
  // A sample that sounds different at another pitch, so that a finetune is heard.
  std::vector<int>& values = firstSample(module).values;
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = static_cast<int>(i * 7 % 200) - 100;
  const xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  unsigned char loaded[sizeof(player::Song)], instrument[sizeof(player::Instrument)],
      sample[sizeof(player::Sample)];
  std::memcpy(loaded, song.get(), sizeof loaded);
  std::memcpy(instrument, song->instruments, sizeof instrument);
  std::memcpy(sample, song->instruments[0].samples[0], sizeof sample);
  const auto expectAsLoaded = [&](const char* after) {
    EXPECT_EQ(std::memcmp(loaded, song.get(), sizeof loaded), 0) << "song, after " << after;
    EXPECT_EQ(std::memcmp(instrument, song->instruments, sizeof instrument), 0)
        << "instrument, after " << after;
    EXPECT_EQ(std::memcmp(sample, song->instruments[0].samples[0], sizeof sample), 0)
        << "sample, after " << after;
  };
  std::vector<std::int16_t> first;
  for (const int rounds : {1, 2, 1}) {
    SCOPED_TRACE(rounds);
    const std::int64_t dry =
        player::naturalLengthFrames(song.get(), rounds, player::MAX_NATURAL_FRAMES);
    expectAsLoaded("the search");
    const Rendered rendered = renderBlocks(song.get(), static_cast<int>(dry / 884 + 2), rounds);
    expectAsLoaded("the render");
    EXPECT_EQ(rendered.naturalEnd, dry);
    // Every render plays the song from the same start: the first blocks are the same bytes.
    if (first.empty()) first = rendered.pcm;
    ASSERT_GE(rendered.pcm.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), rendered.pcm.begin()));
  }
}

TEST(OfflineRender, TheStreamIsTheBlocksThatRenderBlockWrites) {
  xmtest::Module module = songModule({0}, 1, 16);
  for (int r = 0; r < 16; r += 2)
    put(module, r, 1, Cell{static_cast<std::uint8_t>(40 + r), 1});
  std::vector<int>& values = module.instruments[0].samples[0].values;
  for (int i = 0; i < 4096; ++i)
    values[i] = (i * 7) % 200 - 100;
  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  constexpr int BLOCKS = 250;  // more than the ring holds
  const Rendered first = renderBlocks(song.get(), BLOCKS);

  const auto engine = std::make_unique<player::Engine>();
  player::AudioOutput& output = engine->output;
  player::prepareOutput(*engine, 44100);
  ASSERT_TRUE(player::allocateRingBuffers(output));
  ASSERT_TRUE(player::beginSong(*engine, song.get()));
  output.song = &engine->playing.song;
  output.writeBlock = 0;
  const std::size_t blockValues = static_cast<std::size_t>(output.blockFrames) * 2;
  std::vector<std::int16_t> ring;
  for (int b = 0; b < BLOCKS; ++b) {
    const std::int16_t* block =
        output.waveBuffer + static_cast<std::size_t>(output.writeBlock) * blockValues;
    player::renderBlock(*engine);
    ring.insert(ring.end(), block, block + blockValues);
  }
  player::endSong(*engine);
  player::freeMixBuffers(output);
  player::freeWaveBuffer(output);
  output.song = nullptr;
  EXPECT_TRUE(ring == first.pcm);
  EXPECT_NE(ring, std::vector<std::int16_t>(ring.size(), 0)) << "the song is heard";

  // A second render in the same process starts from a clean state.
  EXPECT_TRUE(renderBlocks(song.get(), BLOCKS).pcm == first.pcm);
}

}  // namespace
