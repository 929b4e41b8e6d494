// Impulse Tracker files written in memory: header settings, packed patterns with their masks and
// remembered values, every sample encoding, loops, instruments of both formats, sample mode,
// filter macros, and cut-off files, which load or are refused without reading past their end.
#include <gtest/gtest.h>

#include <vector>

#include "player/load/effects.h"
#include "player/load/it_loader.h"
#include "player/load/it_macros.h"
#include "player/load/it_texts.h"
#include "player/load/xm_loader.h"
#include "tests/support/it_writer.h"
#include "tests/support/xm_writer.h"

namespace {

using ittest::Module;
using player::Song;

xmtest::SongPtr loadIt(const std::vector<std::uint8_t>& file) {
  const xmtest::ImagePtr image = xmtest::makeImage(file);
  return xmtest::SongPtr(player::loadSong(image.get(), nullptr));
}

TEST(ItLoad, HeaderSettings) {
  Module m;
  m.flags = 0x0039;  // stereo, linear, old effects, compatible Gxx; sample mode
  m.globalVolume = 200;
  m.speed = 0;
  m.tempo = 20;
  m.channelPan[0] = 100;
  m.channelPan[1] = 0x80 | 10;
  m.channelVolume[1] = 99;
  m.orders = {0, 254, 1, 255};
  m.patterns = {ittest::Pattern{32, {ittest::cell(5, 6, 48)}}, ittest::Pattern{}};
  const xmtest::SongPtr song = loadIt(writeIt(m));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->playRules, player::PLAY_OLD_EFFECTS | player::PLAY_COMPATIBLE_GXX);
  EXPECT_EQ(song->flags, player::SONG_LINEAR_FREQUENCIES);
  EXPECT_EQ(song->initialGlobalVolume, 128);
  EXPECT_EQ(song->defaultSpeed, 6);
  EXPECT_EQ(song->defaultBpm, 125);
  EXPECT_EQ(song->channelFlags[0], player::CHANNEL_SURROUND);
  EXPECT_EQ(song->channelFlags[1], player::CHANNEL_SILENCED);
  EXPECT_EQ(song->channelPan[1], 255 - 40);  // the player's pan byte counts from the right
  EXPECT_EQ(song->channelVolume[1], 64);
  EXPECT_EQ(song->channelCount, 7) << "up to the highest channel with data";
  EXPECT_EQ(song->songLength, 2) << "markers left out of the order list";
  EXPECT_EQ(song->patterns[0].rows, 32);
  EXPECT_EQ(song->patterns[0].cells[5 * 7 + 6].note, 49);
}

TEST(ItLoad, PatternMasksAndRememberedValues) {
  ittest::Pattern p;
  using ittest::cell;
  p.cells = {cell(0, 0, 0, 1, 10, 4, 0x12),  // C-0, instrument 1, volume 10, D12
             cell(1, 0, 0, 1, 10, 4, 0x12),  // the same values again, stored as "last"
             cell(2, 0, 119, -1, 192),       // B-9, panning column
             cell(3, 0, 255),
             cell(4, 0, 254),
             cell(5, 0, 200),
             cell(6, 63, -1, 3)};
  Module m;
  m.patterns = {p};
  const xmtest::SongPtr song = loadIt(writeIt(m));
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(song->channelCount, 64);
  const auto stored = [&](int row, int channel) {
    return song->patterns[0].cells[row * 64 + channel];
  };
  for (const int row : {0, 1}) {
    EXPECT_EQ(stored(row, 0).note, 1) << row;
    EXPECT_EQ(stored(row, 0).instrument, 1) << row;
    EXPECT_EQ(stored(row, 0).volumeColumn, 11) << row;
    EXPECT_EQ(stored(row, 0).effect, player::EFFECT_VOLUME_SLIDE_FINE) << row;
    EXPECT_EQ(stored(row, 0).param, 0x12) << row;
  }
  EXPECT_EQ(stored(2, 0).note, 120);
  EXPECT_EQ(stored(2, 0).instrument, 0);
  EXPECT_EQ(stored(2, 0).volumeColumn, 193);
  EXPECT_EQ(stored(3, 0).note, player::KEY_OFF);
  EXPECT_EQ(stored(4, 0).note, player::NOTE_CUT);
  EXPECT_EQ(stored(5, 0).note, player::NOTE_FADE);
  EXPECT_EQ(stored(6, 63).instrument, 3);
}

