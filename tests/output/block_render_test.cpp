// Rendering a block: ticks at their frames inside blocks, play time and BlockInfo; the float
// frames' conversion to 16-bit PCM; the rounding mode the output is prepared in.
#include <gtest/gtest.h>

#include <cfenv>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "player/audio_output.h"
#include "player/engine.h"
#include "player/ring_buffers.h"
#include "tests/mixer/voice_setup.h"

namespace {

// What the fake tick handler saw: the frame each tick ran at (voice 0 plays at step 1.0 from 0,
// so its position counts the frames mixed) and what it changes per tick.
struct TickLog {
  std::vector<std::uint32_t> frames;
  std::int32_t changeTempoAtTick = -1;
  std::int32_t newSamplesPerTick = 0;
};
TickLog* tickLog = nullptr;

void recordTick(player::Engine& engine, player::Song* song) {
  const auto tick = static_cast<std::int32_t>(tickLog->frames.size());
  tickLog->frames.push_back(engine.voicePool.voices[0].position);
  song->orderPosition = 0x105 + tick;
  song->row = 0x310 + tick;
  if (tick == tickLog->changeTempoAtTick) song->samplesPerTick = tickLog->newSamplesPerTick;
}

class BlockRendering : public ::testing::Test {
 protected:
  void SetUp() override {
    player::prepareOutput(engine_, 44100);
    ASSERT_TRUE(player::allocateRingBuffers(audioOutput));
    tickLog = &log_;
    song_.tickHandler = recordTick;
    player::setBpm(engine_, &song_, 125);
    audioOutput.song = &song_;
    audioOutput.writeBlock = 0;
    // A long constant sample of 1000 at full gain on the left.
    voicePool[0] = mixtest::settledVoice(&sample_->sample, 255, 0);
  }
  void TearDown() override {
    audioOutput.song = nullptr;
    player::freeMixBuffers(audioOutput);
    player::freeWaveBuffer(audioOutput);
    tickLog = nullptr;
  }

  void render(int blocks) {
    for (int i = 0; i < blocks; ++i)
      player::renderBlock(engine_);
  }

  std::unique_ptr<player::Engine> ownEngine_ = std::make_unique<player::Engine>();
  player::Engine& engine_ = *ownEngine_;
  player::AudioOutput& audioOutput = engine_.output;
  player::Voice* const voicePool = engine_.voicePool.voices;

  std::unique_ptr<mixtest::OwnedSample> sample_ =
      mixtest::makeSample(std::vector<std::int16_t>(100000, 1000), player::LOOP_FORWARD, 0, 100000);
  player::Song song_{};
  TickLog log_;
};

TEST_F(BlockRendering, TicksRunAtTheirFramesAndEverySpanIsTimedByItself) {
  render(3);  // 882 frames per tick, 884 per block
  EXPECT_EQ(log_.frames, (std::vector<std::uint32_t>{0, 882, 1764, 2646}));
  EXPECT_EQ(song_.tickSamplesLeft, 4 * 882 - 3 * 884);
  EXPECT_EQ(audioOutput.writeBlock, 3);
  // Spans of 882 frames add 20 ms, the 2, 4 and 6 frames before block ends add 0. BlockInfo is
  // packed: its times are copied out before they are compared.
  const std::vector<std::int32_t> times{audioOutput.blockInfos[0].timeMs,
                                        audioOutput.blockInfos[1].timeMs,
                                        audioOutput.blockInfos[2].timeMs};
  EXPECT_EQ(times, (std::vector<std::int32_t>{20, 40, 60}));

  // Ticks of 22 frames last 0.499 ms each and add nothing, however many there are.
  song_.playTimeMs = 0;
  song_.samplesPerTick = 22;
  song_.tickSamplesLeft = 0;
  render(1);
  EXPECT_EQ(song_.playTimeMs, 0);
}

TEST_F(BlockRendering, BlockInfoHoldsThePositionOfTheLastTickInTheBlock) {
  song_.samplesPerTick = 1500;
  render(4);  // ticks at 0, 1500 and 3000; block 2 (frames 1768..2651) has none
  const player::BlockInfo* info = audioOutput.blockInfos;
  const std::vector<std::pair<int, int>> positions{{info[0].order, info[0].row},
                                                   {info[1].order, info[1].row},
                                                   {info[2].order, info[2].row},
                                                   {info[3].order, info[3].row}};
  EXPECT_EQ(positions, (std::vector<std::pair<int, int>>{
                           {0x05, 0x10}, {0x06, 0x11}, {0x06, 0x11}, {0x07, 0x12}}));
}

TEST(PcmClip, RoundsHalvesToEvenAndClampsAndIgnoresEmptyCalls) {
  const std::vector<float> source{1.5f,  2.5f, -0.5f,    40000.0f, -40000.0f, -1.5f,
                                  -2.5f, 0.5f, 32766.5f, 32767.5f, -32768.5f, -32769.0f};
  const std::vector<std::int16_t> expected{2, 2,     0,     32767,  -32768, -2, -2,
                                           0, 32766, 32767, -32768, -32768, 99, 99};
  std::vector<std::int16_t> destination(source.size() + 2, 99);
  player::clipToPcm(destination.data(), source.data(), 6);
  EXPECT_EQ(destination, expected) << "nothing is written past the frames";
  player::clipToPcm(destination.data(), source.data() + 2, 0);
  player::clipToPcm(destination.data(), source.data() + 2, -3);
  player::clipToPcm(nullptr, source.data(), 1);
  player::clipToPcm(destination.data(), nullptr, 1);
  EXPECT_EQ(destination, expected);
}

// The vectorised conversion against the one that converts value by value: random values around
// and beyond the 16-bit range, halves, and values beyond 32 bits, over counts that leave every
// possible remainder after the vectors.
TEST(PcmClip, VectorisedConversionMatchesThePlainOne) {
  std::mt19937 random(99);
  const float special[] = {0.5f,      -0.5f,      1.5f,          -32768.5f,      32767.5f,
                           32767.49f, -32768.51f, 2147483648.0f, -2147483648.0f, 3.0e9f,
                           -3.0e9f,   1.0e20f,    -0.0f,         65536.5f};
  for (std::int32_t count = 0; count < 40; ++count) {
    std::vector<float> source(2 * static_cast<std::size_t>(count));
    for (float& value : source) {
      value =
          random() % 4 == 0
              ? special[random() % std::size(special)]
              : static_cast<float>(static_cast<std::int32_t>(random() % 200001) - 100000) / 2.0f;
    }
    std::vector<std::int16_t> fast(source.size() + 1, 7);
    std::vector<std::int16_t> plain = fast;
    player::clipToPcm(fast.data(), source.data(), count);
    player::clipToPcmPlain(plain.data(), source.data(), count);
    EXPECT_EQ(fast, plain) << count;
  }
}

TEST(PrepareOutput, RestoresRoundingToNearest) {
  const auto engine = std::make_unique<player::Engine>();
  std::fesetround(FE_UPWARD);
  player::prepareOutput(*engine, 44100);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
}

}  // namespace
