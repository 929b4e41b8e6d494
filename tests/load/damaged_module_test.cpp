// Real modules, cut-off copies of them and damaged copies: every one either loads
// into a song the replayer can play safely or is refused, the check names a reason exactly when
// the loader refuses, and nothing reads or writes outside its memory (run under the sanitizers).
// Arbitrary bytes are the fuzz targets' job.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "player/load/module_check.h"
#include "player/load/xm_loader.h"
#include "player/replay/channel.h"
#include "tests/support/xm_writer.h"

namespace {

using player::Instrument;
using player::Sample;
using player::Song;

// Fails the enclosing check with a message when a condition does not hold.
#define REQUIRE(condition, message)                                    \
  do {                                                                 \
    if (!(condition)) return ::testing::AssertionFailure() << message; \
  } while (false)

::testing::AssertionResult envelopeBounded(const player::EnvelopePoint* points, unsigned count,
                                           unsigned sustain, unsigned loopStart, unsigned loopEnd,
                                           unsigned flags) {
  REQUIRE(count <= 12, count << " envelope points");
  REQUIRE(count >= 2 || flags == 0, "flags with < 2 points");
  REQUIRE((flags & player::ENVELOPE_SUSTAIN) == 0 || sustain < count, "sustain " << sustain);
  REQUIRE((flags & player::ENVELOPE_LOOP) == 0 || (loopStart < count && loopEnd < count),
          "loop " << loopStart << ".." << loopEnd << " of " << count);
  for (int k = 0; k < 12; ++k)
    REQUIRE(points[k].y <= 64, "envelope value " << points[k].y);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult samplePlayable(const Sample& s) {
  REQUIRE(s.loopMode == player::LOOP_OFF || s.loopMode == player::LOOP_FORWARD ||
              s.loopMode == player::LOOP_PINGPONG,
          "loop mode " << int{s.loopMode});
  REQUIRE(static_cast<std::uint64_t>(s.loopStart) + s.loopLength <= s.length,
          "loop " << s.loopStart << "+" << s.loopLength << " past length " << s.length);
  REQUIRE(s.loopMode != player::LOOP_OFF || (s.loopStart == 0 && s.loopLength == s.length),
          "sample without loop does not cover its length");
  REQUIRE(s.loopMode == player::LOOP_OFF || s.loopLength != 0, "empty loop");
  REQUIRE((s.data == nullptr) == (s.length == 0), "data");
  if (s.data != nullptr) {
    REQUIRE(s.bits == 16, "bits " << int{s.bits});
    // Touches the last guard value: the sanitizer reports a buffer shorter than length + 8.
    volatile std::int16_t last = s.data[s.length + player::SAMPLE_GUARD_VALUES - 1];
    (void)last;
  }
  return ::testing::AssertionSuccess();
}

// What the replayer and mixer rely on in every loaded song.
::testing::AssertionResult playable(const Song& song) {
  REQUIRE(song.songLength <= 256, "song length " << song.songLength);
  REQUIRE(song.restartPosition == 0 ||
              (song.restartPosition > 0 && song.restartPosition < song.songLength),
          "restart position " << song.restartPosition);
  REQUIRE(song.channelCount <= player::MAX_CHANNELS, "channels");
  REQUIRE(song.defaultBpm >= 1, "bpm " << song.defaultBpm);
  REQUIRE(song.patternSlotCount >= song.usedPatternCount && song.patternSlotCount <= 256,
          "pattern slots " << song.patternSlotCount);
  for (int i = 0; i < song.songLength; ++i)
    REQUIRE(song.orderTable[i] < song.patternSlotCount, "order " << i);
  for (int p = 0; p < song.patternSlotCount; ++p) {
    const player::Pattern& pattern = song.patterns[p];
    const std::int64_t cells =
        static_cast<std::int64_t>(pattern.rows) * std::max<int>(song.channelCount, 0);
    REQUIRE((pattern.cells == nullptr) == (cells == 0), "cells of pattern " << p);
    if (cells > 0) {
      volatile std::uint8_t last = pattern.cells[cells - 1].param;
      (void)last;
    }
  }
  REQUIRE(song.instrumentCount <= 0 || song.instruments != nullptr, "instruments");
  for (int i = 0; i < song.instrumentCount; ++i) {
    const Instrument& in = song.instruments[i];
    REQUIRE(in.sampleCount >= 0 && in.sampleCount <= 16, "samples");
    for (int j = 0; j < 16; ++j) {
      REQUIRE(in.samples[j] != nullptr, "null sample slot");
      REQUIRE(j < in.sampleCount || in.samples[j] == &player::EmptySample, "slot past the samples");
      if (j < in.sampleCount) {
        ::testing::AssertionResult sample = samplePlayable(*in.samples[j]);
        if (!sample) return sample << " (instrument " << i << ", sample " << j << ")";
      }
    }
    ::testing::AssertionResult volume =
        envelopeBounded(in.volumeEnvelope, in.volumePointCount, in.volumeSustainPoint,
                        in.volumeLoopStart, in.volumeLoopEnd, in.volumeEnvelopeFlags);
    if (!volume) return volume;
    ::testing::AssertionResult panning =
        envelopeBounded(in.panningEnvelope, in.panningPointCount, in.panningSustainPoint,
                        in.panningLoopStart, in.panningLoopEnd, in.panningEnvelopeFlags);
    if (!panning) return panning;
  }
  return ::testing::AssertionSuccess();
}

// Loads the bytes, checks the song or the refusal, and says whether it loaded.
bool loadAndVerify(const std::vector<std::uint8_t>& file, const std::string& what) {
  const xmtest::ImagePtr image = xmtest::makeImage(file);
  const player::ModuleCheck check = player::checkModule(image.get());
  xmtest::SongPtr song(player::loadSong(image.get(), nullptr));
  EXPECT_EQ(song == nullptr, check.fault != player::ModuleFault::NONE)
      << what << ": fault " << static_cast<int>(check.fault);
  if (song != nullptr) {
    EXPECT_TRUE(playable(*song)) << what;
  }
  return song != nullptr;
}

TEST(CorpusModules, WholeCutOffAndDamagedCopiesLoadOrAreRefusedSafely) {
  const std::vector<std::string> paths = xmtest::corpusModules();
  if (paths.empty()) GTEST_SKIP() << "no corpus modules";
  std::mt19937 random(20240601);
  for (std::size_t f = 0; f < paths.size(); ++f) {
    const std::vector<std::uint8_t> file = xmtest::readFile(paths[f]);
    // The whole file, dense cuts through the song header and the first patterns, then 200 over
    // the whole file, skewed towards the start, where headers lie closer together and loads
    // cost less.
    std::vector<std::size_t> cuts{file.size()};
    for (std::size_t cut = 0; cut < std::min<std::size_t>(file.size(), 400); cut += 7)
      cuts.push_back(cut);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int k = 0; k < 200; ++k) {
      const double u = unit(random);
      cuts.push_back(static_cast<std::size_t>(u * u * static_cast<double>(file.size())));
    }
    for (std::size_t cut : cuts) {
      const std::string what = "file " + std::to_string(f) + " cut at " + std::to_string(cut);
      const bool loaded = loadAndVerify({file.begin(), file.begin() + std::ptrdiff_t(cut)}, what);
      // Missing bytes read as 0, which a real module's header turns into nothing unplayable.
      EXPECT_EQ(loaded, cut >= 17) << what;
    }
    for (int copy = 0; copy < 6; ++copy) {
      std::vector<std::uint8_t> damaged = file;
      // Bytes changed anywhere past the signature, most of them in the headers and patterns.
      for (int k = 0; k < 8; ++k) {
        const std::size_t span =
            k < 5 ? std::min<std::size_t>(damaged.size(), 4096) : damaged.size();
        damaged[17 + random() % (span - 17)] = static_cast<std::uint8_t>(random());
      }
      loadAndVerify(damaged, "file " + std::to_string(f) + " copy " + std::to_string(copy));
    }
  }
}

}  // namespace
