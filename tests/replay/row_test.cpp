// Tick 0 of a row: notes and instruments, periods, the volume column and the tick-0 effects.
#include "player/replay/row.h"

#include <gtest/gtest.h>

#include "player/replay/pitch.h"
#include "tests/replay/replay_fixture.h"

namespace {

using replaytest::baseModule;
using replaytest::Cell;
using replaytest::put;
using replaytest::Replay;

constexpr std::uint8_t C4 = 49;  // cell note of C-4

xmtest::Sample& sampleOf(xmtest::Module& module) {
  return module.instruments[0].samples[0];
}

TEST(RowNotes, PeriodsOnBothTablesWithFinetune) {
  struct Case {
    std::uint16_t flags;
    std::int8_t finetune;
    std::int32_t period;
  };
  for (const Case& c : {Case{1, 0, 4608}, Case{1, -128, 4672}, Case{1, 127, 4545}, Case{0, 0, 1712},
                        Case{0, -128, 1814}, Case{0, 127, 1617}}) {
    xmtest::Module module = baseModule();
    module.flags = c.flags;
    sampleOf(module).finetune = c.finetune;
    put(module, 0, 0, Cell{C4, 1});
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    replay.tick();
    EXPECT_EQ(replay.channel(0).period, c.period)
        << "flags " << c.flags << " ft " << int(c.finetune);
    EXPECT_EQ(replay.channel(0).notePeriod, c.period);
  }
}

TEST(RowNotes, TheSoundingNoteWrapsInEightBits) {
  xmtest::Module module = baseModule();
  sampleOf(module).relativeNote = -2;
  put(module, 0, 0, Cell{1, 1});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(replay.channel(0).note, 0);
  EXPECT_EQ(replay.channel(0).realNote, 254);
  EXPECT_EQ(replay.channel(0).period, 7680 - 254 * 64);
}

TEST(RowNotes, ToneportamentoRowsOnlySetTheTarget) {
  xmtest::Module module = baseModule();
  module.instruments.push_back(module.instruments[0]);
  module.instruments[1].samples[0].volume = 10;
  put(module, 0, 0, Cell{C4, 1});
  put(module, 1, 0, Cell{C4 + 4, 2, 0, 0x03, 0x05});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.finishRow();
  const int voiceBefore = replay.voice(0).index;
  replay.tick();
  const player::Channel& channel = replay.channel(0);
  EXPECT_EQ(channel.note, C4 - 1);
  EXPECT_EQ(channel.instrument, 0);
  EXPECT_EQ(channel.period, 4608);
  EXPECT_EQ(channel.realNote, C4 + 3);
  EXPECT_EQ(channel.portaTarget, 4608 - 4 * 64);
  EXPECT_EQ(replay.voice(0).index, voiceBefore) << "no retrigger";
  // The instrument number still resets the channel, from the sample the old instrument gives.
  EXPECT_EQ(channel.volume, 64);
  replay.tick();
  EXPECT_EQ(replay.channel(0).period, 4608 - 20);
}

TEST(RowNotes, VolumeColumnPortamentoJumpsToTheNoteWithoutRetrigger) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1});
  put(module, 1, 0, Cell{C4 + 4, 1, 0xF2});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.finishRow();
  const int voiceBefore = replay.voice(0).index;
  replay.tick();
  EXPECT_EQ(replay.channel(0).period, 4608 - 256);
  EXPECT_EQ(replay.channel(0).portaSpeed, 0x20);
  EXPECT_EQ(replay.voice(0).index, voiceBefore);
}

TEST(RowNotes, MissingInstrumentsAndNotesBeyondTheMapSelectNoSample) {
  for (const Cell& cell : {Cell{C4, 5}, Cell{100, 1}, Cell{254, 1}}) {
    xmtest::Module module = baseModule();
    put(module, 0, 0, cell);
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    replay.tick(6);
    EXPECT_EQ(replay.channel(0).volume, 0) << int(cell.note) << " " << int(cell.instrument);
    EXPECT_EQ(replay.channel(0).pan, 0);
    EXPECT_EQ(replay.voice(0).sample, &player::EmptySample);
  }
}

