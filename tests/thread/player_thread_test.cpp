// The player on the virtual device: pre-rendering, the mixing thread's catch-up behind the play
// position, pause and resume, the stop path and its failures. The device position moves only when
// a test moves it; waitForVirtualPolls tells when the thread has caught up and rests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "player/player.h"
#include "tests/support/xm_writer.h"

namespace {

using player::audioOutput;

// Four channels at speed 1 and 125 BPM: every row lasts one tick of 882 frames, about a block.
std::vector<std::uint8_t> rowPerBlockModule() {
  xmtest::Module module;
  module.speed = 1;
  module.bpm = 125;
  module.instruments.push_back(xmtest::simpleInstrument({0, 40, 80, 40, 0, -40, -80, -40}));
  module.instruments[0].samples[0].loopType = 1;
  module.instruments[0].samples[0].loopLength = 8;
  xmtest::Pattern pattern;
  pattern.set(0, 0, xmtest::Cell{49, 1, 0, 0, 0}, module.channels);
  module.patterns.push_back(pattern);
  return xmtest::writeXm(module);
}

class PlayerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::resetVirtualWave();
    audioOutput.waveOut = platform::virtualWaveOut();
    image_ = xmtest::makeImage(rowPerBlockModule());
  }

  void TearDown() override {
    player::playModule(nullptr);
    audioOutput.waveOut = nullptr;
  }

  player::Song* play() { return player::playModule(image_.get()); }

  std::uint32_t blockBytes() const {
    return static_cast<std::uint32_t>(audioOutput.blockFrames) * 4;
  }

  // Waits until the thread has seen the current position and finished its catch-up.
  void settle() {
    ASSERT_TRUE(platform::waitForVirtualPolls(platform::virtualWave().polls, 2))
        << "the mixing thread stopped polling";
  }

  std::vector<std::int32_t> blockTimes() const {
    std::vector<std::int32_t> times;
    for (int b = 0; b < player::blockCount(audioOutput); ++b) {
      const std::int32_t time = audioOutput.blockInfos[b].timeMs;  // packed: copied, not bound
      times.push_back(time);
    }
    return times;
  }

  xmtest::ImagePtr image_;
};

TEST_F(PlayerThread, StartPrerendersTheWholeRingAndHandsItOver) {
  ASSERT_NE(play(), nullptr);
  const platform::VirtualWave& wave = platform::virtualWave();
  EXPECT_EQ(wave.rate, 44100);
  EXPECT_TRUE(wave.playing);
  EXPECT_EQ(wave.writes, 1);
  EXPECT_EQ(wave.bufferBytes, 88400u * 4);
  EXPECT_EQ(audioOutput.waveHeader.data, audioOutput.waveBuffer);
  EXPECT_EQ(audioOutput.waveHeader.loops, 0xFFFFFFFFu);
  EXPECT_EQ(audioOutput.waveHeader.flags & platform::WHDR_PREPARED, platform::WHDR_PREPARED);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(audioOutput.mixBuffer) % 16, 0u);
  EXPECT_EQ(audioOutput.threadFinished, 0);  // cleared before the thread was created
  EXPECT_NE(audioOutput.mixThread, nullptr);
  EXPECT_EQ(audioOutput.writeBlock, 0);
  EXPECT_EQ(audioOutput.heardBlock, 0);

  // Every block rendered once, in ring order, about 20 ms each.
  const std::vector<std::int32_t> times = blockTimes();
  ASSERT_EQ(times.size(), 100u);
  EXPECT_GE(times[0], 20);
  for (std::size_t b = 1; b < times.size(); ++b)
    EXPECT_GT(times[b], times[b - 1]) << b;
  EXPECT_GE(times[99], 2000);
  EXPECT_LE(times[99], 2010);
}