TEST(ItLoad, SampleEncodingsBecomeSixteenBitValues) {
  const std::vector<int> bytes = {0, 1, -1, 127, -128}, words = {0, 300, -300, 32767, -32768};
  const std::vector<int> scaled = {0, 256, -256, 32512, -32768};
  struct Case {
    const char* what;
    std::vector<int> stored, right;
    bool sixteenBit, isSigned;
    int compression;
    std::vector<int> values;
  } const cases[] = {
      {"8-bit", bytes, {}, false, true, 0, scaled},
      {"8-bit unsigned", bytes, {}, false, false, 0, scaled},
      {"16-bit unsigned", words, {}, true, false, 0, words},
      {"stereo mixed down", {100, -100}, {300, 100}, true, true, 0, {200, 0}},
      {"8-bit 2.14", bytes, {}, false, true, 214, scaled},
      {"16-bit 2.15", words, {}, true, true, 215, words},
      {"stereo 2.14", {100, -100}, {300, 100}, true, true, 214, {200, 0}},
  };
  for (const Case& c : cases) {
    Module m;
    m.samples = {ittest::sample(c.stored, c.sixteenBit, c.compression)};
    m.samples[0].right = c.right;
    m.samples[0].isSigned = c.isSigned;
    const xmtest::SongPtr song = loadIt(writeIt(m));
    ASSERT_NE(song, nullptr) << c.what;
    const player::Sample& s = song->samples[0];
    ASSERT_EQ(s.length, c.values.size()) << c.what;
    EXPECT_EQ(std::vector<int>(s.data, s.data + s.length), c.values) << c.what;
  }
}

TEST(ItLoad, LoopsAreFittedAndTheSustainLoopHasItsOwnView) {
  ittest::Sample s = ittest::sample({0, 1, 2, 3, 4, 5, 6, 7});
  s.flags = 0x10 | 0x20 | 0x80;  // forward loop, ping-pong sustain loop
  s.loopStart = 6;
  s.loopEnd = 20;  // past the end: cut there
  s.sustainStart = 1;
  s.sustainEnd = 4;
  s.length = 100;  // more than the file holds
  Module m;
  ittest::Sample late = ittest::sample({1});
  late.flags = 0x10;
  late.loopStart = 5;  // past the end
  late.loopEnd = 9;
  m.samples = {late, s};  // the cut one last in the file
  const xmtest::SongPtr song = loadIt(writeIt(m));
  ASSERT_NE(song, nullptr);
  const player::Sample& a = song->samples[1];
  EXPECT_EQ(a.length, 8u);
  EXPECT_EQ(a.loopMode, player::LOOP_FORWARD);
  EXPECT_EQ(a.loopStart + a.loopLength, 8u);
  EXPECT_EQ(a.data[8], a.data[6]) << "the loop's guard value";
  ASSERT_NE(a.sustained, nullptr);
  EXPECT_EQ(a.sustained->loopMode, player::LOOP_PINGPONG);
  EXPECT_EQ(a.sustained->loopStart, 1u);
  EXPECT_EQ(a.sustained->loopLength, 3u);
  EXPECT_EQ(a.sustained->data[4], a.data[3]) << "its guard, not the sample's own value";
  EXPECT_EQ(a.data[4], 4 * 256);
  EXPECT_EQ(song->samples[0].loopMode, player::LOOP_OFF);
  EXPECT_EQ(song->samples[0].sustained, nullptr);
}

TEST(ItLoad, InstrumentsOfBothFormatsAndSampleMode) {
  ittest::Instrument in;
  in.nna = 3;
  in.dct = 7;  // beyond the checks: the highest
  in.fadeout = 100;
  in.pan = 20;
  in.cutoff = 0x80 | 90;
  in.keyboard = {{5, 2}};
  in.volume.flags = 0x07;
  in.volume.nodes = {{64, 0}, {32, 10}, {0, 5}};
  in.volume.loopStart = 1;
  in.volume.loopEnd = 5;  // past the nodes: no loop
  in.volume.sustainEnd = 1;
  in.pitch.flags = 0x81;
  in.pitch.nodes = {{-40, 0}};
  Module m;
  m.samples = {ittest::sample({1}), ittest::sample({2})};
  m.instruments = {in};
  for (const bool old : {false, true}) {
    m.oldInstruments = old;
    m.formatVersion = old ? 0x0100 : 0x0214;
    const xmtest::SongPtr song = loadIt(writeIt(m));
    ASSERT_NE(song, nullptr);
    const player::Instrument& i = song->instruments[0];
    EXPECT_EQ(i.newNoteAction, player::NNA_NOTE_FADE);
    EXPECT_EQ(i.fadeout, old ? 100 * 128 : 100 * 64);
    EXPECT_EQ(i.keyboardNote[0], 5);
    EXPECT_EQ(i.keyboardSample[0], 2);
    const player::NodeEnvelope& v = i.volumeNodes;
    EXPECT_EQ(v.nodeCount, 3);
    EXPECT_EQ(v.flags, player::ENVELOPE_ON | player::ENVELOPE_SUSTAIN);
    EXPECT_EQ(v.nodes[2].tick, 10) << "ticks never fall";
    EXPECT_EQ(i.duplicateCheck, old ? player::DUPLICATE_NOTE : player::DUPLICATE_INSTRUMENT);
    EXPECT_EQ(i.usesPanning, old ? 0 : 1);
    EXPECT_EQ(i.filterCutoff, old ? player::FILTER_UNSET : 90);
    EXPECT_EQ(i.pitchNodes.flags, old ? 0 : player::ENVELOPE_ON | player::ENVELOPE_FILTER);
    EXPECT_EQ(i.pitchNodes.nodes[0].value, old ? 0 : -32);
  }
  m.flags = 0x09;  // sample mode: one instrument per sample
  const xmtest::SongPtr song = loadIt(writeIt(m));
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(song->instrumentCount, 2);
  EXPECT_EQ(song->instruments[1].keyboardSample[77], 2);
  EXPECT_EQ(song->instruments[1].keyboardNote[77], 77);
}

