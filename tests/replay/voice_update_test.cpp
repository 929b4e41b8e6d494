// The end of every channel's tick: note starts with the twin hand-over, final volume and panning,
// and the frequency and step of the voice.
#include "player/replay/voice_update.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/replay/voice_step.h"

namespace {

using namespace player;
using Values = std::vector<std::int64_t>;

constexpr std::int32_t TOP = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t BOTTOM = std::numeric_limits<std::int32_t>::min();
constexpr std::uint32_t FRACTION_100_HZ = 9739154;  // the step of the 100 Hz floor

Values pitchOf(const Voice& v) {
  return {v.frequency, v.step, v.stepFrac};
}

class VoiceUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    prepareOutput(engine, 44100);
    channel.voice = &voicePool[5];
    song.globalVolume = 64;
    song.flags = SONG_LINEAR_FREQUENCIES;
    sample.length = 1000;
    sample.loopLength = 1000;
    sample.loopMode = LOOP_OFF;
  }
  void update(std::uint8_t flags) {
    channel.flags = flags;
    updateVoice(engine, &channel, &sample, &song);
  }
  Voice& voice() { return *channel.voice; }
  // Full volume, envelope and fadeout, for the volume and panning tests.
  void fullVolume() {
    channel.volume = 64;
    channel.volEnvValue = 64;
    channel.fadeVolume = 65536;
  }

  std::unique_ptr<Engine> ownEngine = std::make_unique<Engine>();
  Engine& engine = *ownEngine;
  Voice* const voicePool = engine.voicePool.voices;
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
    // The voice left behind plays on from where it was, ramping down to gain 0.
    EXPECT_EQ(old->sample, &sample);
    EXPECT_EQ((Values{old->position, old->volume, old->leftTarget, old->rightTarget}),
              (Values{321, 0, 0, 0}));
    // The new note starts from silence at the sample's start, with the copied gains as targets.
    const Voice& v = voice();
    EXPECT_EQ((Values{v.index, v.position, v.leftLevel, v.rampRemaining, v.volume, v.leftTarget}),
              (Values{voiceIndex, 0, 0, 0, 100, 50}));
  }
}

// A trigger on a voice whose sample has ended reuses the voice, from the start offset if that
// lies inside the playing range. A playing range whose end overflows 32 bits does not wrap round
// to refuse the offset.
TEST_F(VoiceUpdate, TriggerAfterTheSampleEndedStartsAtTheOffsetOnlyInsideThePlayingRange) {
  struct Case {
    std::uint32_t loopStart, loopLength, offset, position;
  };
  for (const Case& c : {Case{0, 1000, 999, 999}, Case{0, 1000, 1000, 0},
                        Case{0xFFFFFFF0u, 0x20, 0xFFFFFFFFu, 0xFFFFFFFFu}}) {
    sample.loopStart = c.loopStart;
    sample.loopLength = c.loopLength;
    voice().sample = nullptr;
    voice().startOffset = c.offset;
    voice().direction = DIRECTION_BACKWARD;
    update(UPDATE_TRIGGER);
    EXPECT_EQ(channel.voice, &voicePool[5]);
    EXPECT_EQ(voice().sample, &sample);
    EXPECT_EQ((Values{voice().position, voice().startOffset, voice().direction}),
              (Values{c.position, 0, DIRECTION_FORWARD}))
        << c.offset;
  }
}

TEST_F(VoiceUpdate, FinalVolumeRoundsHalvesToEven) {
  struct Case {
    std::int32_t volume, delta, envelope, fade, global, expected;
  };
  for (const Case& c : {Case{64, 0, 64, 65536, 64, 128},  // 127.5
                        Case{32, 0, 64, 65536, 64, 64},   // 63.75
                        Case{64, 0, 64, 0, 64, 0},
                        Case{255, 0, 64, 65536, 64, 508},  // a set volume above 64 is not clamped
                        Case{1, 0, 64, 65536, 64, 2},      // 1.9921875
                        Case{64, -32, 64, 65536, 64, 64}, Case{64, 0, 64, 65536, 32, 64}}) {
    channel.volume = c.volume;
    channel.volumeDelta = c.delta;
    channel.volEnvValue = c.envelope;
    channel.fadeVolume = c.fade;
    song.globalVolume = c.global;
    update(UPDATE_VOLUME);
    EXPECT_EQ((Values{voice().volume, voice().reportedVolume}), (Values{c.expected, c.expected}))
        << c.volume << " " << c.delta << " " << c.global;
  }
}

