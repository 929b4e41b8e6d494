// Players of the public API: the engine's own bytes whatever the chunk, the rate or the format;
// ends after N rounds, at a frame limit or never; seeks that give exactly what an uninterrupted
// render gives; a song that writes to itself rendered the same every time; the position at the
// tick; players that outlive their module; mute, volume and gain; and what a module tells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "player/engine.h"
#include "player/numeric.h"
#include "player/offline_render.h"
#include "tests/api/api_modules.h"
#include "tests/support/render_digests.h"

namespace {

using apitest::renderAll;

constexpr std::int64_t ROW = 6 * 882;  // frames of a row of the loud song at 44,100 Hz

// The engine's own offline render of the whole song, cut at its natural end.
std::vector<std::int16_t> engineRender(const xmtest::Module& module, int rounds) {
  xmtest::SongPtr song = xmtest::loadModule(module);
  const std::int64_t frames =
      player::naturalLengthFrames(song.get(), rounds, player::MAX_NATURAL_FRAMES);
  std::vector<std::int16_t> pcm;
  const auto engine = std::make_unique<player::Engine>();
  player::startOfflineRender(*engine, song.get(), rounds);
  while (static_cast<std::int64_t>(pcm.size()) < frames * 2) {
    const std::int16_t* block = player::renderNextBlock(*engine);
    pcm.insert(pcm.end(), block, block + 2 * player::offlineBlockFrames(*engine));
  }
  player::stopOfflineRender(*engine);
  pcm.resize(static_cast<std::size_t>(frames) * 2);
  return pcm;
}

// Two channels with a pattern loop, finetune changes (E5y, which a song writes to its sample
// while it plays), a tempo change and a portamento: a song whose state a seek must rebuild.
xmtest::Module restlessModule() {
  xmtest::Module module;
  module.channels = 2;
  module.speed = 3;
  xmtest::Instrument instrument = xmtest::simpleInstrument({0, 90, 120, 90, 0, -90, -120, -90});
  instrument.samples[0].loopType = 2;  // ping-pong
  instrument.samples[0].loopLength = 8;
  module.instruments.push_back(instrument);
  module.orders = {0, 0};
  xmtest::Pattern& pattern = module.patterns.emplace_back();
  pattern.rows = 16;
  const std::uint8_t C4 = 49;
  pattern.set(0, 0, xmtest::Cell{C4, 1, 0, 0x0E, 0x60}, 2);
  pattern.set(1, 1, xmtest::Cell{C4 + 7, 1, 0, 0x0F, 0x90}, 2);
  pattern.set(2, 0, xmtest::Cell{C4 + 3, 1, 0, 0x0E, 0x57}, 2);
  pattern.set(4, 0, xmtest::Cell{C4, 1, 0, 0x0E, 0x62}, 2);
  pattern.set(6, 1, xmtest::Cell{C4 - 5, 1, 0x30, 0x03, 0x47}, 2);
  pattern.set(9, 0, xmtest::Cell{C4 + 12, 1, 0, 0x0E, 0x5A}, 2);
  return module;
}

// The table's songs give its digests in calls of any size: one frame, a prime, less and more
// than a block (884 frames), many blocks.
TEST(ApiRender, EverySongInCallsOfAnySizeGivesTheTablesDigest) {
  std::size_t song = 0;
  xmtest::expectTableDigests(
      xmtest::digestSongs(), [&](const xmtest::DigestSong& s, std::int64_t frames, auto) {
        static constexpr std::size_t CHUNKS[] = {1, 7, 883, 884, 885, 4096, 1000000};
        const std::size_t chunk = CHUNKS[song++ % std::size(CHUNKS)];
        const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(
            apitest::load(s.file), chunk, 44100, 1, static_cast<std::size_t>(frames));
        return xmtest::digestOf(pcm.data(), std::min<std::size_t>(pcm.size(), 2 * frames));
      });
}

TEST(ApiRender, EndsAfterTheRoundsAtTheFrameLimitOrNever) {
  const xmtest::Module source = apitest::loudModule();
  const jingle::Module module = apitest::load(source);
  for (int rounds : {1, 2, 3}) {
    const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(module, 5000, 44100, rounds);
    EXPECT_EQ(static_cast<std::int64_t>(pcm.size() / 2), rounds * 32 * ROW);
    EXPECT_EQ(module.durationFrames(44100, rounds), rounds * 32 * ROW);
    EXPECT_EQ(pcm, engineRender(source, rounds)) << rounds;
  }
  const std::size_t fourRounds = 4 * 32 * ROW;
  EXPECT_GE(renderAll<std::int16_t>(module, 4000, 44100, JINGLE_ENDLESS, fourRounds).size() / 2,
            fourRounds);
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  ASSERT_EQ(player.setRounds(JINGLE_ENDLESS), JINGLE_OK);
  ASSERT_EQ(player.setFrameLimit(12345), JINGLE_OK);
  EXPECT_EQ(renderAll<float>(player, 1000).size() / 2, 12345u);
  EXPECT_TRUE(player.ended());
  // Rounds changed part-way count from the song's start: two rounds in all.
  std::vector<std::int16_t> pcm(2 * 1000);
  ASSERT_EQ(player.setFrameLimit(-1), JINGLE_OK);
  ASSERT_EQ(player.seekFrame(0), JINGLE_OK);
  ASSERT_EQ(player.render(pcm.data(), 1000), 1000u);
  ASSERT_EQ(player.setRounds(2), JINGLE_OK);
  EXPECT_EQ(renderAll<std::int16_t>(player, 3000).size() / 2, 2 * 32 * ROW - 1000);
}

TEST(ApiRender, FloatFramesAreTheMixBeforeTheClip) {
  const jingle::Module module = apitest::load(apitest::loudModule());
  const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(module, 3000);
  const std::vector<float> mix = renderAll<float>(module, 1001);
  ASSERT_EQ(mix.size(), pcm.size());
  std::size_t clipped = 0;
  for (std::size_t i = 0; i < mix.size(); ++i) {
    std::int32_t value = player::roundToInt32(mix[i] * 32768.0f);
    if (value > 32767 || value < -32768) ++clipped;
    value = std::clamp(value, -32768, 32767);
    ASSERT_EQ(value, pcm[i]) << i;
  }
  EXPECT_GT(clipped, 1000u);  // the test song is loud enough to be clipped
  // The player counts the same, and keeps the mix's peak.
  jingle::Player counting;
  ASSERT_EQ(jingle::Player::create(module, 44100, counting), JINGLE_OK);
  std::vector<std::int16_t> again(pcm.size());
  ASSERT_EQ(counting.render(again.data(), again.size() / 2), again.size() / 2);
  std::uint64_t counted = 0;
  float peak = 0.0f;
  ASSERT_EQ(counting.clipping(counted, peak), JINGLE_OK);
  EXPECT_EQ(counted, clipped);
  EXPECT_EQ(peak, std::fabs(*std::max_element(mix.begin(), mix.end(), [](float a, float b) {
              return std::fabs(a) < std::fabs(b);
            })));
  // The two formats can follow each other in one render.
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  std::int16_t head[2 * 500];
  float tail[2 * 500];
  ASSERT_EQ(player.render(head, 500), 500u);
  ASSERT_EQ(player.render(tail, 500), 500u);
  EXPECT_TRUE(std::equal(head, head + 1000, pcm.begin()));
  EXPECT_TRUE(std::equal(tail, tail + 1000, mix.begin() + 1000));
}

TEST(ApiRender, EveryRateFromEightTo192Kilohertz) {
  const jingle::Module module = apitest::load(apitest::loudModule());
  for (std::int32_t rate : {8000, 11025, 22050, 44100, 48000, 96000, 192000}) {
    const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(module, 2048, rate);
    // 192 ticks of 125 BPM, each a rounded 20 ms of the rate.
    const std::int64_t tick = std::llround(rate * 0.02);
    EXPECT_EQ(static_cast<std::int64_t>(pcm.size() / 2), 192 * tick) << rate;
    EXPECT_EQ(module.durationFrames(rate), 192 * tick) << rate;
    double energy = 0;
    for (std::int16_t value : pcm)
      energy += static_cast<double>(value) * value;
    EXPECT_GT(energy / static_cast<double>(pcm.size()), 1e7) << rate;
  }
}

// Every seek, forward or back, into a block or onto its edge, gives what an uninterrupted render
// gives from there; a song that writes to itself renders the same bytes every time.
TEST(ApiRender, SeeksGiveWhatAnUninterruptedRenderGives) {
  const jingle::Module module = apitest::load(restlessModule());
  for (std::int32_t rate : {44100, 22050}) {
    SCOPED_TRACE(rate);
    const std::vector<std::int16_t> whole = renderAll<std::int16_t>(module, 4096, rate, 3);
    ASSERT_EQ(renderAll<std::int16_t>(module, 999, rate, 3), whole);  // a second time
    ASSERT_GT(whole.size(), 2u * 170000);
    jingle::Player player;
    ASSERT_EQ(jingle::Player::create(module, rate, player), JINGLE_OK);
    ASSERT_EQ(player.setRounds(3), JINGLE_OK);
    const std::int64_t frames = static_cast<std::int64_t>(whole.size() / 2);
    std::vector<std::int16_t> pcm(2 * 3000);
    for (std::int64_t frame :
         {std::int64_t{441}, std::int64_t{883}, std::int64_t{884}, std::int64_t{100001},
          std::int64_t{5000}, std::int64_t{5001}, std::int64_t{4999}, std::int64_t{0},
          frames - 1000, std::int64_t{150000}}) {
      SCOPED_TRACE(frame);
      ASSERT_EQ(player.seekFrame(frame), JINGLE_OK);
      jingle::Position position{};
      ASSERT_EQ(player.position(position), JINGLE_OK);
      EXPECT_EQ(position.frame, frame);
      const std::size_t got = player.render(pcm.data(), 3000);
      ASSERT_EQ(got, static_cast<std::size_t>(std::min<std::int64_t>(3000, frames - frame)));
      EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(2 * got),
                             whole.begin() + 2 * frame));
    }
    ASSERT_EQ(player.seekFrame(frames), JINGLE_OK);
    EXPECT_TRUE(player.ended());
    EXPECT_EQ(player.render(pcm.data(), 10), 0u);
    // The player's own restart leaves the song as loaded: its first frames again.
    ASSERT_EQ(player.seekFrame(0), JINGLE_OK);
    EXPECT_EQ(renderAll<std::int16_t>(player, 777), whole);
  }
}

