// Where ProTracker and Scream Tracker 3 play an effect otherwise than FastTracker 2: tiny MOD and
// S3M modules played tick by tick, a field of channel 0 (or of the song) after each tick.
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/replay/tick_driver.h"
#include "player/song_start.h"
#include "tests/support/mod_s3m_writer.h"
#include "tests/support/xm_writer.h"

namespace {

using Field = std::function<std::int32_t(const player::Song&, const player::Channel&)>;
using Values = std::vector<std::int32_t>;

Values play(const std::vector<std::uint8_t>& file, const Field& field, int ticks) {
  const xmtest::SongPtr loaded = xmtest::loadFile(file);
  auto engine = std::make_unique<player::Engine>();
  player::prepareOutput(*engine, 44100);
  Values values;
  if (loaded == nullptr || !player::beginSong(*engine, loaded.get())) return values;
  for (int t = 0; t < ticks; ++t) {
    player::runTick(*engine, &engine->playing.song);
    values.push_back(field(engine->playing.song, engine->channelTable[0]));
  }
  player::endSong(*engine);
  return values;
}

const Field heardPeriod = [](const player::Song&, const player::Channel& c) {
  return c.period + c.periodDelta;
};
const Field periodIn256ths = [](const player::Song&, const player::Channel& c) {
  return (c.period + c.periodDelta) * 256 + c.periodFraction + c.periodDeltaFraction;
};
const Field volume = [](const player::Song&, const player::Channel& c) { return c.volume; };
const Field position = [](const player::Song&, const player::Channel& c) {
  return static_cast<std::int32_t>(c.voice->position);
};
const Field speedAndTempo = [](const player::Song& s, const player::Channel&) {
  return s.speed * 1000 + s.bpm;
};

// A 4-channel M.K. module with one sample of 256 values looping from 64 and the cells.
std::vector<std::uint8_t> mod(std::initializer_list<std::pair<int, modtest::Cell>> rows,
                              std::initializer_list<std::pair<int, modtest::Cell>> second = {}) {
  modtest::Module module;
  modtest::Sample sample;
  sample.values.assign(256, 40);
  sample.loopStart = 64;
  sample.loopLength = 64;
  module.samples = {sample};
  for (const auto& [row, cell] : rows)
    modtest::put(module, 0, row, 0, cell);
  for (const auto& [row, cell] : second)
    modtest::put(module, 0, row, 1, cell);
  return modtest::writeMod(module);
}

// A module of Scream Tracker 3.20 (or the tracker given) with one sample, header flags and the
// cells of channel 0.
std::vector<std::uint8_t> s3m(std::uint16_t flags,
                              std::initializer_list<std::pair<int, s3mtest::Cell>> rows,
                              std::uint16_t tracker = 0x1320) {
  s3mtest::Module module;
  module.flags = flags;
  module.tracker = tracker;
  s3mtest::Sample sample;
  sample.values.assign(256, 4000);
  sample.loopEnd = 256;
  module.samples = {sample};
  for (const auto& [row, cell] : rows)
    module.cells.push_back({0, row, 0, cell});
  return s3mtest::writeS3m(module);
}

constexpr std::uint8_t C4 = 0x40, C5 = 0x50, NOTE_OFF = 254;
constexpr std::uint8_t D = 4, E = 5, F = 6, G = 7, H = 8, J = 10;
constexpr std::uint16_t IMPULSE_TRACKER_213 = 0x3213;

TEST(TrackerRules, ProTrackerAndScreamTrackerEffects) {
  struct Case {
    const char* rule;
    std::vector<std::uint8_t> file;
    Field field;
    Values values;
  } const cases[] = {
      {"MOD vibrato: none on the row tick, the pitch falls first",
       mod({{0, {428, 1, 4, 0x48}}}),
       heardPeriod,
       {1712, 1712, 1736, 1756, 1768, 1776, 1712, 1712, 1712, 1712, 1712, 1712, 1712}},
      {"MOD 1xx without a parameter keeps nothing from the row before",
       mod({{0, {428, 1, 1, 0x02}}, {1, {0, 0, 1, 0x00}}}),
       heardPeriod,
       {1712, 1704, 1696, 1688, 1680, 1672, 1672, 1672, 1672, 1672, 1672, 1672, 1672}},
      {"MOD Fxx: speed below 32, tempo from 32, taken at the next tick",
       mod({{0, {0, 0, 0xF, 0x03}}}, {{0, {0, 0, 0xF, 0x40}}}),
       speedAndTempo,
       {3125, 3064, 3064}},
      {"MOD 9xx past the sample's end starts its loop",
       mod({{0, {428, 1, 9, 0x02}}}),
       position,
       {64}},
      {"MOD pattern delay: the row plays again, its fine slide with it",
       mod({{0, {428, 1, 0xE, 0xB4}}}, {{0, {0, 0, 0xE, 0xE1}}}),
       volume,
       {60, 60, 60, 60, 60, 60, 56, 56, 56, 56, 56, 56, 56}},
      {"S3M shared memory: F00 slides by E's last step",
       s3m(0, {{0, {C4, 1, 255, E, 0x04}}, {1, {255, 0, 255, F, 0x00}}}),
       heardPeriod,
       {1712, 1728, 1744, 1760, 1776, 1792, 1792, 1776, 1760, 1744, 1728, 1712, 1712}},
      {"S3M fast volume slides: D also slides on the row tick",
       s3m(0x40, {{0, {C4, 1, 32, D, 0x20}}}),
       volume,
       {34, 36, 38, 40, 42, 44, 44, 44, 44, 44, 44, 44, 44}},
      {"S3M note off cuts the note",
       s3m(0, {{0, {C4, 1, 255, 0, 0}}, {1, {NOTE_OFF, 0, 255, 0, 0}}}),
       volume,
       {64, 64, 64, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0}},
      {"S3M Amiga limits: a portamento up stops at B-5",
       s3m(0x10, {{0, {C5, 1, 255, F, 0x20}}}),
       heardPeriod,
       {856, 728, 600, 472, 453, 453, 453, 453, 453, 453, 453, 453, 453}},
      {"S3M old vibrato: twice as deep",
       s3m(0x01, {{0, {C4, 1, 255, H, 0x48}}}),
       heardPeriod,
       {1712, 1712, 1761, 1802, 1830, 1840, 1712, 1712, 1712, 1712, 1712, 1712, 1712}},
      {"S3M vibrato runs on through a tone portamento's note and instrument",
       s3m(0, {{0, {C4, 1, 255, H, 0x48}}, {1, {C4, 1, 255, G, 0xFF}}, {2, {255, 0, 255, H, 0}}}),
       heardPeriod,
       {1712, 1712, 1736, 1757, 1771, 1776, 1712, 1712, 1712, 1712, 1712, 1712, 1771, 1771}},
      {"S3M from Impulse Tracker: arpeggio at the notes' exact rates",
       s3m(0, {{0, {C4, 1, 255, J, 0x47}}}, IMPULSE_TRACKER_213),
       periodIn256ths,
       {438272, 347857, 292511}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(play(c.file, c.field, static_cast<int>(c.values.size())), c.values);
  }
}

}  // namespace