TEST(RowNotes, EveryTriggerOnASoundingVoiceHandsTheOldNoteToTheTwin) {
  xmtest::Module module = baseModule(6);
  for (int r = 0; r < 3; ++r)
    put(module, r, 5, Cell{C4, 1});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<int> voices;
  for (int r = 0; r < 3; ++r) {
    replay.tick();
    voices.push_back(replay.voice(5).index);
    replay.finishRow();
  }
  EXPECT_EQ(voices, (std::vector<int>{5, 37, 5}));
  const player::Voice& left = player::voicePool[37];
  EXPECT_EQ(left.volume, 0);
  EXPECT_EQ(left.leftTarget, 0);
  EXPECT_EQ(left.rightTarget, 0);
  EXPECT_NE(left.sample, nullptr);
}

TEST(RowNotes, AnInstrumentAloneResetsTheChannel) {
  xmtest::Module module = baseModule();
  module.instruments[0].fadeout = 100;
  put(module, 0, 0, Cell{C4, 1, 0, 0x0C, 0x14});
  put(module, 1, 0, Cell{97});
  put(module, 2, 0, Cell{0, 1});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.playRows(2);
  EXPECT_EQ(replay.channel(0).volume, 0x14);
  EXPECT_EQ(replay.channel(0).keyOff, 1);
  replay.tick();
  EXPECT_EQ(replay.channel(0).volume, 64);
  EXPECT_EQ(replay.channel(0).keyOff, 0);
  EXPECT_EQ(replay.channel(0).fadeVolume, 65536);
}

TEST(RowVolumeColumn, SetSlidesAndPanning) {
  struct Case {
    std::uint8_t column;
    std::int32_t volumeAfterRow;
    std::int32_t panAfterRow;
  };
  // At speed 6 the plain slides act six times a row, the fine slides once.
  for (const Case& c : {Case{0x30, 0x20, 128}, Case{0x62, 64 - 12, 128}, Case{0x82, 62, 128},
                        Case{0x50, 64, 128}, Case{0x55, 64, 128}, Case{0xC4, 64, 64},
                        Case{0xD3, 64, 128 - 18}, Case{0xE3, 64, 128 + 18}}) {
    xmtest::Module module = baseModule();
    sampleOf(module).volume = 64;
    put(module, 0, 0, Cell{C4, 1, c.column});
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    replay.finishRow();
    EXPECT_EQ(replay.channel(0).volume, c.volumeAfterRow) << std::hex << int(c.column);
    EXPECT_EQ(replay.channel(0).pan, c.panAfterRow) << std::hex << int(c.column);
  }
}

TEST(RowVolumeColumn, PanningSlidesAreNotClampedButHeardAtTheEdge) {
  xmtest::Module module = baseModule();
  sampleOf(module).panning = 250;
  put(module, 0, 0, Cell{C4, 1, 0xE8});
  put(module, 0, 1, Cell{0, 0, 0, 0x0F, 0x01});  // speed 1: the slide acts once a row
  put(module, 1, 0, Cell{0, 0, 0xD8});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(replay.channel(0).pan, 258);
  EXPECT_EQ(replay.voice(0).pan, 255);
  replay.tick();
  EXPECT_EQ(replay.channel(0).pan, 250);
  EXPECT_EQ(replay.voice(0).pan, 250);
}

TEST(RowEffects, VolumeAndGlobalVolume) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0, 0x0C, 0xFF});
  put(module, 0, 1, Cell{0, 0, 0, 0x10, 0x50});
  put(module, 1, 0, Cell{0, 0, 0, 0x0A, 0x10});
  put(module, 1, 1, Cell{0, 0, 0, 0x10, 0x20});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(replay.channel(0).volume, 255);
  EXPECT_EQ(replay.song().globalVolume, 64);
  replay.finishRow();
  replay.tick(2);
  EXPECT_EQ(replay.channel(0).volume, 64) << "the first slide up clamps to 64";
  EXPECT_EQ(replay.song().globalVolume, 32);
}

TEST(RowEffects, FineSlidesOfPitchAndVolumeWithTheirMemories) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0, 0x0E, 0x12});  // E12: period - 8
  put(module, 1, 0, Cell{0, 0, 0, 0x0E, 0x10});   // E10: again - 8
  put(module, 2, 0, Cell{0, 0, 0, 0x21, 0x23});   // X23: period + 3
  put(module, 3, 0, Cell{0, 0, 0, 0x21, 0x20});   // X20: again + 3
  put(module, 4, 0, Cell{0, 0, 0, 0x0E, 0xB5});   // EB5: volume - 5
  put(module, 5, 0, Cell{0, 0, 0, 0x0E, 0xA0});   // EA0: + 5, the memory EB5 left
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<std::int32_t> periods, volumes;
  for (int r = 0; r < 6; ++r) {
    replay.playRows(1);
    periods.push_back(replay.channel(0).period);
    volumes.push_back(replay.channel(0).volume);
  }
  EXPECT_EQ(periods, (std::vector<std::int32_t>{4600, 4592, 4595, 4598, 4598, 4598}));
  EXPECT_EQ(volumes, (std::vector<std::int32_t>{64, 64, 64, 64, 59, 64}));
}

