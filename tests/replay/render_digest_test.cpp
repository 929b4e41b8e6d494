// The offline render of every song of the table, on each mixer path this processor runs and in
// every interpolation, gives the table's digests; the search finds the table's natural length,
// and a render to the end finds it too.
#include <gtest/gtest.h>

#include <memory>

#include "player/engine.h"
#include "player/mixer/mix_path.h"
#include "player/offline_render.h"
#include "tests/support/render_digests.h"
#include "tests/support/xm_writer.h"

namespace {

using xmtest::DigestSong;

std::uint64_t offlineDigest(const DigestSong& song, std::int64_t frames,
                            player::Interpolation interpolation) {
  const xmtest::SongPtr loaded = xmtest::loadFile(song.file);
  if (loaded == nullptr) return 0;
  const auto engine = std::make_unique<player::Engine>();
  engine->interpolation = interpolation;
  if (!player::startOfflineRender(*engine, loaded.get(), 1)) return 0;
  std::uint64_t hash = xmtest::digestOf(nullptr, 0);
  const std::int64_t block = player::offlineBlockFrames(*engine);
  for (std::int64_t done = 0; done < frames; done += block) {
    const std::int16_t* values = player::renderNextBlock(*engine);
    hash = xmtest::digestOf(values, static_cast<std::size_t>(std::min(block, frames - done)) * 2,
                            hash);
  }
  player::stopOfflineRender(*engine);
  return hash;
}

class MixPathDigests : public testing::TestWithParam<player::MixPath> {};

TEST_P(MixPathDigests, EverySongGivesTheTablesDigestInEveryInterpolation) {
  const player::MixPath active = player::activeMixPath();
  if (!player::selectMixPath(GetParam())) GTEST_SKIP() << "not on this processor";
  xmtest::expectTableDigests(
      xmtest::digestSongs(), offlineDigest,
      {std::begin(player::ALL_INTERPOLATIONS), std::end(player::ALL_INTERPOLATIONS)});
  ASSERT_TRUE(player::selectMixPath(active));
}

INSTANTIATE_TEST_SUITE_P(Paths, MixPathDigests, testing::ValuesIn(player::ALL_MIX_PATHS),
                         [](const auto& info) { return player::mixPathName(info.param); });

TEST(RenderDigests, TheSearchAndTheRenderFindTheTablesNaturalEnd) {
  for (const DigestSong& song : xmtest::digestSongs()) {
    SCOPED_TRACE(song.name);
    const xmtest::Digest* expected = xmtest::expectedDigest(song.name);
    ASSERT_NE(expected, nullptr);
    const xmtest::SongPtr loaded = xmtest::loadFile(song.file);
    const std::int64_t frames =
        player::naturalLengthFrames(loaded.get(), 1, player::MAX_NATURAL_FRAMES);
    EXPECT_EQ(frames,
              expected->naturalFrames < 0 ? player::MAX_NATURAL_FRAMES : expected->naturalFrames);
    // The render to the end, for all but the 32-channel song that ends after six minutes.
    if (expected->naturalFrames < 0 || song.name == "loop-storm") continue;
    const auto engine = std::make_unique<player::Engine>();
    ASSERT_TRUE(player::startOfflineRender(*engine, loaded.get(), 1));
    for (std::int64_t done = 0; done <= frames; done += player::offlineBlockFrames(*engine))
      player::renderNextBlock(*engine);
    EXPECT_EQ(player::offlineNaturalEnd(*engine), frames);
    player::stopOfflineRender(*engine);
  }
}

TEST(MixPath, PlainIsAlwaysThereAndTheFastestRunnablePathIsActive) {
  EXPECT_TRUE(player::mixPathAvailable(player::MixPath::PLAIN));
  player::MixPath fastest = player::MixPath::PLAIN;
  for (const player::MixPath path : player::ALL_MIX_PATHS) {
    if (player::mixPathAvailable(path)) fastest = path;
  }
  if (std::getenv("JINGLE_MIX_PATH") == nullptr) {
    EXPECT_EQ(player::activeMixPath(), fastest);
  }
  const player::MixPath active = player::activeMixPath();
  for (const player::MixPath path : player::ALL_MIX_PATHS) {
    EXPECT_EQ(player::selectMixPath(path), player::mixPathAvailable(path));
  }
  ASSERT_TRUE(player::selectMixPath(active));
}

}  // namespace
