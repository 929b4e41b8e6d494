// The ticks of a row after its first: slides, arpeggio, retriggers, cuts, delays and the order
// in which the channels reach their voices. Traces start with the row tick.
#include "player/replay/effect_tick.h"

#include <gtest/gtest.h>

#include "tests/replay/replay_fixture.h"

namespace {

using namespace replaytest;
using player::Channel;

const ChannelField PERIOD = field(&Channel::period);
const ChannelField PERIOD_DELTA = field(&Channel::periodDelta);
const ChannelField VOLUME = field(&Channel::volume);
const ChannelField VOLUME_DELTA = field(&Channel::volumeDelta);
const ChannelField PAN = field(&Channel::pan);
// 1 on the ticks on which the channel asks for a note start.
const ChannelField TRIGGERED = [](const Channel& c) {
  return (c.flags & player::UPDATE_TRIGGER) != 0 ? 1 : 0;
};

ModuleChange amiga(std::int8_t finetune, std::int8_t relativeNote) {
  return [=](xmtest::Module& m) {
    m.flags = 0;
    firstSample(m).finetune = finetune;
    firstSample(m).relativeNote = relativeNote;
  };
}

ModuleChange panning(std::uint8_t pan) {
  return [=](xmtest::Module& m) { firstSample(m).panning = pan; };
}

TEST(EffectTicks, ChannelValuesTickByTick) {
  expectTraces({
      {"arpeggio 037: 3 and 7 semitones on ticks 1 and 2 of each three",
       cellModule({C4, 1, 0, 0x00, 0x37}),
       PERIOD_DELTA,
       {0, 192, 448, 0, 192, 448}},
      {"arpeggio 000", cellModule({C4, 1}), PERIOD_DELTA, {0, 0, 0}},
      // Finetune -64: C-4 has period 1763, D#-4 1482 and G-4 1177.
      {"Amiga arpeggio",
       cellModule({C4, 1, 0, 0x00, 0x37}, amiga(-64, 0)),
       PERIOD_DELTA,
       {0, -281, -586, 0}},
      // Note 1 with relative note -2 sounds note 254; 254 + 3 wraps to note 1 (period 25855)
      // from note 254 (period 0).
      {"Amiga arpeggio past the last note",
       cellModule({1, 1, 0, 0x00, 0x30}, amiga(0, -2)),
       PERIOD_DELTA,
       {0, 25855}},
      {"portamento up from B-7 stops at 56",
       cellModule({96, 1, 0, 0x01, 0xFF}),
       PERIOD,
       {1600, 580, 56, 56, 56, 56}},
      {"portamento down has no limit",
       cellModule({C4, 1, 0, 0x02, 0xFF}),
       PERIOD,
       {4608, 5628, 6648, 7668, 8688, 9708}},
      {"A35 slides up by 3 and ignores the 5; A00 slides up by 3 again",
       baseModule({{0, 0, Cell{C4, 1, 0x20, 0x0A, 0x35}}, {1, 0, Cell{0, 0, 0, 0x0A}}}),
       VOLUME,
       {16, 19, 22, 25, 28, 31, 31, 34, 37, 40, 43, 46}},
      {"EC2", cellModule({C4, 1, 0, 0x0E, 0xC2}), VOLUME, {64, 64, 0, 0, 0, 0}},
      {"EC0 never cuts", cellModule({C4, 1, 0, 0x0E, 0xC0}), VOLUME, Values(6, 64)},
      // Retriggers from the volume the column sets: R3y takes 4, R6y two thirds, REy adds 50%,
      // R7y halves, R8y leaves it.
      {"R33", cellModule({C4, 1, 0x38, 0x1B, 0x33}), VOLUME, {40, 40, 40, 36, 36, 36}},
      {"R61", cellModule({C4, 1, 0x50, 0x1B, 0x61}), VOLUME, {64, 42, 28, 18, 12, 8}},
      {"RE1", cellModule({C4, 1, 0x38, 0x1B, 0xE1}), VOLUME, {40, 60, 64, 64, 64, 64}},
      {"R71", cellModule({C4, 1, 0x31, 0x1B, 0x71}), VOLUME, {33, 16, 8, 4, 2, 1}},
      {"R81", cellModule({C4, 1, 0x24, 0x1B, 0x81}), VOLUME, Values(6, 20)},
      {"T21 sounds 3 ticks and rests 2, across rows",
       baseModule({{0, 0, Cell{C4, 1, 0, 0x1D, 0x21}}, {1, 0, Cell{0, 0, 0, 0x1D}}}),
       VOLUME_DELTA,
       {0, 0, 0, -64, -64, 0, 0, 0, -64, -64, 0, 0}},
      {"T00 without lengths is silent", cellModule({C4, 1, 0, 0x1D, 0}), VOLUME_DELTA,
       Values(6, -64)},
      {"P0F stops at the left edge",
       cellModule({C4, 1, 0, 0x19, 0x0F}, panning(10)),
       PAN,
       {10, 0, 0, 0}},
      {"PF0 stops at the right edge",
       cellModule({C4, 1, 0, 0x19, 0xF0}, panning(250)),
       PAN,
       {250, 255, 255, 255}},
      {"E93", cellModule({C4, 1, 0, 0x0E, 0x93}), TRIGGERED, {1, 0, 0, 1, 0, 0}},
      {"E92", cellModule({C4, 1, 0, 0x0E, 0x92}), TRIGGERED, {1, 0, 1, 0, 1, 0}},
      {"E90", cellModule({C4, 1, 0, 0x0E, 0x90}), TRIGGERED, {1, 0, 0, 0, 0, 0}},
      {"E94 at speed 3",
       cellModule({C4, 1, 0, 0x0E, 0x94}, [](xmtest::Module& m) { m.speed = 3; }),
       TRIGGERED,
       {1, 0, 0}},
      {"R33 triggers", cellModule({C4, 1, 0x50, 0x1B, 0x33}), TRIGGERED, {1, 0, 0, 1, 0, 0}},
  });
}

TEST(EffectTicks, GlobalVolumeSlidesStopAtTheirLimitsAndReachLaterChannelsAtOnce) {
  Replay atTop(cellModule({C4, 1, 0, 0x11, 0x1F}));  // the x wins over the y
  atTop.finishRow();
  EXPECT_EQ(atTop.song().globalVolume, 64);
  Replay atBottom(baseModule({{0, 0, Cell{0, 0, 0, 0x10, 0x00}}, {1, 0, Cell{0, 0, 0, 0x11, 1}}}));
  atBottom.playRows(2);
  EXPECT_EQ(atBottom.song().globalVolume, 0);

  for (const int slider : {0, 1}) {
    // 0x60 slides by 0 but asks both channels for a volume update on every tick.
    const Cell slide{0, 0, 0x60, 0x11, 0x04};
    const Cell plain{0, 0, 0x60, 0x00, 0x00};
    Replay replay(baseModule({{0, 0, Cell{C4, 1}},
                              {0, 1, Cell{C4, 1}},
                              {1, 0, slider == 0 ? slide : plain},
                              {1, 1, slider == 1 ? slide : plain}}));
    replay.finishRow();
    replay.tick(2);
    // Channel 0 reached its voice before a slide on channel 1 changed the global volume.
    EXPECT_EQ((Values{replay.song().globalVolume, replay.voice(0).volume, replay.voice(1).volume}),
              (Values{60, slider == 0 ? 120 : 128, 120}))
        << "slide on channel " << slider;
  }
}

TEST(EffectTicks, ADelayedNoteStartsOnItsTickAndTheOldOneIsFrozenBefore) {
  xmtest::Module module =
      baseModule({{0, 0, Cell{C4, 1, 0x30}}, {1, 0, Cell{C4 + 12, 1, 0x20, 0x0E, 0xD3}}});
  module.instruments[0].volume.points = {{0, 64}, {4, 0}};
  module.instruments[0].volume.flags = 1;
  firstSample(module).panning = 200;
  Replay replay(module);
  replay.tick(2);
  const int firstVoice = replay.voice(0).index;
  replay.finishRow();
  EXPECT_EQ(replay.voice(0).volume, 0) << "the envelope ran out on the old note";
  const player::Voice ended = replay.voice(0);
  for (int t = 0; t < 3; ++t) {
    replay.tick();
    const player::Voice& now = replay.voice(0);
    EXPECT_EQ((Values{now.index, now.volume, now.pan, now.frequency}),
              (Values{ended.index, ended.volume, ended.pan, ended.frequency}))
        << "tick " << t;
  }
  EXPECT_EQ(replay.channel(0).volume, 32) << "tick 0 kept the old volume";
  replay.tick();  // tick 3
  const Channel& channel = replay.channel(0);
  EXPECT_NE(replay.voice(0).index, firstVoice);
  EXPECT_EQ((Values{channel.volume, channel.volEnvValue, channel.panEnvValue, channel.period,
                    replay.voice(0).volume}),
            (Values{16, 64, 32, 4608 - 768, 32}));

  for (const std::uint8_t param : {0xD0, 0xD6, 0xDF}) {
    Replay never(cellModule({C4, 1, 0, 0x0E, param}));
    never.finishRow();
    EXPECT_EQ(never.voice(0).sample, nullptr) << "ED" << (param & 15) << " never starts its note";
  }
}

TEST(EffectTicks, VolumeColumnVibratoMovesButToneportamentoRemovesItsPitch) {
  Replay replay(baseModule({{0, 0, Cell{C4, 1, 0xA4}}, {1, 0, Cell{0, 0, 0xB5, 0x03, 0x00}}}));
  replay.finishRow();
  EXPECT_EQ(replay.record(4, [](const Channel& c) { return c.vibratoPos; }), (Values{0, 4, 8, 12}));
  EXPECT_EQ(replay.channel(0).vibratoDepth, 5);
  EXPECT_EQ(replay.channel(0).periodDelta, 0);
}

}  // namespace