TEST(RowEffects, KeyOffWithAnyParameterReleasesOnTickZero) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1});
  put(module, 1, 0, Cell{0, 0, 0, 0x14, 0x05});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.finishRow();
  replay.tick();
  EXPECT_EQ(replay.channel(0).keyOff, 1);
  EXPECT_EQ(replay.channel(0).volEnvValue, 0) << "no volume envelope: silent at once";
}

TEST(RowEffects, TheVolumeStaysWhereATremoloLeftIt) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0x30, 0x07, 0x48});
  put(module, 1, 0, Cell{0, 0, 0, 0x00, 0x00});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.finishRow();
  const std::int32_t heard = replay.channel(0).volume + replay.channel(0).volumeDelta;
  EXPECT_NE(replay.channel(0).volumeDelta, 0);
  replay.tick();
  EXPECT_EQ(replay.channel(0).volume, heard);
}

TEST(RowEffects, SampleOffsetWithinAndBeyondTheSample) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0, 0x09, 0x05});  // 1280, inside the 4000 values
  put(module, 1, 0, Cell{C4, 1, 0, 0x09, 0x10});  // 4096: beyond the end
  put(module, 2, 0, Cell{0, 0, 0, 0x09, 0x02});   // no note: waits in the voice
  put(module, 3, 0, Cell{C4, 1});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(replay.voice(0).position, 1280u);
  replay.finishRow();
  replay.voice(0).position = 777;
  const int voiceBefore = replay.voice(0).index;
  replay.tick();
  EXPECT_EQ(replay.voice(0).index, voiceBefore) << "the note is not started";
  EXPECT_EQ(replay.voice(0).position, 0u) << "the running note is rewound";
  EXPECT_NE(replay.voice(0).sample, nullptr);
  replay.finishRow();
  replay.playRows(1);
  EXPECT_EQ(replay.voice(0).startOffset, 512u);
  replay.tick();
  EXPECT_EQ(replay.voice(0).position, 512u);
}

TEST(RowEffects, SetFinetuneChangesTheSampleForLaterNotes) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0, 0x0E, 0x58});
  put(module, 1, 0, Cell{C4, 1});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.playRows(1);
  EXPECT_EQ(replay.channel(0).period, 4608);
  replay.playRows(1);
  EXPECT_EQ(replay.channel(0).period, 4608 - 4);
  EXPECT_EQ(player::EmptySample.finetune, 0);
}

TEST(RowEffects, SetFinetuneLeavesTheSharedEmptySampleAlone) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 7, 0, 0x0E, 0x5F});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(player::EmptySample.finetune, 0);
}

TEST(RowEffects, EnvelopePositionIsSetBetweenPointsOrAtTheEnd) {
  struct Case {
    std::uint8_t param;
    std::int32_t value, nextValue;
    std::uint32_t point;
    std::uint8_t done;
  };
  for (const Case& c : {Case{5, 32, 25, 1, 0}, Case{0x20, 0, 0, 1, 1}}) {
    xmtest::Module module = baseModule();
    module.instruments[0].volume.points = {{0, 64}, {10, 0}};
    module.instruments[0].volume.flags = 1;
    put(module, 0, 0, Cell{C4, 1, 0, 0x15, c.param});
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    replay.tick();
    const player::Channel& channel = replay.channel(0);
    EXPECT_EQ(channel.volEnvValue, c.value);
    EXPECT_EQ(channel.volEnvPoint, c.point);
    EXPECT_EQ(channel.volEnvDone, c.done);
    replay.tick();
    EXPECT_EQ(channel.volEnvValue, c.nextValue);
  }
}

TEST(RowEffects, EnvelopePositionNeedsTheEnvelopeOn) {
  xmtest::Module module = baseModule();
  module.instruments[0].volume.points = {{0, 64}, {10, 0}};
  put(module, 0, 0, Cell{C4, 1, 0, 0x15, 5});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick();
  EXPECT_EQ(replay.channel(0).volEnvValue, 64);
  EXPECT_EQ(replay.channel(0).volEnvTick, 0u);
}

}  // namespace