TEST(ApiRender, PositionAtTheTickOfTheNextFrame) {
  const jingle::Module module = apitest::load(apitest::loudModule());
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  std::vector<std::int16_t> pcm(2 * 16 * ROW);
  struct Step {
    std::int64_t frames;  // rendered before the question
    std::int32_t order, pattern, row;
  } const steps[] = {{0, 0, 0, 0},
                     {3 * ROW - 1, 0, 0, 2},
                     {1, 0, 0, 3},
                     {13 * ROW, 1, 1, 0},
                     {ROW + 882, 1, 1, 1}};
  std::int64_t rendered = 0;
  for (const Step& step : steps) {
    ASSERT_EQ(player.render(pcm.data(), static_cast<std::size_t>(step.frames)),
              static_cast<std::size_t>(step.frames));
    rendered += step.frames;
    jingle::Position position{};
    ASSERT_EQ(player.position(position), JINGLE_OK);
    EXPECT_EQ(position.frame, rendered);
    EXPECT_EQ(position.order, step.order) << rendered;
    EXPECT_EQ(position.pattern, step.pattern) << rendered;
    EXPECT_EQ(position.row, step.row) << rendered;
    EXPECT_EQ(position.speed, 6);
    EXPECT_EQ(position.bpm, 125);
  }
  // Order 1, row 4 is first reached 20 rows in.
  ASSERT_EQ(player.seekOrder(1, 4), JINGLE_OK);
  jingle::Position position{};
  ASSERT_EQ(player.position(position), JINGLE_OK);
  EXPECT_EQ(position.frame, 20 * ROW);
  EXPECT_EQ(position.row, 4);
  EXPECT_GT(position.voices, 0);
}

