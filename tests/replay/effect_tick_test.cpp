// The ticks of a row after its first: slides, arpeggio, retriggers, cuts, delays and the order
// in which the channels reach their voices. Traces start with the row tick.
#include "player/replay/effect_tick.h"

#include <gtest/gtest.h>

#include "tests/replay/replay_fixture.h"

namespace {

using namespace replaytest;
using player::Channel;

xmtest::Sample& sampleOf(xmtest::Module& module) {
  return module.instruments[0].samples[0];
}

const ChannelField PERIOD = field(&Channel::period);
const ChannelField PERIOD_DELTA = field(&Channel::periodDelta);
const ChannelField VOLUME = field(&Channel::volume);
const ChannelField VOLUME_DELTA = field(&Channel::volumeDelta);
const ChannelField PAN = field(&Channel::pan);
// 1 on the ticks on which the channel asks for a note start.
const ChannelField TRIGGERED = [](const Channel& c) {
  return (c.flags & player::UPDATE_TRIGGER) != 0 ? 1 : 0;
};

TEST(EffectTicks, Pitch) {
  const auto amiga = [](std::int8_t finetune, std::int8_t relativeNote) {
    return [=](xmtest::Module& m) {
      m.flags = 0;
      sampleOf(m).finetune = finetune;
      sampleOf(m).relativeNote = relativeNote;
    };
  };
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x00, 0x37}, PERIOD_DELTA, 6), (Values{0, 192, 448, 0, 192, 448}))
      << "arpeggio 037: 3 and 7 semitones on ticks 1 and 2 of each three";
  EXPECT_EQ(trace(Cell{C4, 1}, PERIOD_DELTA, 3), (Values{0, 0, 0})) << "arpeggio 000";
  // Finetune -64: C-4 has period 1763, D#-4 1482 and G-4 1177.
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x00, 0x37}, PERIOD_DELTA, 4, amiga(-64, 0)),
            (Values{0, -281, -586, 0}))
      << "Amiga arpeggio";
  // Note 1 with relative note -2 sounds note 254; 254 + 3 wraps to note 1 (period 25855) from
  // note 254 (period 0).
  EXPECT_EQ(trace(Cell{1, 1, 0, 0x00, 0x30}, PERIOD_DELTA, 2, amiga(0, -2)), (Values{0, 25855}))
      << "Amiga arpeggio past the last note";
  EXPECT_EQ(trace(Cell{96, 1, 0, 0x01, 0xFF}, PERIOD, 6), (Values{1600, 580, 56, 56, 56, 56}))
      << "portamento up from B-7 stops at 56";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x02, 0xFF}, PERIOD, 6),
            (Values{4608, 5628, 6648, 7668, 8688, 9708}))
      << "portamento down has no limit";
}

TEST(EffectTicks, VolumeAndPanning) {
  EXPECT_EQ(trace(baseModule({{0, 0, Cell{C4, 1, 0x20, 0x0A, 0x35}}, {1, 0, Cell{0, 0, 0, 0x0A}}}),
                  VOLUME, 12),
            (Values{16, 19, 22, 25, 28, 31, 31, 34, 37, 40, 43, 46}))
      << "A35 slides up by 3 and ignores the 5; A00 slides up by 3 again";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x0E, 0xC2}, VOLUME, 6), (Values{64, 64, 0, 0, 0, 0})) << "EC2";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x0E, 0xC0}, VOLUME, 6), Values(6, 64)) << "EC0 never cuts";
  struct Retrigger {
    std::uint8_t volume, param;
    Values volumes;
  };
  for (const Retrigger& r :
       {Retrigger{40, 0x33, {40, 40, 40, 36, 36, 36}}, Retrigger{64, 0x61, {64, 42, 28, 18, 12, 8}},
        Retrigger{40, 0xE1, {40, 60, 64, 64, 64, 64}}, Retrigger{33, 0x71, {33, 16, 8, 4, 2, 1}},
        Retrigger{20, 0x81, Values(6, 20)}}) {
    const Cell cell{C4, 1, static_cast<std::uint8_t>(0x10 + r.volume), 0x1B, r.param};
    EXPECT_EQ(trace(cell, VOLUME, 6), r.volumes) << "R" << std::hex << int(r.param);
  }
  EXPECT_EQ(trace(baseModule({{0, 0, Cell{C4, 1, 0, 0x1D, 0x21}}, {1, 0, Cell{0, 0, 0, 0x1D}}}),
                  VOLUME_DELTA, 12),
            (Values{0, 0, 0, -64, -64, 0, 0, 0, -64, -64, 0, 0}))
      << "T21 sounds 3 ticks and rests 2, across rows";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x1D, 0}, VOLUME_DELTA, 6), Values(6, -64))
      << "T00 without lengths is silent";
  for (const auto& [from, param, to] : {std::tuple{10, 0x0F, 0}, std::tuple{250, 0xF0, 255}}) {
    const auto panning = [from = from](xmtest::Module& m) {
      sampleOf(m).panning = static_cast<std::uint8_t>(from);
    };
    EXPECT_EQ(trace(Cell{C4, 1, 0, 0x19, static_cast<std::uint8_t>(param)}, PAN, 4, panning),
              (Values{from, to, to, to}))
        << "P" << std::hex << param << " stops at the edge";
  }
}

