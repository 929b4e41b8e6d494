// Impulse Tracker songs written in memory and played through the common path (format detection,
// loadSong, the shared flow): how long each flow effect makes the song, found alike by the end
// search and by the render's end watch, with a digest of the render; and what the module check
// says of the same file cut short.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/engine.h"
#include "player/load/module_check.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"
#include "player/replay/channel_mute.h"
#include "tests/support/it_writer.h"
#include "tests/support/xm_writer.h"

namespace {

constexpr int S = 19, T = 20, A = 1, B = 2, C = 3, H = 8;  // effect letters

// Four rows at speed 6, tempo 125 (882 frames a tick); an instrument that lets its notes go on
// under the next, and a note on every row of channel 0.
ittest::Module songWith(std::vector<ittest::Cell> effects, std::vector<std::uint8_t> orders) {
  ittest::Module m;
  ittest::Sample s = ittest::sample({0, 9000, 16000, 9000, 0, -9000, -16000, -9000}, true);
  s.flags = 0x10;
  s.loopEnd = 8;
  m.samples = {s};
  ittest::Instrument in;
  in.nna = 1;
  m.instruments = {in};
  m.orders = std::move(orders);
  m.patterns.resize(2);
  for (ittest::Pattern& p : m.patterns) {
    p.rows = 4;
    for (int row = 0; row < 4; ++row)
      p.cells.push_back(ittest::cell(row, 0, 48 + 5 * row, 1));
    for (const ittest::Cell& c : effects)
      p.cells.push_back(c);
    std::stable_sort(p.cells.begin(), p.cells.end(),
                     [](const ittest::Cell& a, const ittest::Cell& b) { return a.row < b.row; });
  }
  return m;
}

std::uint64_t fnv1a(const std::int16_t* values, std::size_t count, std::uint64_t hash) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(values);
  for (std::size_t k = 0; k < count * sizeof(std::int16_t); ++k)
    hash = (hash ^ bytes[k]) * 0x100000001B3ull;
  return hash;
}

ittest::Cell fx(int row, int channel, int letter, int param) {
  return ittest::cell(row, channel, -1, -1, -1, letter, param);
}

struct FlowCase {
  const char* name;
  std::vector<ittest::Cell> effects;
  std::vector<std::uint8_t> orders;
  std::int64_t frames;   // the song's length, worked out by hand from the rows and ticks
  std::uint64_t digest;  // of the render
  std::uint16_t formatVersion = 0x0214;      // 0x0200: written by ModPlug Tracker
  std::int32_t muted = -1, turnedDown = -1;  // channels the listener mutes, sets to volume 0
};