TEST_F(PlayerThread, NothingIsRenderedUntilTheDeviceEntersBlockOne) {
  ASSERT_NE(play(), nullptr);
  const std::vector<std::int32_t> before = blockTimes();

  platform::advanceVirtualWave(blockBytes() - 4);  // the last frame of block 0
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 0);
  EXPECT_EQ(blockTimes(), before);

  platform::advanceVirtualWave(4);  // the first frame of block 1
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 1);
  EXPECT_EQ(audioOutput.heardBlock, 1);
  const std::vector<std::int32_t> after = blockTimes();
  EXPECT_GT(after[0], before[99]);  // block 0 now holds what follows block 99
  for (std::size_t b = 1; b < after.size(); ++b)
    EXPECT_EQ(after[b], before[b]) << b;
}

TEST_F(PlayerThread, OneCycleCatchesUpThreeBlocksInRingOrder) {
  ASSERT_NE(play(), nullptr);
  const std::vector<std::int32_t> before = blockTimes();

  platform::advanceVirtualWave(3 * blockBytes() + 100);
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 3);
  EXPECT_EQ(audioOutput.heardBlock, 3);
  const std::vector<std::int32_t> after = blockTimes();
  EXPECT_GT(after[0], before[99]);
  EXPECT_GT(after[1], after[0]);
  EXPECT_GT(after[2], after[1]);
  for (std::size_t b = 3; b < after.size(); ++b)
    EXPECT_EQ(after[b], before[b]) << b;

  // On to the end of the ring and into block 0 again: blocks 3..99 follow blocks 0..2.
  platform::advanceVirtualWave(97 * blockBytes());
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 0);
  const std::vector<std::int32_t> lap = blockTimes();
  EXPECT_GT(lap[3], after[2]);
  for (std::size_t b = 4; b < lap.size(); ++b)
    EXPECT_GT(lap[b], lap[b - 1]) << b;
  for (std::size_t b = 0; b < 3; ++b)
    EXPECT_EQ(lap[b], after[b]) << b;
}

TEST_F(PlayerThread, HeardPositionReportsTheBlockBeingPlayed) {
  ASSERT_NE(play(), nullptr);
  player::HeardPosition heard = player::heardPosition();
  EXPECT_EQ(heard.order, audioOutput.blockInfos[0].order);
  EXPECT_EQ(heard.row, audioOutput.blockInfos[0].row);

  platform::advanceVirtualWave(3 * blockBytes());
  settle();
  // Block 3 is playing; blocks 0..2 already hold the song two seconds further on.
  heard = player::heardPosition();
  const player::BlockInfo playing = audioOutput.blockInfos[3];
  EXPECT_EQ(heard.order, playing.order);
  EXPECT_EQ(heard.row, playing.row);
  const std::int32_t heardTime = player::heardBlockInfo().timeMs;
  const std::int32_t playingTime = playing.timeMs;
  const std::int32_t newestTime = audioOutput.blockInfos[2].timeMs;
  EXPECT_EQ(heardTime, playingTime);
  EXPECT_LT(heardTime, newestTime);
}

TEST_F(PlayerThread, PausedPlayerRendersNothingUntilResumed) {
  ASSERT_NE(play(), nullptr);
  platform::VirtualWave& wave = platform::virtualWave();
  const std::vector<std::int32_t> before = blockTimes();

  EXPECT_EQ(player::togglePause(), 1);
  EXPECT_TRUE(wave.paused);
  EXPECT_EQ(wave.pauses, 1);
  // A device that moves on while paused: the suspended thread neither polls nor renders.
  const std::uint64_t polls = wave.polls;
  platform::setVirtualPosition(5 * blockBytes());
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_EQ(wave.polls, polls);
  EXPECT_EQ(audioOutput.writeBlock, 0);
  EXPECT_EQ(audioOutput.rendering, 0);
  EXPECT_EQ(blockTimes(), before);

  EXPECT_EQ(player::togglePause(), 0);
  EXPECT_FALSE(wave.paused);
  EXPECT_EQ(wave.restarts, 1);
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 5);
}

