#include "player/replay/voice_update.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "player/audio_output.h"
#include "player/mixer/voice.h"
#include "player/replay/voice_step.h"

namespace {

using namespace player;

class VoiceUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(voicePool, 0, sizeof voicePool);
    for (int i = 0; i < VOICE_POOL_SIZE; ++i) {
      voicePool[i].index = i;
      voicePool[i].step = 1;
    }
    audioOutput.outputRate = 44100;
    channel = Channel{};
    channel.voice = &voicePool[5];
    song = Song{};
    song.globalVolume = 64;
    song.flags = SONG_LINEAR_FREQUENCIES;
    sample = Sample{};
    sample.length = 1000;
    sample.loopLength = 1000;
    sample.loopMode = LOOP_OFF;
  }

  void update(std::uint8_t flags) {
    channel.flags = flags;
    updateVoice(&channel, &sample, &song);
  }

  // The final volume for these channel values at full envelope, fadeout and global volume.
  std::int32_t volumeFor(std::int32_t volume, std::int32_t envelope = 64,
                         std::int32_t fade = 65536) {
    channel.volume = volume;
    channel.volEnvValue = envelope;
    channel.fadeVolume = fade;
    update(UPDATE_VOLUME);
    return channel.voice->volume;
  }

  std::int32_t panFor(std::int32_t pan, std::int32_t envelope) {
    channel.pan = pan;
    channel.panEnvValue = envelope;
    update(UPDATE_PAN);
    return channel.voice->pan;
  }

  std::int32_t frequencyFor(std::int32_t period, std::int32_t delta = 0) {
    channel.period = period;
    channel.periodDelta = delta;
    update(UPDATE_FREQUENCY);
    return channel.voice->frequency;
  }

  Channel channel{};
  Song song{};
  Sample sample{};
};

TEST_F(VoiceUpdate, TriggersWhileSoundingAlternateBetweenTwinVoices) {
  update(UPDATE_TRIGGER);  // nothing sounds yet: the channel stays on its voice
  ASSERT_EQ(channel.voice, &voicePool[5]);
  for (int voiceIndex : {37, 5}) {
    Voice* old = channel.voice;
    old->position = 321;
    old->volume = 100;
    old->leftTarget = 50;
    old->rightTarget = 49;
    old->leftLevel = 50 * 256;
    update(UPDATE_TRIGGER);
    ASSERT_EQ(channel.voice, &voicePool[voiceIndex]);
    EXPECT_EQ(channel.voice->index, voiceIndex);
    // The voice left behind plays on at gain 0 from where it was.
    EXPECT_EQ(old->sample, &sample);
    EXPECT_EQ(old->position, 321u);
    EXPECT_EQ(old->leftLevel, 50 * 256);
    EXPECT_EQ(old->volume, 0);
    EXPECT_EQ(old->reportedVolume, 0);
    EXPECT_EQ(old->leftTarget, 0);
    EXPECT_EQ(old->rightTarget, 0);
    // The new note starts from silence at the sample's start, with the copied gains as targets.
    EXPECT_EQ(channel.voice->position, 0u);
    EXPECT_EQ(channel.voice->leftLevel, 0);
    EXPECT_EQ(channel.voice->rampRemaining, 0);
    EXPECT_EQ(channel.voice->volume, 100);
    EXPECT_EQ(channel.voice->leftTarget, 50);
    EXPECT_EQ(channel.voice->direction, DIRECTION_FORWARD);
  }
}

TEST_F(VoiceUpdate, TriggerAfterTheSampleEndedReusesTheVoice) {
  voicePool[5].position = 77;
  voicePool[5].direction = DIRECTION_BACKWARD;
  voicePool[37].position = 9;
  update(UPDATE_TRIGGER);
  EXPECT_EQ(channel.voice, &voicePool[5]);
  EXPECT_EQ(voicePool[5].sample, &sample);
  EXPECT_EQ(voicePool[5].position, 0u);
  EXPECT_EQ(voicePool[5].direction, DIRECTION_FORWARD);
  EXPECT_EQ(voicePool[37].position, 9u);
  EXPECT_EQ(voicePool[37].sample, nullptr);
}

TEST_F(VoiceUpdate, TriggerStartsAtTheOffsetOnlyInsideThePlayingRange) {
  voicePool[5].startOffset = 999;
  update(UPDATE_TRIGGER);
  EXPECT_EQ(channel.voice->position, 999u);
  EXPECT_EQ(channel.voice->startOffset, 0u);

  channel.voice->sample = nullptr;
  channel.voice->startOffset = 1000;
  update(UPDATE_TRIGGER);
  EXPECT_EQ(channel.voice->position, 0u);
  EXPECT_EQ(channel.voice->startOffset, 0u);

  // A playing range whose end overflows 32 bits does not wrap round to admit the offset.
  channel.voice->sample = nullptr;
  sample.loopStart = 0xFFFFFFF0u;
  sample.loopLength = 0x20;
  channel.voice->startOffset = 0xFFFFFFFFu;
  update(UPDATE_TRIGGER);
  EXPECT_EQ(channel.voice->position, 0xFFFFFFFFu);
}