TEST(ApiRender, APlayerOutlivesItsModule) {
  jingle::Module module = apitest::load(apitest::loudModule());
  const std::vector<std::int16_t> expected = renderAll<std::int16_t>(module, 4096);
  jingle::Player player;
  ASSERT_EQ(jingle::Player::create(module, 44100, player), JINGLE_OK);
  module.reset();
  EXPECT_EQ(renderAll<std::int16_t>(player, 4096), expected);
}

TEST(ApiRender, MuteVolumeAndGain) {
  const jingle::Module module = apitest::load(apitest::loudModule());
  const std::vector<std::int16_t> plain = renderAll<std::int16_t>(module, 4096);
  const auto energyWith = [&](auto&& set) {
    jingle::Player player;
    jingle::Player::create(module, 44100, player);
    set(player);
    const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(player, 4096);
    double energy = 0;
    for (std::int16_t value : pcm)
      energy += static_cast<double>(value) * value;
    return std::make_pair(pcm, energy);
  };
  const auto unit = energyWith([](jingle::Player& p) {
    p.setGain(0);
    for (int c = 0; c < 4; ++c)
      p.setChannelVolume(c, 1.0);
  });
  EXPECT_EQ(unit.first, plain);
  const double full = unit.second;
  EXPECT_EQ(energyWith([](jingle::Player& p) {
              for (int c = 0; c < 4; ++c)
                p.setChannelMute(c, true);
            }).second,
            0.0);
  EXPECT_LT(energyWith([](jingle::Player& p) { p.setGain(-12); }).second, full / 8);
  EXPECT_LT(energyWith([](jingle::Player& p) { p.setChannelVolume(0, 0.0); }).second, full);
}

