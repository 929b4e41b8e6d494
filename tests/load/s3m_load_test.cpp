// S3M files: the channels played and their pans, sample layouts and tuning, the order list's
// markers, the letter effects in the player's numbering, the tracker's rules, damaged files.
#include <gtest/gtest.h>

#include "player/load/effects.h"
#include "player/load/module_texts.h"
#include "tests/support/mod_s3m_writer.h"
#include "tests/support/xm_writer.h"

namespace {

using player::PatternCell;

s3mtest::Sample sampleOf(std::vector<int> values, bool sixteenBit = false, bool stereo = false) {
  s3mtest::Sample sample;
  sample.values = std::move(values);
  sample.sixteenBit = sixteenBit;
  sample.stereo = stereo;
  return sample;
}

TEST(S3mLoad, ChannelsPansOrdersAndEffects) {
  s3mtest::Module module;
  // Left 1, disabled right 1, AdLib, right 2, unused: two channels are played.
  module.channels = {0, 0x88, 16, 9, 255};
  module.panning = {0x22, 0, 0, 0x00};  // the first pan stored, the second the default right
  module.orders = {0, 254, 1, 255, 0};
  module.patterns = 2;
  module.samples = {sampleOf({256, 512})};
  module.cells = {
      {0, 0, 0, {0x40, 1, 40, 3, 0x32}},   // C-4, volume 40, C32: row 32 in decimal
      {0, 0, 1, {0x40, 1, 255, 1, 0x05}},  // on the disabled channel: ignored
      {0, 1, 3, {254, 0, 255, 24, 0x80}},  // note off, X80: hard right
      {1, 0, 0, {255, 0, 255, 2, 0x02}},   // B02: the stored order 2 is now order 1
  };
  xmtest::SongPtr song = xmtest::loadFile(s3mtest::writeS3m(module));
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(song->channelCount, 2);
  EXPECT_EQ(std::vector<int>(song->orderTable, song->orderTable + song->songLength),
            std::vector<int>({0, 1}));
  // The player's pan counts from the right: 255 - nibble x 17.
  EXPECT_EQ(std::vector<int>(song->channelPan, song->channelPan + 2), std::vector<int>({221, 51}));
  const auto fields = [](const PatternCell& c) {
    return std::vector<int>({c.note, c.instrument, c.volumeColumn, c.effect, c.param});
  };
  const PatternCell* cells = song->patterns[0].cells;
  EXPECT_EQ(fields(cells[0]),
            std::vector<int>({49, 1, 0x10 + 40, player::EFFECT_BREAK_TO_ROW, 32}));
  EXPECT_EQ(fields(cells[3]),
            std::vector<int>({player::KEY_OFF, 0, 0, player::EFFECT_SET_PANNING, 0}));
  EXPECT_EQ(fields(song->patterns[1].cells[0]),
            std::vector<int>({0, 0, 0, player::EFFECT_POSITION_JUMP, 1}));
  EXPECT_NE(song->rules & player::RULE_SHARED_EFFECT_MEMORY, 0u);  // Scream Tracker's own
}

TEST(S3mLoad, SampleLayoutsTuningAndAdLib) {
  const std::vector<int> values{1000, -1000, 30000, -30000};
  struct Case {
    const char* what;
    s3mtest::Sample sample;
    std::uint16_t sampleFormat;
    std::vector<int> expected;
  } cases[] = {
      {"8-bit unsigned", sampleOf(values), 2, {768, -1024, 29952, -30208}},
      {"8-bit signed", sampleOf(values), 1, {768, -1024, 29952, -30208}},
      {"16-bit signed", sampleOf(values, true), 1, values},
      {"16-bit stereo: the mean", sampleOf(values, true, true), 2, values},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    s3mtest::Module module;
    module.sampleFormat = c.sampleFormat;
    c.sample.c2spd = 16726;  // an octave above 8,363 Hz
    c.sample.loopStart = 1;
    c.sample.loopEnd = 9;  // past the end: cut there
    s3mtest::Sample adlib;
    adlib.type = 2;
    adlib.name = "organ";
    module.samples = {c.sample, adlib};
    const std::vector<std::uint8_t> file = s3mtest::writeS3m(module);
    xmtest::SongPtr song = xmtest::loadFile(file);
    ASSERT_NE(song, nullptr);
    const player::Sample& sample = *song->instruments[0].samples[0];
    EXPECT_EQ(std::vector<int>(sample.data, sample.data + sample.length), c.expected);
    EXPECT_EQ(std::vector<int>({static_cast<int>(sample.c4Rate), sample.loopMode,
                                static_cast<int>(sample.loopLength)}),
              std::vector<int>({16726, player::LOOP_FORWARD, 3}));
    EXPECT_EQ(song->instruments[1].samples[0]->length, 0u);
    const xmtest::ImagePtr image = xmtest::makeImage(file);
    const player::ModuleTexts texts = player::readModuleTexts(image.get());
    EXPECT_EQ(texts.instrumentNames[1], "organ");
    EXPECT_EQ(texts.note, "1 AdLib instrument played silent");
  }
}

TEST(S3mLoad, DamagedFilesLoadWhatTheyHold) {
  s3mtest::Module module;
  module.samples = {sampleOf(std::vector<int>(500, 256))};
  module.cells = {{0, 0, 0, {0x40, 1}}};
  const std::vector<std::uint8_t> whole = s3mtest::writeS3m(module);
  for (std::size_t keep : {whole.size() - 100, std::size_t{0x70}, std::size_t{48}}) {
    SCOPED_TRACE(keep);
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + keep);
    xmtest::SongPtr song = xmtest::loadFile(cut);
    ASSERT_NE(song, nullptr);
    if (song->instrumentCount > 0) {
      EXPECT_LE(song->instruments[0].samples[0]->length, 400u);
    }
  }
}

}  // namespace