TEST_F(VoiceUpdate, FinalVolumeRoundsHalvesToEven) {
  EXPECT_EQ(volumeFor(64), 128);  // 127.5
  EXPECT_EQ(volumeFor(32), 64);   // 63.75
  EXPECT_EQ(volumeFor(64, 64, 0), 0);
  EXPECT_EQ(volumeFor(255), 508);  // a set-volume above 64 is not clamped
  EXPECT_EQ(volumeFor(1), 2);      // 1.9921875
  channel.volumeDelta = -32;
  EXPECT_EQ(volumeFor(64), 64);
  channel.volumeDelta = 0;
  song.globalVolume = 32;
  EXPECT_EQ(volumeFor(64), 64);  // 63.75
  EXPECT_EQ(channel.voice->reportedVolume, 64);
}

TEST_F(VoiceUpdate, VolumeTargetsUseTheVoicesPanBeforeThisTicksPanning) {
  channel.voice->pan = 128;
  EXPECT_EQ(volumeFor(64), 128);
  EXPECT_EQ(channel.voice->leftTarget, 64);
  EXPECT_EQ(channel.voice->rightTarget, 63);
  channel.voice->pan = 200;
  channel.pan = 0;
  channel.panEnvValue = 32;
  EXPECT_EQ(volumeFor(64), 128);
  EXPECT_EQ(channel.voice->leftTarget, 100);  // 200 x 128 / 255 = 100.4
  EXPECT_EQ(channel.voice->rightTarget, 27);  // 55 x 128 / 255 = 27.6

  // With both requests the panning step runs second and sets the targets from the new pan.
  update(UPDATE_VOLUME | UPDATE_PAN);
  EXPECT_EQ(channel.voice->pan, 0);
  EXPECT_EQ(channel.voice->leftTarget, 0);
  EXPECT_EQ(channel.voice->rightTarget, 128);
}

TEST_F(VoiceUpdate, PanningEnvelopeSwingsWithinTheSpanAndIsClamped) {
  EXPECT_EQ(panFor(128, 64), 255);  // 256 clamped
  EXPECT_EQ(panFor(128, 0), 0);
  EXPECT_EQ(panFor(100, 40), 124);  // span 3, not 28/32 x 4
  EXPECT_EQ(panFor(100, 32), 100);
  EXPECT_EQ(panFor(255, 64), 255);  // span 0 at the edge
  // Slides may leave the channel pan outside 0..255; the voice hears the edge.
  EXPECT_EQ(panFor(300, 32), 255);
  EXPECT_EQ(panFor(-20, 32), 0);
  EXPECT_EQ(panFor(std::numeric_limits<std::int32_t>::min(), 64), 0);
  EXPECT_EQ(channel.voice->reportedPan, 0);

  channel.voice->volume = 128;
  EXPECT_EQ(panFor(255, 32), 255);
  EXPECT_EQ(channel.voice->leftTarget, 128);
  EXPECT_EQ(channel.voice->rightTarget, 0);
  EXPECT_EQ(panFor(128, 32), 128);
  EXPECT_EQ(channel.voice->leftTarget, 64);
  EXPECT_EQ(channel.voice->rightTarget, 63);
}

TEST_F(VoiceUpdate, LinearFrequencies) {
  EXPECT_EQ(frequencyFor(4608), 8363);
  EXPECT_EQ(frequencyFor(3840), 16726);
  EXPECT_EQ(frequencyFor(7680), 523);
  EXPECT_EQ(frequencyFor(4608, 64), 8860);  // a positive delta raises the pitch
  EXPECT_EQ(frequencyFor(4608, -64), 7894);
}

TEST_F(VoiceUpdate, AmigaFrequencies) {
  song.flags = 0;
  EXPECT_EQ(frequencyFor(1712), 8362);
  EXPECT_EQ(frequencyFor(856), 16725);
  EXPECT_EQ(frequencyFor(1712, 1712), 4181);  // a positive delta lowers the pitch
}

TEST_F(VoiceUpdate, StepFromTheFrequencyAtTheOutputRate) {
  frequencyFor(4608);
  EXPECT_EQ(channel.voice->step, 0u);
  EXPECT_EQ(channel.voice->stepFrac, 814485521u);

  Voice voice{};
  setVoiceStep(&voice, 100, 44100);
  EXPECT_EQ(voice.step, 0u);
  EXPECT_EQ(voice.stepFrac, 9739154u);
  setVoiceStep(&voice, 88200, 44100);
  EXPECT_EQ(voice.step, 2u);
  EXPECT_EQ(voice.stepFrac, 0u);
  // The two frequencies below 200 kHz where the quotient in the dividend adds one to the
  // fraction that r x 2^32 / R would give.
  for (std::uint32_t f : {179801u, 190826u}) {
    setVoiceStep(&voice, static_cast<std::int32_t>(f), 44100);
    const std::uint64_t plain = (static_cast<std::uint64_t>(f % 44100) << 32) / 44100;
    EXPECT_EQ(voice.step, f / 44100);
    EXPECT_EQ(voice.stepFrac, plain + 1) << f;
  }
}

