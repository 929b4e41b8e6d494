// MOD files: the tags and the 15-sample layout, where cells and samples land, the periods beyond
// the Amiga's, ProTracker's effects as the player numbers them, and damaged files.
#include <gtest/gtest.h>

#include "player/load/effects.h"
#include "player/load/module_check.h"
#include "player/load/module_format.h"
#include "tests/support/mod_s3m_writer.h"
#include "tests/support/xm_writer.h"

namespace {

using player::PatternCell;

modtest::Module oneSampleSong(const std::string& tag, int channels) {
  modtest::Module module;
  module.tag = tag;
  module.channels = channels;
  modtest::Sample sample;
  sample.values = {10, -20, 30, -40};
  module.samples = {sample};
  return module;
}

TEST(ModLoad, TagsAndLayoutsPlaceEveryCell) {
  struct Case {
    const char* tag;
    int storedChannels, channels, samples;
    int storedPattern, storedChannel, channel;  // where a cell is written and where it lands
  } const cases[] = {
      {"M.K.", 4, 4, 31, 0, 3, 3},
      {"6CHN", 6, 6, 31, 0, 5, 5},
      {"12CH", 12, 12, 31, 0, 11, 11},
      {"32CN", 32, 32, 31, 0, 31, 31},
      {"CD81", 8, 8, 31, 0, 7, 7},
      {"FLT8", 4, 8, 31, 1, 2, 6},  // the second stored half is channels 5 to 8
      {"", 4, 4, 15, 0, 3, 3},      // Soundtracker: no tag, 15 samples
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    modtest::Module module = oneSampleSong(c.tag, c.storedChannels);
    modtest::put(module, c.storedPattern, 0, 0, {});
    modtest::put(module, c.storedPattern, 63, c.storedChannel, {428, 1, 0xC, 0x20});
    module.trailing = {1, 2, 3};  // bytes after the samples change nothing
    const std::vector<std::uint8_t> file = modtest::writeMod(module);
    EXPECT_EQ(player::detectFormat(file.data(), file.size()), player::ModuleFormat::MOD);
    xmtest::SongPtr song = xmtest::loadFile(file);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->channelCount, c.channels);
    EXPECT_EQ(song->instrumentCount, c.samples);
    const PatternCell& cell = song->patterns[0].cells[63 * c.channels + c.channel];
    EXPECT_EQ(std::vector<int>({cell.note, cell.instrument, cell.effect, cell.param}),
              std::vector<int>({49, 1, player::EFFECT_SET_VOLUME, 0x20}));
    const player::Sample& sample = *song->instruments[0].samples[0];
    ASSERT_EQ(sample.length, 4u);
    EXPECT_EQ(sample.data[3], -40 * 256);
  }
}

TEST(ModLoad, PeriodsSamplesAndEffectsInThePlayersTerms) {
  modtest::Module module = oneSampleSong("M.K.", 4);
  module.orders = {0, 0, 0};
  module.restart = 1;
  modtest::Sample bytesLoop, shortLoop, loud;
  bytesLoop.values = std::vector<int>(100, 1);
  bytesLoop.loopStart = 120;  // a loop start stored in bytes: 60 once halved
  bytesLoop.loopLength = 40;
  bytesLoop.finetune = 0xF;
  shortLoop.values = std::vector<int>(10, 1);
  shortLoop.loopLength = 2;  // one word: no loop
  loud.volume = 80;
  module.samples.insert(module.samples.end(), {bytesLoop, shortLoop, loud});
  // Periods: C-4 of the file is the player's C-4 (49); FastTracker's wider octaves go on.
  const std::pair<modtest::Cell, std::vector<int>> cells[] = {
      {{428, 1, 0x0, 0x37}, {49, 1, player::EFFECT_ARPEGGIO, 0x37}},
      {{1712, 0, 0xA, 0x00}, {25, 0, player::EFFECT_NONE, 0}},  // no slide memory
      {{57, 0, 0x5, 0x00}, {84, 0, player::EFFECT_TONE_PORTAMENTO, 0}},
      {{0, 2, 0xE, 0xC0}, {0, 2, player::EFFECT_SET_VOLUME, 0}},  // EC0 cuts at once
      {{0, 0, 0xC, 0x50}, {0, 0, player::EFFECT_SET_VOLUME, 64}},
      {{0, 0, 0xE, 0x10}, {0, 0, player::EFFECT_NONE, 0}},
      {{0, 0, 0xE, 0x62}, {0, 0, player::EFFECT_EXTENDED, 0x62}},
  };
  for (int row = 0; row < 7; ++row)
    modtest::put(module, 0, row, 0, cells[row].first);
  xmtest::SongPtr song = xmtest::loadFile(modtest::writeMod(module));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->restartPosition, 1);
  for (int row = 0; row < 7; ++row) {
    const PatternCell& cell = song->patterns[0].cells[row * 4];
    EXPECT_EQ(std::vector<int>({cell.note, cell.instrument, cell.effect, cell.param}),
              cells[row].second)
        << "row " << row;
  }
  const player::Sample& looped = *song->instruments[1].samples[0];
  EXPECT_EQ(std::vector<int>({looped.loopMode, static_cast<int>(looped.loopStart),
                              static_cast<int>(looped.loopLength), looped.finetune}),
            std::vector<int>({player::LOOP_FORWARD, 60, 40, -16}));
  EXPECT_EQ(song->instruments[2].samples[0]->loopMode, player::LOOP_OFF);
  EXPECT_EQ(song->instruments[3].samples[0]->volume, 64);
  // Left, right, right, left, a quarter of the way in (the player's pan counts from the right).
  EXPECT_EQ(std::vector<int>(song->channelPan, song->channelPan + 4),
            std::vector<int>({191, 64, 64, 191}));
}

TEST(ModLoad, DamagedFilesLoadWhatTheyHold) {
  modtest::Module module = oneSampleSong("M.K.", 4);
  module.samples[0].values = std::vector<int>(1000, 5);
  modtest::put(module, 0, 0, 0, {428, 1});
  const std::vector<std::uint8_t> whole = modtest::writeMod(module);
  const struct {
    std::size_t keep;
    int length;  // of the sample, once loaded
  } cases[] = {{whole.size() - 600, 400}, {1084 + 100, 0}};
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + c.keep);
    xmtest::SongPtr song = xmtest::loadFile(cut);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->instruments[0].samples[0]->length, static_cast<std::uint32_t>(c.length));
  }
  // A tag-less file whose cells no 15-sample tracker could write is no module.
  std::vector<std::uint8_t> noise(2000, 0xE7);
  noise[470] = 1;
  xmtest::ImagePtr image = xmtest::makeImage(noise);
  EXPECT_EQ(player::checkModule(image.get()).fault, player::ModuleFault::UNKNOWN_FORMAT);
}

}  // namespace