TEST(ItSong, FlowEffectsSetTheLengthThatSearchAndPlayAgreeOn) {
  using ittest::cell;
  const std::vector<std::uint8_t> once{0, 255};
  const FlowCase cases[] = {
      {"four rows", {}, once, 24 * 882, 16710875435748051921u},
      {"a skip marker between two passes", {}, {0, 254, 1, 255}, 48 * 882, 986642905567770489u},
      {"speed 3", {cell(0, 1, -1, -1, -1, A, 3)}, once, 12 * 882, 13596532155237336905u},
      // Rows 0 1 2 1 2 1 2 3.
      {"a pattern loop",
       {cell(1, 1, -1, -1, -1, S, 0xB0), cell(2, 1, -1, -1, -1, S, 0xB2)},
       once,
       48 * 882,
       458442838619600288u},
      // Row 1 plays three times.
      {"a row repeat", {cell(1, 1, -1, -1, -1, S, 0xE2)}, once, 36 * 882, 6346031891930508939u},
      // Two channels' fine delays add up: five ticks more.
      {"fine delays",
       {cell(1, 1, -1, -1, -1, S, 0x63), cell(1, 2, -1, -1, -1, S, 0x62)},
       once,
       29 * 882,
       9460097686524342143u},
      // Tempo 125 up by 10 a tick: ticks of 882, 816, 760, 711, 668, then 630 frames at 175.
      {"a tempo slide",
       {cell(0, 1, -1, -1, -1, T, 0x1A)},
       once,
       882 + 816 + 760 + 711 + 668 + 19 * 630,
       13181934901653990230u},
      // Rows 0 and 1, then rows 2 and 3 of the next pattern: the notes of "four rows", and so
      // its digest.
      {"a break", {cell(1, 1, -1, -1, -1, C, 2)}, {0, 1, 255}, 24 * 882, 16710875435748051921u},
      // A jump after the break goes to the break's row: the same rows as "a break".
      {"C, then B", {fx(1, 1, C, 2), fx(1, 2, B, 1)}, {0, 1, 255}, 24 * 882, 16710875435748051921u},
      // T00 slides on as T1A did: ticks of 882 816 760 711 668 630, 630 595 565 537 512 490,
      // then 12 of 490.
      {"T1A, then T00", {fx(0, 1, T, 0x1A), fx(1, 1, T, 0)}, once, 13676, 303358755657444609u},
      // Of two row repeats (in channels 41 and 42) the first counts; the fine delay comes
      // with each of the three plays of row 1.
      {"S62 SE2 SE5",
       {fx(1, 1, S, 0x62), fx(1, 40, S, 0xE2), fx(1, 41, S, 0xE5)},
       once,
       42 * 882,
       9927249688077313241u},
      // A note in channel 1 swinging nearly a semitone either way, as the peers have it.
      {"H2F",
       {cell(0, 1, 60, 1, -1, H, 0x2F), fx(1, 1, H, 0), fx(2, 1, H, 0)},
       once,
       24 * 882,
       2416471667441061774u},
      // The notes of "four rows" on the period table's semitones.
      {"a ModPlug Tracker file", {}, once, 24 * 882, 17727661214451930049u, 0x0200},
      // A note in channel 41 that the listener mutes or turns down: the render of "four rows".
      {"muted", {cell(0, 40, 60, 1)}, once, 24 * 882, 16710875435748051921u, 0x0214, 40},
      {"at volume 0", {cell(0, 40, 60, 1)}, once, 24 * 882, 16710875435748051921u, 0x0214, -1, 40},
  };
  for (const FlowCase& c : cases) {
    SCOPED_TRACE(c.name);
    ittest::Module module = songWith(c.effects, c.orders);
    module.formatVersion = c.formatVersion;
    const xmtest::ImagePtr image = xmtest::makeImage(ittest::writeIt(module));
    const xmtest::SongPtr song(player::loadSong(image.get(), nullptr));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(player::naturalLengthFrames(song.get(), 1, player::MAX_NATURAL_FRAMES), c.frames);
    const auto engine = std::make_unique<player::Engine>();
    if (c.muted >= 0) player::setChannelBit(engine->mutedChannels, c.muted, true);
    if (c.turnedDown >= 0) player::setChannelBit(engine->scaledChannels, c.turnedDown, true);
    ASSERT_TRUE(player::startOfflineRender(*engine, song.get(), 1));
    std::uint64_t digest = 0xCBF29CE484222325ull;
    for (int block = 0; block < 200 && player::offlineNaturalEnd(*engine) < 0; ++block) {
      const std::int16_t* frames = player::renderNextBlock(*engine);
      digest =
          fnv1a(frames, 2 * static_cast<std::size_t>(player::offlineBlockFrames(*engine)), digest);
    }
    EXPECT_EQ(player::offlineNaturalEnd(*engine), c.frames);
    player::stopOfflineRender(*engine);
    EXPECT_EQ(digest, c.digest) << std::hex << digest;
  }
}

TEST(ItSong, TheCheckJudgesACutFileByWhatRemainsPlayable) {
  const std::vector<std::uint8_t> whole = ittest::writeIt(songWith({}, {0, 255}));
  const auto check = [&](std::size_t bytes) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + bytes);
    return player::checkModule(xmtest::makeImage(cut).get());
  };
  const player::ModuleCheck full = check(whole.size());
  EXPECT_EQ(full.fault, player::ModuleFault::NONE);
  EXPECT_EQ(full.format, player::ModuleFormat::IT);
  EXPECT_FALSE(player::moduleDamaged(full.damage));
  EXPECT_EQ(full.damage.patternsWithNotes, 1u);
  EXPECT_EQ(full.damage.samplesWithData, 1u);
  // The sample's data is last in the file: without its end the song still plays.
  const player::ModuleCheck shortSample = check(whole.size() - 4);
  EXPECT_TRUE(player::moduleDamaged(shortSample.damage));
  EXPECT_EQ(shortSample.damage.samplesMissing, 1u);
  EXPECT_FALSE(player::nothingPlayableRemains(shortSample.damage));
  // Without the sample's data nothing can sound.
  const player::ModuleCheck noSample = check(whole.size() - 16);
  EXPECT_TRUE(player::nothingPlayableRemains(noSample.damage));
}

}  // namespace
