// The ticks of a row after its first: slides, arpeggio, retriggers, cuts, delays and the order
// in which the channels reach their voices.
#include "player/replay/effect_tick.h"

#include <gtest/gtest.h>

#include "player/replay/pitch.h"
#include "tests/replay/replay_fixture.h"

namespace {

using replaytest::baseModule;
using replaytest::Cell;
using replaytest::put;
using replaytest::Replay;

constexpr std::uint8_t C4 = 49;

// Plays tick 0 of row 0, then ticks 1..count, recording `field` of channel 0 after each of them.
template <typename Field>
std::vector<std::int32_t> perTick(Replay& replay, int count, Field field) {
  replay.tick();
  std::vector<std::int32_t> values;
  for (int t = 0; t < count; ++t) {
    replay.tick();
    values.push_back(field(replay.channel(0)));
  }
  return values;
}

std::vector<std::int32_t> tickValues(const xmtest::Module& module, int count,
                                     std::int32_t player::Channel::*field) {
  Replay replay(module);
  EXPECT_TRUE(replay.loaded());
  if (!replay.loaded()) return {};
  return perTick(replay, count, [field](const player::Channel& c) { return c.*field; });
}

std::vector<std::int32_t> triggerTicks(const xmtest::Module& module, int count) {
  Replay replay(module);
  EXPECT_TRUE(replay.loaded());
  if (!replay.loaded()) return {};
  std::vector<std::int32_t> ticks;
  const auto flags = perTick(replay, count, [](const player::Channel& c) { return c.flags; });
  for (int t = 0; t < count; ++t) {
    if ((flags[t] & player::UPDATE_TRIGGER) != 0) ticks.push_back(t + 1);
  }
  return ticks;
}

xmtest::Module oneCell(const Cell& cell, std::uint16_t speed = 6) {
  xmtest::Module module = baseModule();
  module.speed = speed;
  put(module, 0, 0, cell);
  return module;
}

TEST(EffectArpeggio, LinearTableGivesSemitonesOfSixtyFourUnits) {
  EXPECT_EQ(tickValues(oneCell(Cell{C4, 1, 0, 0x00, 0x37}), 5, &player::Channel::periodDelta),
            (std::vector<std::int32_t>{192, 448, 0, 192, 448}));
  Replay silent(oneCell(Cell{C4, 1, 0, 0x00, 0x00}));
  ASSERT_TRUE(silent.loaded());
  silent.tick(2);
  EXPECT_EQ(silent.channel(0).periodDelta, 0);
}

TEST(EffectArpeggio, AmigaTableUsesPeriodDifferencesWithTheNoteWrapped) {
  xmtest::Module module = oneCell(Cell{C4, 1, 0, 0x00, 0x37});
  module.flags = 0;
  module.instruments[0].samples[0].finetune = -64;
  const std::int32_t base = player::amigaPeriod(48, -64);
  EXPECT_EQ(tickValues(module, 3, &player::Channel::periodDelta),
            (std::vector<std::int32_t>{player::amigaPeriod(51, -64) - base,
                                       player::amigaPeriod(55, -64) - base, 0}));
  EXPECT_LT(player::amigaPeriod(51, -64) - base, 0);

  // Note 1 with relative note -2 sounds note 254; 254 + 3 is taken as note 1.
  xmtest::Module high = oneCell(Cell{1, 1, 0, 0x00, 0x30});
  high.flags = 0;
  high.instruments[0].samples[0].relativeNote = -2;
  EXPECT_EQ(tickValues(high, 1, &player::Channel::periodDelta)[0],
            player::amigaPeriod(1, 0) - player::amigaPeriod(254, 0));
}

TEST(EffectSlides, PortamentoUpStopsAtFiftySixAndDownHasNoLimit) {
  // B-7 has period 1600.
  EXPECT_EQ(tickValues(oneCell(Cell{96, 1, 0, 0x01, 0xFF}), 5, &player::Channel::period),
            (std::vector<std::int32_t>{580, 56, 56, 56, 56}));
  const auto down = tickValues(oneCell(Cell{C4, 1, 0, 0x02, 0xFF}), 5, &player::Channel::period);
  EXPECT_EQ(down, (std::vector<std::int32_t>{5628, 6648, 7668, 8688, 9708}));
}

TEST(EffectSlides, VolumeSlideUpWinsAndTheMemoryIsReused) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0x20, 0x0A, 0x35});
  put(module, 1, 0, Cell{0, 0, 0, 0x0A, 0x00});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.finishRow();
  EXPECT_EQ(replay.channel(0).volume, 16 + 15);
  replay.finishRow();
  EXPECT_EQ(replay.channel(0).volume, 16 + 30);
}

