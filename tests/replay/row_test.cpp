// Tick 0 of a row: notes and instruments, periods, the volume column and the tick-0 effects.
#include "player/replay/row.h"

#include <gtest/gtest.h>

#include "tests/replay/replay_fixture.h"

namespace {

using namespace replaytest;
using player::Channel;

// The sounding note is the cell note plus the relative note, in 8 bits.
TEST(RowNotes, PeriodsOnBothTablesWithFinetuneAndRelativeNote) {
  struct Case {
    std::uint16_t flags;
    std::uint8_t note;
    std::int8_t relativeNote, finetune;
    std::int32_t realNote, period;
  } const cases[] = {
      {1, C4, 0, 0, 48, 4608},
      {1, C4, 0, -128, 48, 4672},
      {1, C4, 0, 127, 48, 4545},
      {0, C4, 0, 0, 48, 1712},
      {0, C4, 0, -128, 48, 1814},
      {0, C4, 0, 127, 48, 1617},
      {1, 1, -2, 0, 254, 7680 - 254 * 64},
      {1, C4, 12, 0, 60, 3840},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags << " note " << int(c.note) << " + "
                                    << int(c.relativeNote) << " finetune " << int(c.finetune));
    Replay replay(cellModule({c.note, 1}, [&](xmtest::Module& m) {
      m.flags = c.flags;
      firstSample(m).relativeNote = c.relativeNote;
      firstSample(m).finetune = c.finetune;
    }));
    replay.tick();
    const Channel& ch = replay.channel(0);
    EXPECT_EQ((Values{ch.note, ch.realNote, ch.period, ch.notePeriod}),
              (Values{c.note - 1, c.realNote, c.period, c.period}));
  }
}

// Channel 0 glides with effect 3 and channel 1 with the volume column's F2 to C4 + 4 (period
// 4352); neither starts the note again.
TEST(RowNotes, ToneportamentoRowsSetTheTargetAndTheVolumeColumnJumpsToIt) {
  xmtest::Module module = baseModule({{0, 0, Cell{C4, 1}},
                                      {0, 1, Cell{C4, 1}},
                                      {1, 0, Cell{C4 + 4, 2, 0, 0x03, 0x05}},
                                      {1, 1, Cell{C4 + 4, 1, 0xF2}}});
  module.instruments.push_back(module.instruments[0]);
  module.instruments[1].samples[0].volume = 10;
  Replay replay(module);
  replay.finishRow();
  const Values voices{replay.voice(0).index, replay.voice(1).index};
  replay.tick();
  const Channel& ch = replay.channel(0);
  // The instrument number still resets the channel (volume 64), from the sample the old
  // instrument gives.
  EXPECT_EQ((Values{ch.note, ch.instrument, ch.period, ch.realNote, ch.portaTarget, ch.volume}),
            (Values{C4 - 1, 0, 4608, C4 + 3, 4352, 64}));
  EXPECT_EQ((Values{replay.channel(1).period, replay.channel(1).portaSpeed}), (Values{4352, 0x20}));
  EXPECT_EQ((Values{replay.voice(0).index, replay.voice(1).index}), voices);
  replay.tick();
  EXPECT_EQ(replay.channel(0).period, 4608 - 20);
}

TEST(RowNotes, MissingInstrumentsAndNotesBeyondTheMapSelectNoSample) {
  for (const Cell& cell : {Cell{C4, 5}, Cell{100, 1}, Cell{254, 1}}) {
    Replay replay(cellModule(cell));
    replay.tick(6);
    EXPECT_EQ((Values{replay.channel(0).volume, replay.channel(0).pan}), (Values{0, 0}))
        << "note " << int(cell.note) << " instrument " << int(cell.instrument);
    EXPECT_EQ(replay.voice(0).sample, &player::EmptySample);
  }
}