TEST_F(VoiceUpdate, LowFrequenciesStepAt100HzButAreRecordedAsComputed) {
  song.flags = 0;
  EXPECT_EQ(frequencyFor(-1712), -8362);  // truncated toward zero
  EXPECT_EQ(channel.voice->step, 0u);
  EXPECT_EQ(channel.voice->stepFrac, 9739154u);

  song.flags = SONG_LINEAR_FREQUENCIES;
  EXPECT_EQ(frequencyFor(9984), 65);
  EXPECT_EQ(channel.voice->stepFrac, 9739154u);
  // A linear result beyond 32 bits is the integer-indefinite value, floored like any other.
  EXPECT_EQ(frequencyFor(-20000), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(channel.voice->step, 0u);
  EXPECT_EQ(channel.voice->stepFrac, 9739154u);
}

TEST_F(VoiceUpdate, StepStaysBelow256SamplesPerFrame) {
  song.flags = 0;
  EXPECT_EQ(frequencyFor(1), 14317056);  // 324.6 samples per frame at 44.1 kHz
  EXPECT_EQ(channel.voice->step, 255u);
  EXPECT_EQ(channel.voice->stepFrac, 0u);
  audioOutput.outputRate = 8000;
  EXPECT_EQ(frequencyFor(7), 2045293);
  EXPECT_EQ(channel.voice->step, 255u);
}

TEST_F(VoiceUpdate, ZeroPeriodSumKeepsTheFrequencyWithEitherTable) {
  for (std::uint16_t flags : {std::uint16_t{0}, SONG_LINEAR_FREQUENCIES}) {
    song.flags = flags;
    frequencyFor(4608);
    const Voice before = *channel.voice;
    EXPECT_EQ(frequencyFor(100, -100), before.frequency);
    EXPECT_EQ(channel.voice->step, before.step);
    EXPECT_EQ(channel.voice->stepFrac, before.stepFrac);
    EXPECT_EQ(channel.flags & UPDATE_FREQUENCY, 0);
  }
}

TEST_F(VoiceUpdate, PeriodSumsWrapIn32Bits) {
  song.flags = 0;
  const std::int32_t top = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(frequencyFor(top, 1), 0);  // wraps to INT32_MIN
  EXPECT_EQ(channel.voice->stepFrac, 9739154u);
  const std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(frequencyFor(top, bottom), -14317056);  // wraps to -1
  song.flags = SONG_LINEAR_FREQUENCIES;
  // 4608 - period + delta wraps to 768: one octave above C-4.
  EXPECT_EQ(frequencyFor(bottom, top - 3839), 16726);
}

TEST_F(VoiceUpdate, RewindKeepsSampleAndGains) {
  Voice& voice = *channel.voice;
  voice.sample = &sample;
  voice.position = 500;
  voice.positionFrac = 12345;
  voice.startOffset = 256;
  voice.leftTarget = 40;
  update(UPDATE_REWIND);
  EXPECT_EQ(voice.position, 0u);
  EXPECT_EQ(voice.positionFrac, 0u);
  EXPECT_EQ(voice.startOffset, 0u);
  EXPECT_EQ(voice.sample, &sample);
  EXPECT_EQ(voice.leftTarget, 40);
  EXPECT_EQ(channel.voice, &voicePool[5]);
}

TEST_F(VoiceUpdate, ANoteStartWritesEverythingToTheNewVoice) {
  voicePool[5].sample = &sample;
  voicePool[5].pan = 128;
  channel.volume = 64;
  channel.volEnvValue = 64;
  channel.fadeVolume = 65536;
  channel.pan = 255;
  channel.panEnvValue = 32;
  channel.period = 4608;
  update(UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PAN | UPDATE_FREQUENCY);
  const Voice& fresh = voicePool[37];
  EXPECT_EQ(channel.voice, &fresh);
  EXPECT_EQ(fresh.volume, 128);
  EXPECT_EQ(fresh.leftTarget, 128);
  EXPECT_EQ(fresh.rightTarget, 0);
  EXPECT_EQ(fresh.frequency, 8363);
  EXPECT_EQ(voicePool[5].volume, 0);
  EXPECT_EQ(voicePool[5].leftTarget, 0);
  EXPECT_EQ(voicePool[5].frequency, 0);
}

}  // namespace