TEST(EffectSlides, PanningSlidesClampAndGlobalSlidesStayInRange) {
  struct Case {
    std::uint8_t panning, param;
    std::int32_t pan;
  };
  for (const Case& c : {Case{10, 0x0F, 0}, Case{250, 0xF0, 255}}) {
    xmtest::Module module = oneCell(Cell{C4, 1, 0, 0x19, c.param});
    module.instruments[0].samples[0].panning = c.panning;
    EXPECT_EQ(tickValues(module, 3, &player::Channel::pan),
              (std::vector<std::int32_t>{c.pan, c.pan, c.pan}));
  }
  xmtest::Module up = oneCell(Cell{C4, 1, 0, 0x11, 0x10});
  Replay atTop(up);
  ASSERT_TRUE(atTop.loaded());
  atTop.finishRow();
  EXPECT_EQ(atTop.song().globalVolume, 64);

  xmtest::Module down = baseModule();
  put(down, 0, 0, Cell{0, 0, 0, 0x10, 0x00});
  put(down, 1, 0, Cell{0, 0, 0, 0x11, 0x01});
  Replay atBottom(down);
  ASSERT_TRUE(atBottom.loaded());
  atBottom.finishRow();
  atBottom.finishRow();
  EXPECT_EQ(atBottom.song().globalVolume, 0);
}

TEST(EffectOrder, AGlobalVolumeChangeReachesTheLaterChannelsOnItsTick) {
  for (const int slider : {0, 1}) {
    xmtest::Module module = baseModule();
    put(module, 0, 0, Cell{C4, 1});
    put(module, 0, 1, Cell{C4, 1});
    // 0x60 slides by 0 but asks both channels for a volume update on every tick.
    const Cell slide{0, 0, 0x60, 0x11, 0x04};
    const Cell plain{0, 0, 0x60, 0x00, 0x00};
    put(module, 1, 0, slider == 0 ? slide : plain);
    put(module, 1, 1, slider == 1 ? slide : plain);
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    replay.finishRow();
    replay.tick(2);
    EXPECT_EQ(replay.song().globalVolume, 60);
    // Channel 0 reached its voice before a slide on channel 1 changed the global volume.
    EXPECT_EQ(replay.voice(0).volume, slider == 0 ? 120 : 128) << "slide on channel " << slider;
    EXPECT_EQ(replay.voice(1).volume, 120);
  }
}

TEST(EffectRetrigger, RetriggerEveryYTicks) {
  EXPECT_EQ(triggerTicks(oneCell(Cell{C4, 1, 0, 0x0E, 0x93}), 5), (std::vector<std::int32_t>{3}));
  EXPECT_EQ(triggerTicks(oneCell(Cell{C4, 1, 0, 0x0E, 0x90}), 5), (std::vector<std::int32_t>{}));
  EXPECT_EQ(triggerTicks(oneCell(Cell{C4, 1, 0, 0x0E, 0x94}, 3), 2), (std::vector<std::int32_t>{}));
}