TEST(RowNotes, ChannelsStartOnTheirVoiceAndNotesAlternateWithTheTwin) {
  Replay replay(baseModule({{0, 5, Cell{C4, 1}}, {1, 5, Cell{C4, 1}}, {2, 5, Cell{C4, 1}}}, 6));
  Values voices;
  for (int r = 0; r < 3; ++r) {
    replay.tick();
    voices.push_back(replay.voice(5).index);
    replay.finishRow();
  }
  EXPECT_EQ(voices, (Values{5, 37, 5}));
}

// K with any parameter releases the note on tick 0; without a volume envelope it is silent at
// once. An instrument number alone then resets the channel.
TEST(RowNotes, KeyOffReleasesAndAnInstrumentAloneResetsTheChannel) {
  xmtest::Module module = baseModule(
      {{0, 0, Cell{C4, 1, 0, 0x0C, 0x14}}, {1, 0, Cell{0, 0, 0, 0x14, 0x05}}, {2, 0, Cell{0, 1}}});
  module.instruments[0].fadeout = 100;
  Replay replay(module);
  replay.playRows(1);
  replay.tick();
  const Channel& ch = replay.channel(0);
  EXPECT_EQ((Values{ch.volume, ch.keyOff, ch.volEnvValue}), (Values{0x14, 1, 0}));
  replay.finishRow();
  replay.tick();
  EXPECT_EQ((Values{ch.volume, ch.keyOff, ch.fadeVolume}), (Values{64, 0, 65536}));
}

TEST(RowVolumeColumn, SetSlidesAndPanning) {
  struct Case {
    std::uint8_t column;
    std::int32_t volumeAfterRow, panAfterRow;
  };
  // At speed 6 the plain slides act six times a row, the fine slides once.
  for (const Case& c : {Case{0x30, 0x20, 128}, Case{0x62, 64 - 12, 128}, Case{0x82, 62, 128},
                        Case{0x50, 64, 128}, Case{0x55, 64, 128}, Case{0xC4, 64, 64},
                        Case{0xD3, 64, 128 - 18}, Case{0xE3, 64, 128 + 18}}) {
    Replay replay(cellModule({C4, 1, c.column}));
    replay.finishRow();
    EXPECT_EQ((Values{replay.channel(0).volume, replay.channel(0).pan}),
              (Values{c.volumeAfterRow, c.panAfterRow}))
        << "column " << std::hex << int(c.column);
  }
}

TEST(RowVolumeColumn, PanningSlidesAreNotClampedButHeardAtTheEdge) {
  xmtest::Module module = baseModule({{0, 0, Cell{C4, 1, 0xE8}},
                                      {0, 1, Cell{0, 0, 0, 0x0F, 0x01}},  // speed 1
                                      {1, 0, Cell{0, 0, 0xD8}}});
  firstSample(module).panning = 250;
  Replay replay(module);
  replay.tick();
  EXPECT_EQ((Values{replay.channel(0).pan, replay.voice(0).pan}), (Values{258, 255}));
  replay.tick();
  EXPECT_EQ((Values{replay.channel(0).pan, replay.voice(0).pan}), (Values{250, 250}));
}

TEST(RowEffects, VolumeAndGlobalVolume) {
  Replay replay(baseModule({{0, 0, Cell{C4, 1, 0, 0x0C, 0xFF}},
                            {0, 1, Cell{0, 0, 0, 0x10, 0x50}},
                            {1, 0, Cell{0, 0, 0, 0x0A, 0x10}},
                            {1, 1, Cell{0, 0, 0, 0x10, 0x20}}}));
  replay.tick();
  EXPECT_EQ((Values{replay.channel(0).volume, replay.song().globalVolume}), (Values{255, 64}));
  replay.finishRow();
  replay.tick(2);
  EXPECT_EQ((Values{replay.channel(0).volume, replay.song().globalVolume}), (Values{64, 32}))
      << "the first slide up clamps to 64";
}