TEST_F(PlayerThread, StoppingAPausedPlayerResumesItFirst) {
  ASSERT_NE(play(), nullptr);
  platform::VirtualWave& wave = platform::virtualWave();
  platform::advanceVirtualWave(2 * blockBytes());
  settle();
  ASSERT_EQ(player::togglePause(), 1);

  player::playModule(nullptr);
  EXPECT_EQ(audioOutput.paused, 0u);
  EXPECT_EQ(wave.restarts, 1);
  EXPECT_EQ(wave.resets, 1);
  EXPECT_EQ(wave.closes, 1);
  EXPECT_FALSE(wave.isOpen);
  EXPECT_EQ(audioOutput.threadFinished, 1);
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(audioOutput.device, nullptr);
  EXPECT_EQ(audioOutput.currentSong, nullptr);
  EXPECT_EQ(audioOutput.song, nullptr);
  EXPECT_EQ(audioOutput.waveBuffer, nullptr);
  EXPECT_EQ(audioOutput.mixBufferBlock, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_EQ(audioOutput.waveHeader.data, nullptr);
}

TEST_F(PlayerThread, NullSongsAreRefusedAndChangeNothing) {
  player::Song* song = play();
  ASSERT_NE(song, nullptr);
  player::BlockInfo* infos = audioOutput.blockInfos;
  platform::Thread* thread = audioOutput.mixThread;

  EXPECT_FALSE(player::startSong(nullptr));
  EXPECT_FALSE(player::stopSong(nullptr));
  EXPECT_EQ(player::releaseSong(nullptr), 0);
  EXPECT_EQ(audioOutput.song, song);
  EXPECT_EQ(audioOutput.currentSong, song);
  EXPECT_EQ(audioOutput.blockInfos, infos);
  EXPECT_EQ(audioOutput.mixThread, thread);
  EXPECT_EQ(audioOutput.stopRequested, 0);

  // The thread still follows the device.
  platform::advanceVirtualWave(blockBytes());
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 1);
}

TEST_F(PlayerThread, NoDeviceMeansNoSongAndAHarmlessStop) {
  platform::virtualWave().refuseOpen = true;
  EXPECT_EQ(play(), nullptr);
  EXPECT_EQ(audioOutput.device, nullptr);
  EXPECT_EQ(audioOutput.currentSong, nullptr);
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  player::playModule(nullptr);
  EXPECT_EQ(platform::virtualWave().resets, 0);
  EXPECT_EQ(platform::virtualWave().closes, 0);
}

TEST_F(PlayerThread, ModuleThatDoesNotLoadLeavesTheDeviceOpenUntilStop) {
  const std::vector<std::uint8_t> garbage(400, 0x5A);
  xmtest::ImagePtr bad = xmtest::makeImage(garbage);
  EXPECT_EQ(player::playModule(bad.get()), nullptr);
  EXPECT_TRUE(platform::virtualWave().isOpen);
  EXPECT_EQ(audioOutput.currentSong, nullptr);
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(platform::virtualWave().writes, 0);

  player::playModule(nullptr);
  EXPECT_FALSE(platform::virtualWave().isOpen);
  EXPECT_EQ(platform::virtualWave().closes, 1);
  EXPECT_EQ(audioOutput.device, nullptr);
}

