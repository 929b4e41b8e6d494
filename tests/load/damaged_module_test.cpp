// Real modules, cut-off copies of them, damaged copies and random bytes: every one either loads
// into a song the replayer can play safely or is refused, the check names a reason exactly when
// the loader refuses, and nothing reads or writes outside its memory (run under the sanitizers).
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

unsigned fileU16(const std::vector<std::uint8_t>& file, std::size_t offset) {
  return file[offset] | file[offset + 1] << 8;
}

::testing::AssertionResult envelopeBounded(const player::EnvelopePoint* points, unsigned count,
                                           unsigned sustain, unsigned loopStart, unsigned loopEnd,
                                           unsigned flags) {
  if (count > 12) return ::testing::AssertionFailure() << count << " envelope points";
  if (count < 2 && flags != 0) return ::testing::AssertionFailure() << "flags with < 2 points";
  if ((flags & player::ENVELOPE_SUSTAIN) != 0 && sustain >= count) {
    return ::testing::AssertionFailure() << "sustain point " << sustain << " of " << count;
  }
  if ((flags & player::ENVELOPE_LOOP) != 0 && (loopStart >= count || loopEnd >= count)) {
    return ::testing::AssertionFailure()
           << "loop " << loopStart << ".." << loopEnd << " of " << count;
  }
  for (int k = 0; k < 12; ++k) {
    if (points[k].y > 64) return ::testing::AssertionFailure() << "envelope value " << points[k].y;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult samplePlayable(const Sample& s) {
  if (s.loopMode != player::LOOP_OFF && s.loopMode != player::LOOP_FORWARD &&
      s.loopMode != player::LOOP_PINGPONG) {
    return ::testing::AssertionFailure() << "loop mode " << int{s.loopMode};
  }
  if (static_cast<std::uint64_t>(s.loopStart) + s.loopLength > s.length) {
    return ::testing::AssertionFailure()
           << "loop " << s.loopStart << "+" << s.loopLength << " past length " << s.length;
  }
  if (s.loopMode == player::LOOP_OFF && (s.loopStart != 0 || s.loopLength != s.length)) {
    return ::testing::AssertionFailure() << "sample without loop does not cover its length";
  }
  if (s.loopMode != player::LOOP_OFF && s.loopLength == 0) {
    return ::testing::AssertionFailure() << "empty loop";
  }
  if ((s.data == nullptr) != (s.length == 0)) return ::testing::AssertionFailure() << "data";
  if (s.data != nullptr) {
    if (s.bits != 16) return ::testing::AssertionFailure() << "bits " << int{s.bits};
    // Touches the last guard value: the sanitizer reports a buffer shorter than length + 8.
    volatile std::int16_t last = s.data[s.length + player::SAMPLE_GUARD_VALUES - 1];
    (void)last;
  }
  return ::testing::AssertionSuccess();
}

// What the replayer and mixer rely on in every loaded song.
::testing::AssertionResult playable(const Song& song) {
  if (song.songLength > 256)
    return ::testing::AssertionFailure() << "song length " << song.songLength;
  if (song.restartPosition != 0 &&
      (song.restartPosition < 0 || song.restartPosition >= song.songLength)) {
    return ::testing::AssertionFailure() << "restart position " << song.restartPosition;
  }
  if (song.channelCount > player::MAX_CHANNELS) return ::testing::AssertionFailure() << "channels";
  if (song.defaultBpm < 1) return ::testing::AssertionFailure() << "bpm " << song.defaultBpm;
  if (song.patternSlotCount < song.usedPatternCount || song.patternSlotCount > 256) {
    return ::testing::AssertionFailure() << "pattern slots " << song.patternSlotCount;
  }
  for (int i = 0; i < song.songLength; ++i) {
    if (song.orderTable[i] >= song.patternSlotCount)
      return ::testing::AssertionFailure() << "order";
  }
  for (int p = 0; p < song.patternSlotCount; ++p) {
    const player::Pattern& pattern = song.patterns[p];
    const std::int64_t cells =
        static_cast<std::int64_t>(pattern.rows) * std::max<int>(song.channelCount, 0);
    if ((pattern.cells == nullptr) != (cells == 0)) return ::testing::AssertionFailure() << "cells";
    if (cells > 0) {
      volatile std::uint8_t last = pattern.cells[cells - 1].param;
      (void)last;
    }
  }
  if (song.instrumentCount > 0 && song.instruments == nullptr) return ::testing::AssertionFailure();
  for (int i = 0; i < song.instrumentCount; ++i) {
    const Instrument& in = song.instruments[i];
    if (in.sampleCount < 0 || in.sampleCount > 16)
      return ::testing::AssertionFailure() << "samples";
    for (int j = 0; j < 16; ++j) {
      if (in.samples[j] == nullptr) return ::testing::AssertionFailure() << "null sample slot";
      if (j >= in.sampleCount && in.samples[j] != &player::EmptySample) {
        return ::testing::AssertionFailure() << "slot past the samples";
      }
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

std::vector<std::vector<std::uint8_t>> corpusFiles() {
  std::vector<std::vector<std::uint8_t>> files;
  for (const std::string& path : xmtest::corpusModules())
    files.push_back(xmtest::readFile(path));
  return files;
}

TEST(CorpusModules, LoadWithTheirHeaderCounts) {
  const std::vector<std::string> paths = xmtest::corpusModules();
  if (paths.empty()) GTEST_SKIP() << "no corpus modules";
  for (const std::string& path : paths) {
    const std::vector<std::uint8_t> file = xmtest::readFile(path);
    ASSERT_GT(file.size(), 336u) << path;
    xmtest::SongPtr song = xmtest::loadFile(file);
    ASSERT_NE(song, nullptr) << path;
    EXPECT_TRUE(playable(*song)) << path;
    EXPECT_EQ(song->channelCount, static_cast<int>(fileU16(file, 68))) << path;
    EXPECT_GE(song->patternSlotCount, static_cast<int>(fileU16(file, 70))) << path;
    EXPECT_EQ(song->instrumentCount, static_cast<int>(fileU16(file, 72))) << path;
    EXPECT_EQ(song->defaultBpm, static_cast<int>(fileU16(file, 78))) << path;
    const player::ModuleCheck check = player::checkModule(xmtest::makeImage(file).get());
    EXPECT_EQ(check.fault, player::ModuleFault::NONE) << path;
    EXPECT_EQ(check.patternCount, static_cast<int>(fileU16(file, 70))) << path;
  }
}

TEST(CorpusModules, CutOffCopiesLoadOrAreRefusedSafely) {
  const auto files = corpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus modules";
  std::mt19937 random(20240601);
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::vector<std::uint8_t>& file = files[f];
    // Dense cuts through the song header and the first patterns, then 200 over the whole file.
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 0; cut < std::min<std::size_t>(file.size(), 400); cut += 7)
      cuts.push_back(cut);
    // Skewed towards the start, where headers lie closer together and loads cost less.
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int k = 0; k < 200; ++k) {
      const double u = unit(random);
      cuts.push_back(static_cast<std::size_t>(u * u * static_cast<double>(file.size())));
    }
    for (std::size_t cut : cuts) {
      const std::vector<std::uint8_t> prefix(file.begin(),
                                             file.begin() + static_cast<std::ptrdiff_t>(cut));
      const bool loaded =
          loadAndVerify(prefix, "file " + std::to_string(f) + " cut at " + std::to_string(cut));
      // Missing bytes read as 0, which a real module's header turns into nothing unplayable.
      EXPECT_EQ(loaded, cut >= 17) << "file " << f << " cut at " << cut;
    }
  }
}

TEST(CorpusModules, DamagedCopiesLoadOrAreRefusedSafely) {
  const auto files = corpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus modules";
  std::mt19937 random(77);
  for (std::size_t f = 0; f < files.size(); ++f) {
    for (int copy = 0; copy < 6; ++copy) {
      std::vector<std::uint8_t> damaged = files[f];
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

std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::uint8_t& byte : bytes)
    byte = static_cast<std::uint8_t>(random());
  return bytes;
}

void putU16(std::vector<std::uint8_t>& file, std::size_t offset, unsigned value) {
  file[offset] = static_cast<std::uint8_t>(value);
  file[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

TEST(RandomModules, RandomBytesLoadOrAreRefusedSafely) {
  std::mt19937 random(1);
  const std::string signature = "Extended Module: ";
  int loaded = 0;
  for (int k = 0; k < 900; ++k) {
    std::vector<std::uint8_t> file = randomBytes(random, random() % 12000);
    const int kind = k % 3;
    if (kind >= 1 && file.size() >= 17) std::copy(signature.begin(), signature.end(), file.begin());
    if (kind == 2 && file.size() >= 336) {
      // A header the player accepts, with random songs, patterns and instruments behind it.
      file[60] = 20;  // H = 276
      file[61] = 1;
      file[62] = file[63] = 0;
      putU16(file, 68, 1 + random() % 32);
      putU16(file, 70, random() % 12);
      putU16(file, 72, random() % 12);
    }
    loaded += loadAndVerify(file, "random file " + std::to_string(k)) ? 1 : 0;
  }
  EXPECT_GT(loaded, 100) << "the random files should reach the pattern and instrument code";
}

}  // namespace
