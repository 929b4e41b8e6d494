// Pull rendering through the public API: the same bytes as the player's own block rendering,
// whatever the chunk size; float frames that are the mix before the clip; every rate from
// 8,000 to 192,000 Hz; and the song ending exactly where its natural end (or Nth round) lies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "jingle/jingle.h"
#include "player/engine.h"
#include "player/numeric.h"
#include "player/offline_render.h"
#include "tests/api/api_modules.h"

namespace {

using apitest::renderAll;

// The player's own render of the whole song: its blocks, cut at the natural end.
std::vector<std::int16_t> playerRender(const xmtest::Module& module, int rounds) {
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

TEST(PullRender, AnyChunkSizeGivesThePlayersOwnBytes) {
  const xmtest::Module source = apitest::loudModule();
  const std::vector<std::int16_t> expected = playerRender(source, 1);
  ASSERT_GT(expected.size(), 100000u);
  apitest::ModulePtr module = apitest::load(source);
  // One frame, a prime, less and more than a block (884 frames), many blocks, all at once.
  for (std::size_t chunk : {1u, 7u, 883u, 884u, 885u, 4096u, 100000u, 1000000u}) {
    EXPECT_EQ(renderAll<std::int16_t>(module.get(), {}, chunk), expected) << chunk;
  }
}

TEST(PullRender, LoopControlEndsAtTheNaturalEndOrTheNthRound) {
  const xmtest::Module source = apitest::loudModule();
  apitest::ModulePtr module = apitest::load(source);
  // Orders 0 1, then back to 0: 32 rows of 6 ticks of 882 frames.
  for (int rounds : {1, 2, 3}) {
    const std::vector<std::int16_t> pcm =
        renderAll<std::int16_t>(module.get(), {44100, rounds}, 5000);
    EXPECT_EQ(pcm.size() / 2, static_cast<std::size_t>(rounds) * 32 * 6 * 882);
    EXPECT_EQ(pcm, playerRender(source, rounds)) << rounds;
  }
  // Endless: four rounds and on, every call handing out a full buffer.
  const std::size_t fourRounds = 4 * 32 * 6 * 882;
  const std::vector<std::int16_t> endless =
      renderAll<std::int16_t>(module.get(), {44100, jingle::ENDLESS}, 4000, fourRounds);
  EXPECT_GE(endless.size() / 2, fourRounds);
}

TEST(PullRender, EndAndPositionAsTheSongGoes) {
  apitest::ModulePtr module = apitest::load(apitest::loudModule());
  ASSERT_EQ(jingle::startRender(module.get()), jingle::Status::OK);
  std::vector<std::int16_t> pcm(2 * 44100);
  jingle::Position position{};
  // 3 rows of 6 ticks of 882 frames into order 0, the block holding it is 15,912..16,796.
  ASSERT_EQ(jingle::renderFrames(pcm.data(), 16000), 16000u);
  ASSERT_EQ(jingle::renderPosition(&position), jingle::Status::OK);
  EXPECT_EQ(position.order, 0);
  EXPECT_EQ(position.row, 3);
  EXPECT_EQ(position.timeMs, 362);  // 16,000 frames
  std::size_t total = 16000;
  while (const std::size_t got = jingle::renderFrames(pcm.data(), 44100))
    total += got;
  EXPECT_EQ(total, 32u * 6 * 882);
  EXPECT_TRUE(jingle::renderFinished());
  EXPECT_EQ(jingle::renderFrames(pcm.data(), 10), 0u);
  EXPECT_EQ(jingle::renderedFrames(), 32 * 6 * 882);
  EXPECT_EQ(jingle::stopRender(), jingle::Status::OK);
}

TEST(PullRender, FloatFramesAreTheMixBeforeTheClip) {
  apitest::ModulePtr module = apitest::load(apitest::loudModule());
  const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(module.get(), {}, 3000);
  const std::vector<float> mix = renderAll<float>(module.get(), {}, 1001);
  ASSERT_EQ(mix.size(), pcm.size());
  std::size_t clipped = 0;
  for (std::size_t i = 0; i < mix.size(); ++i) {
    const float scaled = mix[i] * 32768.0f;
    std::int32_t value = player::roundToInt32(scaled);
    if (value > 32767 || value < -32768) ++clipped;
    value = value > 32767 ? 32767 : (value < -32768 ? -32768 : value);
    ASSERT_EQ(value, pcm[i]) << i;
  }
  EXPECT_GT(clipped, 1000u);  // the test song is loud enough to be clipped
  // The two formats can follow each other in one render.
  ASSERT_EQ(jingle::startRender(module.get()), jingle::Status::OK);
  std::int16_t head[2 * 500];
  float tail[2 * 500];
  ASSERT_EQ(jingle::renderFrames(head, 500), 500u);
  ASSERT_EQ(jingle::renderFrames(tail, 500), 500u);
  jingle::stopRender();
  EXPECT_TRUE(std::equal(head, head + 1000, pcm.begin()));
  EXPECT_TRUE(std::equal(tail, tail + 1000, mix.begin() + 1000));
}

TEST(PullRender, EveryRateFromEightTo192Kilohertz) {
  apitest::ModulePtr module = apitest::load(apitest::loudModule());
  for (std::int32_t rate : {8000, 11025, 22050, 32000, 44100, 48000, 96000, 192000}) {
    const std::vector<std::int16_t> pcm = renderAll<std::int16_t>(module.get(), {rate, 1}, 2048);
    // 192 ticks of 125 BPM, each a rounded 20 ms of the rate.
    const std::int64_t tick = std::llround(rate * 0.02);
    EXPECT_EQ(static_cast<std::int64_t>(pcm.size() / 2), 192 * tick) << rate;
    // Sound, at about the song's level, at every rate.
    double energy = 0;
    for (std::int16_t value : pcm)
      energy += static_cast<double>(value) * value;
    EXPECT_GT(energy / static_cast<double>(pcm.size()), 1e7) << rate;
  }
}

}  // namespace