TEST_F(PlayerThread, RefusedStartFreesWhatItAllocated) {
  platform::virtualWave().refuseHeader = true;
  EXPECT_EQ(play(), nullptr);
  EXPECT_EQ(audioOutput.song, nullptr);
  EXPECT_EQ(audioOutput.currentSong, nullptr);
  EXPECT_EQ(audioOutput.waveBuffer, nullptr);
  EXPECT_EQ(audioOutput.mixBufferBlock, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(platform::virtualWave().writes, 0);
  player::playModule(nullptr);

  platform::virtualWave().refuseHeader = false;
  platform::virtualWave().refuseWrite = true;
  EXPECT_EQ(play(), nullptr);
  EXPECT_EQ(audioOutput.waveBuffer, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_EQ(audioOutput.waveHeader.data, nullptr);
  EXPECT_EQ(platform::virtualWave().unprepares, 1);
  EXPECT_EQ(audioOutput.mixThread, nullptr);
}

TEST_F(PlayerThread, SongWiderThanTheChannelTableIsRefused) {
  ASSERT_TRUE(player::openOutput(44100));
  auto* song = static_cast<player::Song*>(std::calloc(1, sizeof(player::Song)));
  song->channelCount = 33;
  song->defaultBpm = 125;
  song->defaultSpeed = 6;
  EXPECT_FALSE(player::startSong(song));
  EXPECT_EQ(audioOutput.song, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(song->bpm, 0);  // untouched
  std::free(song);
}

TEST_F(PlayerThread, SongCanBeStartedAgainAfterStopSong) {
  player::Song* song = play();
  ASSERT_NE(song, nullptr);
  ASSERT_TRUE(player::stopSong(song));
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_NE(audioOutput.waveBuffer, nullptr);  // the device still holds the ring

  ASSERT_TRUE(player::startSong(song));
  EXPECT_EQ(platform::virtualWave().resets, 1);  // the old ring was taken back first
  EXPECT_EQ(platform::virtualWave().writes, 2);
  platform::advanceVirtualWave(2 * blockBytes());
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 2);
}

TEST_F(PlayerThread, StopPathEndsASongStartedDirectly) {
  xmtest::SongPtr song = xmtest::loadModule([] {
    xmtest::Module module;
    module.patterns.push_back(xmtest::Pattern{});
    return module;
  }());
  ASSERT_NE(song, nullptr);
  ASSERT_TRUE(player::openOutput(44100));
  ASSERT_TRUE(player::startSong(song.get()));
  platform::advanceVirtualWave(blockBytes());
  settle();

  player::playModule(nullptr);  // the song stays the test's to free
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(audioOutput.threadFinished, 1);
  EXPECT_EQ(audioOutput.song, nullptr);
  EXPECT_EQ(audioOutput.waveBuffer, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_FALSE(platform::virtualWave().isOpen);
}

TEST_F(PlayerThread, DevicePositionWrapKeepsTheBlockIndexContinuous) {
  ASSERT_NE(play(), nullptr);
  const std::uint32_t nearWrap = 0xFFFFFF00u;
  platform::setVirtualPosition(nearWrap);
  settle();
  const std::uint64_t ring = static_cast<std::uint64_t>(audioOutput.ringFrames);
  const std::uint64_t frames = static_cast<std::uint64_t>(audioOutput.blockFrames);
  EXPECT_EQ(static_cast<std::uint64_t>(audioOutput.writeBlock), nearWrap / 4 % ring / frames);

  // 512 bytes on the 32-bit count wraps to 256; the 64-bit position goes on.
  platform::advanceVirtualWave(512);
  settle();
  const std::uint64_t extended = (std::uint64_t{1} << 32) + 256;
  const std::uint64_t continued = extended / 4 % ring / frames;
  ASSERT_NE(continued, 256u / 4 % ring / frames);
  EXPECT_EQ(static_cast<std::uint64_t>(audioOutput.writeBlock), continued);
  EXPECT_EQ(audioOutput.devicePosition, extended);

  platform::advanceVirtualWave(10 * blockBytes());
  settle();
  EXPECT_EQ(static_cast<std::uint64_t>(audioOutput.writeBlock),
            (extended + 10 * blockBytes()) / 4 % ring / frames);
}

TEST_F(PlayerThread, ManyStartStopCycles) {
  platform::VirtualWave& wave = platform::virtualWave();
  for (int cycle = 0; cycle < 20; ++cycle) {
    ASSERT_NE(play(), nullptr) << cycle;
    platform::advanceVirtualWave(static_cast<std::uint32_t>(cycle % 7) * blockBytes());
    if (cycle % 3 == 0) settle();
    if (cycle % 5 == 0) player::togglePause();
    player::playModule(nullptr);
    EXPECT_EQ(wave.opens, cycle + 1);
    EXPECT_EQ(wave.closes, cycle + 1);
    EXPECT_EQ(audioOutput.mixThread, nullptr);
    EXPECT_EQ(audioOutput.waveBuffer, nullptr);
    EXPECT_EQ(audioOutput.paused, 0u);
  }
}

}  // namespace