TEST_F(VoiceUpdate, VolumeTargetsUseTheVoicesPanBeforeThisTicksPanning) {
  fullVolume();
  channel.pan = 0;
  // 200 x 128 / 255 = 100.4 and 55 x 128 / 255 = 27.6.
  for (const auto& [pan, left, right] : {std::tuple{128, 64, 63}, std::tuple{200, 100, 27}}) {
    voice().pan = pan;
    update(UPDATE_VOLUME);
    EXPECT_EQ((Values{voice().leftTarget, voice().rightTarget}), (Values{left, right})) << pan;
  }
}

TEST_F(VoiceUpdate, PanningEnvelopeSwingsWithinTheSpanAndIsClamped) {
  struct Case {
    std::int32_t pan, envelope, expected, left, right;
  };
  voice().volume = 128;
  // Span 3 around 100, span 0 at 255; slides may leave the channel pan outside 0..255, and the
  // voice hears the edge.
  for (const Case& c :
       {Case{128, 64, 255, 128, 0} /* 256 clamped */, Case{128, 0, 0, 0, 128},
        Case{100, 40, 124, 62, 65}, Case{100, 32, 100, 50, 77}, Case{255, 64, 255, 128, 0},
        Case{128, 32, 128, 64, 63}, Case{300, 32, 255, 128, 0}, Case{-20, 32, 0, 0, 128},
        Case{BOTTOM, 64, 0, 0, 128}}) {
    channel.pan = c.pan;
    channel.panEnvValue = c.envelope;
    update(UPDATE_PAN);
    const Voice& v = voice();
    EXPECT_EQ((Values{v.pan, v.reportedPan, v.leftTarget, v.rightTarget}),
              (Values{c.expected, c.expected, c.left, c.right}))
        << c.pan << " " << c.envelope;
  }
}

// Frequencies from both tables, the step at 44,100 Hz, and the 100 Hz floor under the step;
// period sums wrap in 32 bits.
TEST_F(VoiceUpdate, FrequencyAndStep) {
  struct Case {
    bool linear;
    std::int32_t period, delta, frequency;
    std::uint32_t stepFrac;  // the step is below 1 throughout
  };
  for (const Case& c : {
           Case{true, 4608, 0, 8363, 814485521}, Case{true, 3840, 0, 16726, 1628971042},
           Case{true, 7680, 0, 523, 50935779},
           Case{true, 4608, 64, 8860, 862889121},  // a positive delta raises the pitch
           Case{true, 4608, -64, 7894, 768808885}, Case{true, 9984, 0, 65, FRACTION_100_HZ},
           // 4181.5 with an exact 1/768; the single-precision one lies just below it.
           Case{true, 5376, 0, 4181, 407194064},
           // A linear result beyond 32 bits is the integer-indefinite value, floored like any
           // other; 4608 - period + delta wrapping to 768 is one octave above C-4.
           Case{true, -20000, 0, BOTTOM, FRACTION_100_HZ},
           Case{true, BOTTOM, TOP - 3839, 16726, 1628971042}, Case{false, 1712, 0, 8362, 814388129},
           Case{false, 856, 0, 16725, 1628873651},
           Case{false, 1712, 1712, 4181, 407194064},       // a positive delta lowers the pitch
           Case{false, -1712, 0, -8362, FRACTION_100_HZ},  // truncated toward zero
           Case{false, TOP, 1, 0, FRACTION_100_HZ},        // the sum wraps to INT32_MIN
           Case{false, TOP, BOTTOM, -14317056, FRACTION_100_HZ},  // the sum wraps to -1
       }) {
    song.flags = c.linear ? SONG_LINEAR_FREQUENCIES : 0;
    channel.period = c.period;
    channel.periodDelta = c.delta;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(pitchOf(voice()), (Values{c.frequency, 0, c.stepFrac}))
        << (c.linear ? "linear " : "amiga ") << c.period << " + " << c.delta;
  }
}