TEST(RowEffects, FineSlidesOfPitchAndVolumeWithTheirMemories) {
  xmtest::Module module = baseModule({{0, 0, Cell{C4, 1, 0, 0x0E, 0x12}},   // E12: period - 8
                                      {1, 0, Cell{0, 0, 0, 0x0E, 0x10}},    // E10: again - 8
                                      {2, 0, Cell{0, 0, 0, 0x21, 0x23}},    // X23: period + 3
                                      {3, 0, Cell{0, 0, 0, 0x21, 0x20}},    // X20: again + 3
                                      {4, 0, Cell{0, 0, 0, 0x0E, 0xB5}},    // EB5: volume - 5
                                      {5, 0, Cell{0, 0, 0, 0x0E, 0xA0}}});  // EA0: EB5's memory
  module.speed = 1;                                                         // a row a tick
  expectTraces({{"period", module, field(&Channel::period), {4600, 4592, 4595, 4598, 4598, 4598}},
                {"volume", module, field(&Channel::volume), {64, 64, 64, 64, 59, 64}}});
}

TEST(RowEffects, TheVolumeStaysWhereATremoloLeftIt) {
  Replay replay(baseModule({{0, 0, Cell{C4, 1, 0x30, 0x07, 0x48}}, {1, 0, Cell{}}}));
  replay.finishRow();
  const std::int32_t heard = replay.channel(0).volume + replay.channel(0).volumeDelta;
  EXPECT_NE(replay.channel(0).volumeDelta, 0);
  replay.tick();
  EXPECT_EQ(replay.channel(0).volume, heard);
}

TEST(RowEffects, SampleOffsetWithinAndBeyondTheSample) {
  Replay replay(baseModule({{0, 0, Cell{C4, 1, 0, 0x09, 0x05}},  // 1280, inside the 4096 values
                            {1, 0, Cell{C4, 1, 0, 0x09, 0x10}},  // 4096: at the end
                            {2, 0, Cell{0, 0, 0, 0x09, 0x02}},   // no note: waits in the voice
                            {3, 0, Cell{C4, 1}}}));
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

TEST(RowEffects, SetFinetuneChangesTheSampleForLaterNotesButNeverTheEmptySample) {
  Replay replay(baseModule({{0, 0, Cell{C4, 1, 0, 0x0E, 0x58}},
                            {1, 0, Cell{C4, 1}},
                            {2, 0, Cell{C4, 7, 0, 0x0E, 0x5F}}}));
  Values periods;
  for (int row = 0; row < 2; ++row) {
    replay.playRows(1);
    periods.push_back(replay.channel(0).period);
  }
  EXPECT_EQ(periods, (Values{4608, 4608 - 4}));
  replay.playRows(1);
  EXPECT_EQ(player::EmptySample.finetune, 0);
}

TEST(RowEffects, EnvelopePositionIsSetBetweenPointsOrAtTheEnd) {
  struct Case {
    std::uint8_t envelopeFlags, param;
    std::int32_t value, point, done, nextValue;
  };
  for (const Case& c :
       {Case{1, 5, 32, 1, 0, 25}, Case{1, 0x20, 0, 1, 1, 0}, Case{0, 5, 64, 0, 0, 64}}) {
    xmtest::Module module = cellModule({C4, 1, 0, 0x15, c.param});
    module.instruments[0].volume.points = {{0, 64}, {10, 0}};
    module.instruments[0].volume.flags = c.envelopeFlags;
    Replay replay(module);
    const Channel& ch = replay.channel(0);
    replay.tick();
    const Values first{ch.volEnvValue, static_cast<std::int32_t>(ch.volEnvPoint), ch.volEnvDone};
    replay.tick();
    EXPECT_EQ((Values{first[0], first[1], first[2], ch.volEnvValue}),
              (Values{c.value, c.point, c.done, c.nextValue}))
        << "L" << int(c.param) << " flags " << int(c.envelopeFlags);
  }
}

}  // namespace