TEST(ItLoad, FilterMacros) {
  struct Case {
    const char* text;
    player::FilterMacro macro;
  } const cases[] = {
      {"F0F000z", {player::MACRO_CUTOFF, 1, 0}},
      {"F0 F0 01 7F", {player::MACRO_RESONANCE, 0, 127}},
      {"F0F0 00 90", {player::MACRO_CUTOFF, 0, 16}},
      {"F0F002z", {}},
      {"F0F000v", {}},
      {"BC0Az", {}},
      {"F0F000", {}},
  };
  for (const Case& c : cases) {
    const player::FilterMacro got = player::parseFilterMacro(c.text, 32);
    EXPECT_EQ(got.target, c.macro.target) << c.text;
    EXPECT_EQ(got.fromParameter, c.macro.fromParameter) << c.text;
    EXPECT_EQ(got.value, c.macro.value) << c.text;
  }
  Module m;
  m.special = 8;
  m.macros = {"", "F0F000z"};
  m.macros.resize(17, "");
  m.macros[16] = "F0F00140";
  const xmtest::SongPtr song = loadIt(writeIt(m));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->macros.parametered[0].target, player::MACRO_NONE);
  EXPECT_EQ(song->macros.parametered[1].target, player::MACRO_CUTOFF);
  EXPECT_EQ(song->macros.fixed[0].value, 64);
  const xmtest::SongPtr plain = loadIt(writeIt(Module{}));
  EXPECT_EQ(plain->macros.parametered[0].target, player::MACRO_CUTOFF);
  EXPECT_EQ(plain->macros.fixed[15].value, 120);
}

TEST(ItLoad, TextsNameTheTrackerTheInstrumentsTheirSamplesAndTheMessage) {
  Module m;
  m.title = "a song";
  m.message = "two\rlines";
  m.trackerVersion = 0x0215;
  m.samples = {ittest::sample({1}), ittest::sample({2})};
  m.samples[0].name = "kick";
  m.samples[1].name = "snare";
  ittest::Instrument drums;
  drums.name = "drums";
  drums.keyboard = {{60, 2}, {61, 1}, {62, 2}};
  m.instruments = {drums};
  const xmtest::ImagePtr image = xmtest::makeImage(writeIt(m));
  const player::ModuleTexts texts = player::readItTexts(image.get());
  EXPECT_EQ(texts.title, "a song");
  EXPECT_EQ(texts.tracker, "Impulse Tracker 2.15");
  EXPECT_EQ(texts.message, "two\nlines");
  EXPECT_EQ(texts.instrumentNames, std::vector<std::string>{"drums"});
  ASSERT_EQ(texts.sampleNames.size(), 1u);
  EXPECT_EQ(texts.sampleNames[0], (std::vector<std::string>{"snare", "kick"}));
}

TEST(ItLoad, CutOffFilesLoadWithinTheirBytes) {
  Module m;
  m.samples = {ittest::sample(std::vector<int>(3000, 5), true, 215), ittest::sample({1, 2, 3})};
  m.instruments = {ittest::Instrument{}};
  m.patterns[0].cells = {ittest::cell(0, 0, 60, 1, 64, 1, 2)};
  const std::vector<std::uint8_t> file = writeIt(m);
  for (std::size_t cut = 0; cut < file.size(); cut += 7) {
    const xmtest::SongPtr song = loadIt({file.begin(), file.begin() + static_cast<long>(cut)});
    EXPECT_EQ(song != nullptr, cut >= 4) << cut;  // only the signature is required
  }
}

}  // namespace