TEST_F(VoiceUpdate, StepFractionTakesTheQuotientIntoItsDividend) {
  Voice voice{};
  for (const auto& [frequency, step, fraction] :
       {std::tuple{100u, 0u, FRACTION_100_HZ}, std::tuple{88200u, 2u, 0u},
        // The two frequencies below 200 kHz where the quotient in the dividend adds one to the
        // fraction that r x 2^32 / R would give.
        std::tuple{179801u, 4u, 331228656u + 1}, std::tuple{190826u, 4u, 1404970480u + 1}}) {
    setVoiceStep(&voice, static_cast<std::int32_t>(frequency), 44100);
    EXPECT_EQ((Values{voice.step, voice.stepFrac}), (Values{step, fraction})) << frequency;
  }
}

// The mixer's step in 8.24 keeps 8 integer bits: the step stays at 255 samples per frame.
TEST_F(VoiceUpdate, StepStaysBelow256SamplesPerFrame) {
  song.flags = 0;
  for (const auto& [rate, period, frequency] :
       {std::tuple{44100, 1, 14317056}, std::tuple{8000, 7, 2045293}}) {
    engine.output.outputRate = rate;
    channel.period = period;
    update(UPDATE_FREQUENCY);
    EXPECT_EQ(pitchOf(voice()), (Values{frequency, 255, 0})) << rate;
  }
}

TEST_F(VoiceUpdate, ZeroPeriodSumKeepsTheFrequencyWithEitherTable) {
  for (std::uint16_t flags : {std::uint16_t{0}, SONG_LINEAR_FREQUENCIES}) {
    song.flags = flags;
    channel.period = 4608;
    update(UPDATE_FREQUENCY);
    const Values before = pitchOf(voice());
    channel.period = 100;
    channel.periodDelta = -100;
    update(UPDATE_FREQUENCY);
    channel.periodDelta = 0;
    EXPECT_EQ(pitchOf(voice()), before) << flags;
    EXPECT_EQ(channel.flags & UPDATE_FREQUENCY, 0);
  }
}

TEST_F(VoiceUpdate, RewindKeepsSampleAndGains) {
  voice().sample = &sample;
  voice().position = 500;
  voice().positionFrac = 12345;
  voice().startOffset = 256;
  voice().leftTarget = 40;
  update(UPDATE_REWIND);
  const Voice& v = voice();
  EXPECT_EQ((Values{v.position, v.positionFrac, v.startOffset, v.leftTarget}),
            (Values{0, 0, 0, 40}));
  EXPECT_EQ(v.sample, &sample);
  EXPECT_EQ(channel.voice, &voicePool[5]);
}

TEST_F(VoiceUpdate, ANoteStartWritesEverythingToTheNewVoice) {
  voicePool[5].sample = &sample;
  voicePool[5].pan = 128;
  fullVolume();
  channel.pan = 255;
  channel.panEnvValue = 32;
  channel.period = 4608;
  update(UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PAN | UPDATE_FREQUENCY);
  const Voice& fresh = voicePool[37];
  const Voice& old = voicePool[5];
  EXPECT_EQ(channel.voice, &fresh);
  EXPECT_EQ((Values{fresh.volume, fresh.leftTarget, fresh.rightTarget, fresh.frequency}),
            (Values{128, 128, 0, 8363}));
  EXPECT_EQ((Values{old.volume, old.leftTarget, old.frequency}), (Values{0, 0, 0}));
}

}  // namespace