TEST(EffectRetrigger, MultiRetriggerChangesTheVolume) {
  struct Case {
    std::uint8_t volume, param;
    std::vector<std::int32_t> volumes;
  };
  for (const Case& c :
       {Case{0x10 + 40, 0x33, {40, 40, 36, 36, 36}}, Case{0x10 + 64, 0x61, {42, 28, 18, 12, 8}},
        Case{0x10 + 40, 0xE1, {60, 64, 64, 64, 64}}, Case{0x10 + 33, 0x71, {16, 8, 4, 2, 1}},
        Case{0x10 + 20, 0x81, {20, 20, 20, 20, 20}}}) {
    const xmtest::Module module = oneCell(Cell{C4, 1, c.volume, 0x1B, c.param});
    EXPECT_EQ(tickValues(module, 5, &player::Channel::volume), c.volumes)
        << std::hex << int(c.param);
  }
  EXPECT_EQ(triggerTicks(oneCell(Cell{C4, 1, 0x50, 0x1B, 0x33}), 5),
            (std::vector<std::int32_t>{3}));
}

TEST(EffectCutAndDelay, NoteCutOnItsTick) {
  EXPECT_EQ(tickValues(oneCell(Cell{C4, 1, 0, 0x0E, 0xC2}), 5, &player::Channel::volume),
            (std::vector<std::int32_t>{64, 0, 0, 0, 0}));
  EXPECT_EQ(tickValues(oneCell(Cell{C4, 1, 0, 0x0E, 0xC0}), 5, &player::Channel::volume),
            (std::vector<std::int32_t>{64, 64, 64, 64, 64}));
}

TEST(EffectCutAndDelay, ADelayedNoteStartsOnItsTickAndTheOldOneIsFrozenBefore) {
  xmtest::Module module = baseModule();
  module.instruments[0].volume.points = {{0, 64}, {4, 0}};
  module.instruments[0].volume.flags = 1;
  module.instruments[0].samples[0].panning = 200;
  put(module, 0, 0, Cell{C4, 1, 0x30});
  put(module, 1, 0, Cell{C4 + 12, 1, 0x20, 0x0E, 0xD3});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.tick(2);
  const player::Voice before = replay.voice(0);
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
  const player::Channel& channel = replay.channel(0);
  EXPECT_NE(replay.voice(0).index, before.index);
  EXPECT_EQ(channel.volume, 16);
  EXPECT_EQ(channel.volEnvValue, 64);
  EXPECT_EQ(channel.panEnvValue, 32);
  EXPECT_EQ(channel.period, 4608 - 768);
  EXPECT_EQ(replay.voice(0).volume, 32);
}

TEST(EffectCutAndDelay, DelaysThatNeverComeSuppressTheNote) {
  for (const std::uint8_t param : {0xD0, 0xD6, 0xDF}) {
    xmtest::Module module = baseModule();
    put(module, 0, 0, Cell{C4, 1, 0, 0x0E, param});
    Replay replay(module);
    ASSERT_TRUE(replay.loaded());
    replay.finishRow();
    EXPECT_EQ(replay.voice(0).sample, nullptr) << std::hex << int(param);
  }
}

TEST(EffectVibrato, VolumeColumnVibratoMovesButToneportamentoRemovesItsPitch) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0xA4});
  put(module, 1, 0, Cell{0, 0, 0xB5, 0x03, 0x00});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  replay.finishRow();
  replay.tick();
  EXPECT_EQ(replay.channel(0).vibratoPos, 0);
  for (int t = 1; t <= 3; ++t) {
    replay.tick();
    EXPECT_EQ(replay.channel(0).vibratoPos, 4 * t);
    EXPECT_EQ(replay.channel(0).periodDelta, 0);
    EXPECT_EQ(replay.channel(0).vibratoDepth, 5);
  }
}

TEST(EffectTremor, SoundsForXPlusOneTicksAndIsSilentForYPlusOne) {
  xmtest::Module module = baseModule();
  put(module, 0, 0, Cell{C4, 1, 0, 0x1D, 0x21});
  put(module, 1, 0, Cell{0, 0, 0, 0x1D, 0x00});
  Replay replay(module);
  ASSERT_TRUE(replay.loaded());
  std::vector<std::int32_t> silent;
  for (int t = 0; t < 12; ++t) {
    replay.tick();
    silent.push_back(replay.channel(0).volumeDelta == -64 ? 1 : 0);
  }
  EXPECT_EQ(silent, (std::vector<std::int32_t>{0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0}));
}

}  // namespace