TEST(EffectTicks, Retriggers) {
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x0E, 0x93}, TRIGGERED, 6), (Values{1, 0, 0, 1, 0, 0})) << "E93";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x0E, 0x92}, TRIGGERED, 6), (Values{1, 0, 1, 0, 1, 0})) << "E92";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x0E, 0x90}, TRIGGERED, 6), (Values{1, 0, 0, 0, 0, 0})) << "E90";
  EXPECT_EQ(trace(Cell{C4, 1, 0, 0x0E, 0x94}, TRIGGERED, 3, [](xmtest::Module& m) { m.speed = 3; }),
            (Values{1, 0, 0}))
      << "E94 at speed 3";
  EXPECT_EQ(trace(Cell{C4, 1, 0x50, 0x1B, 0x33}, TRIGGERED, 6), (Values{1, 0, 0, 1, 0, 0}))
      << "R33";
}

TEST(EffectTicks, GlobalVolumeSlidesStopAtTheirLimitsAndReachLaterChannelsAtOnce) {
  Replay atTop(baseModule({{0, 0, Cell{C4, 1, 0, 0x11, 0x1F}}}));  // the x wins over the y
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
    EXPECT_EQ(replay.song().globalVolume, 60);
    // Channel 0 reached its voice before a slide on channel 1 changed the global volume.
    EXPECT_EQ(replay.voice(0).volume, slider == 0 ? 120 : 128) << "slide on channel " << slider;
    EXPECT_EQ(replay.voice(1).volume, 120);
  }
}

TEST(EffectTicks, ADelayedNoteStartsOnItsTickAndTheOldOneIsFrozenBefore) {
  xmtest::Module module =
      baseModule({{0, 0, Cell{C4, 1, 0x30}}, {1, 0, Cell{C4 + 12, 1, 0x20, 0x0E, 0xD3}}});
  module.instruments[0].volume.points = {{0, 64}, {4, 0}};
  module.instruments[0].volume.flags = 1;
  sampleOf(module).panning = 200;
  Replay replay(module);
  replay.tick(2);
  const int firstVoice = replay.voice(0).index;
  replay.finishRow();
  EXPECT_EQ(replay.voice(0).volume, 0) << "the envelope ran out on the old note";
  const player::Voice ended = replay.voice(0);
  for (int t = 0; t < 3; ++t) {
    replay.tick();
    EXPECT_EQ(replay.voice(0).index, ended.index);
    EXPECT_EQ(replay.voice(0).volume, ended.volume);
    EXPECT_EQ(replay.voice(0).pan, ended.pan);
    EXPECT_EQ(replay.voice(0).frequency, ended.frequency) << "tick " << t;
  }
  EXPECT_EQ(replay.channel(0).volume, 32) << "tick 0 kept the old volume";
  replay.tick();  // tick 3
  const Channel& channel = replay.channel(0);
  EXPECT_NE(replay.voice(0).index, firstVoice);
  EXPECT_EQ(channel.volume, 16);
  EXPECT_EQ(channel.volEnvValue, 64);
  EXPECT_EQ(channel.panEnvValue, 32);
  EXPECT_EQ(channel.period, 4608 - 768);
  EXPECT_EQ(replay.voice(0).volume, 32);

  for (const std::uint8_t param : {0xD0, 0xD6, 0xDF}) {
    Replay never(baseModule({{0, 0, Cell{C4, 1, 0, 0x0E, param}}}));
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