TEST(ApiModule, FactsNamesAndOrders) {
  xmtest::Module source = apitest::loudModule();
  source.name = "Twenty characters!!!";
  xmtest::Instrument second = xmtest::simpleInstrument({1, 2, 3}, true);
  second.name = "bass   ";  // trailing spaces are dropped
  second.samples[0].name = "low\x01";
  second.samples.push_back(xmtest::sampleOf({}, false));
  source.instruments.push_back(second);
  source.patternCount = 3;
  source.patterns.resize(3);
  source.orders = {1, 0, 1};
  const jingle::Module module = apitest::load(source);
  ASSERT_TRUE(module);
  jingle::ModuleInfo info{};
  ASSERT_EQ(module.info(info), JINGLE_OK);
  EXPECT_STREQ(info.format, "XM");
  EXPECT_STREQ(info.title, "Twenty characters!!!");
  EXPECT_STREQ(info.tracker, "test writer");
  const std::int64_t counts[] = {
      info.channels,      info.orders,      info.restart_order,   info.patterns,
      info.patterns_used, info.instruments, info.samples,         info.linear_frequencies,
      info.speed,         info.bpm,         info.stored_patterns, info.stored_instruments};
  const std::int64_t expected[] = {4, 3, 0, 3, 2, 2, 3, 1, 6, 125, 3, 2};
  EXPECT_TRUE(std::equal(std::begin(counts), std::end(counts), std::begin(expected)));
  // 64 + 8 guard values of the square and 3 + 8 of the 16-bit sample; the empty one has none.
  EXPECT_EQ(info.sample_memory_bytes, (72u + 11u) * 2);
  EXPECT_EQ(module.orderPattern(0), 1);
  EXPECT_EQ(module.orderPattern(3), -1);
  EXPECT_EQ(module.patternRows(2), 64);  // a pattern the file does not hold: 64 empty rows
  EXPECT_EQ(module.patternRows(3), -1);
  EXPECT_STREQ(module.instrumentName(1), "bass");
  EXPECT_EQ(module.instrumentName(2), nullptr);
  const char* const samples[] = {"square wave", "low?", ""};
  for (int s = 0; s < 3; ++s) {
    EXPECT_STREQ(module.sampleName(s), samples[s]);
    EXPECT_EQ(module.sampleInstrument(s), s == 0 ? 0 : 1);
  }
  EXPECT_EQ(module.sampleName(3), nullptr);
  EXPECT_EQ(module.sampleInstrument(3), -1);
}

}  // namespace
