// The player on the virtual device: pre-rendering, the mixing thread's catch-up behind the play
// position, pause and resume, the stop path and its failures. The device position moves only when
// a test moves it; waitForVirtualPolls tells when the thread has caught up and rests.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/virtual/virtual_wave_out.h"
#include "player/audio_output.h"
#include "player/engine.h"
#include "player/player.h"
#include "tests/support/xm_writer.h"

namespace {

// The engine the tests play on, as the application keeps one.
player::Engine engine{};
player::AudioOutput& audioOutput = engine.output;

// Four channels at speed 1 and 125 BPM: every row lasts one tick of 882 frames, about a block.
xmtest::Module rowPerBlockModule() {
  xmtest::Module module;
  module.speed = 1;
  module.instruments.push_back(xmtest::simpleInstrument({0, 40, 80, 40, 0, -40, -80, -40}));
  module.instruments[0].samples[0].loopType = 1;
  module.instruments[0].samples[0].loopLength = 8;
  module.patterns.emplace_back().set(0, 0, xmtest::Cell{49, 1, 0, 0, 0}, module.channels);
  return module;
}

class PlayerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::resetVirtualWave();
    audioOutput.waveOut = platform::virtualWaveOut();
    image_ = xmtest::makeImage(xmtest::writeXm(rowPerBlockModule()));
  }
  void TearDown() override {
    player::playModule(engine, nullptr);
    audioOutput.waveOut = nullptr;
  }

  player::Song* play() { return player::playModule(engine, image_.get()); }
  std::uint32_t blockBytes() const {
    return static_cast<std::uint32_t>(audioOutput.blockFrames) * 4;
  }
  // Waits until the thread has seen the current position and finished its catch-up.
  static void settle() {
    ASSERT_TRUE(platform::waitForVirtualPolls(platform::virtualWave().polls, 2))
        << "the mixing thread stopped polling";
  }
  // Plays bytes more on the device, then settles.
  static void advance(std::uint32_t bytes) {
    platform::advanceVirtualWave(bytes);
    settle();
  }
  std::vector<std::int32_t> blockTimes() const {
    std::vector<std::int32_t> times;
    for (int b = 0; b < player::blockCount(audioOutput); ++b) {
      const std::int32_t time = audioOutput.blockInfos[b].timeMs;  // packed: copied, not bound
      times.push_back(time);
    }
    return times;
  }
  // Nothing of a song is left: no thread, no ring, no song or copy of one.
  static void expectNothingPlaying() {
    EXPECT_EQ(audioOutput.song, nullptr);
    EXPECT_EQ(engine.playing.copies, nullptr);
    EXPECT_EQ(audioOutput.currentSong, nullptr);
    EXPECT_EQ(audioOutput.mixThread, nullptr);
    EXPECT_EQ(audioOutput.waveBuffer, nullptr);
    EXPECT_EQ(audioOutput.mixBufferBlock, nullptr);
    EXPECT_EQ(audioOutput.blockInfos, nullptr);
    EXPECT_EQ(audioOutput.waveHeader.data, nullptr);
  }

  xmtest::ImagePtr image_;
};

// The ring after blocks first .. first + count - 1 (wrapping) were rendered: their times follow
// on from the block before them in ring order, and every other block is as it was.
::testing::AssertionResult refilled(const std::vector<std::int32_t>& before,
                                    const std::vector<std::int32_t>& now, int first, int count) {
  const int blocks = static_cast<int>(now.size());
  std::int32_t newest = before[(first + blocks - 1) % blocks];
  for (int k = 0; k < blocks; ++k) {
    const int b = (first + k) % blocks;
    if (k < count ? now[b] <= newest : now[b] != before[b]) {
      return ::testing::AssertionFailure()
             << "block " << b << ": " << before[b] << " -> " << now[b];
    }
    if (k < count) newest = now[b];
  }
  return ::testing::AssertionSuccess();
}

TEST_F(PlayerThread, TheRingIsPrerenderedThenRefilledBlockByBlockBehindTheDevice) {
  ASSERT_NE(play(), nullptr);
  const platform::VirtualWave& wave = platform::virtualWave();
  EXPECT_EQ(wave.rate, 44100);
  EXPECT_EQ(wave.writes, 1);
  EXPECT_EQ(wave.bufferBytes, 88400u * 4);
  EXPECT_EQ(audioOutput.waveHeader.loops, 0xFFFFFFFFu);
  EXPECT_EQ(audioOutput.waveHeader.flags & platform::WHDR_PREPARED, platform::WHDR_PREPARED);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(audioOutput.mixBuffer) % 16, 0u);
  // Every block rendered once, in ring order, about 20 ms each.
  const std::vector<std::int32_t> start = blockTimes();
  ASSERT_EQ(start.size(), 100u);
  EXPECT_TRUE(refilled(std::vector<std::int32_t>(100, 0), start, 0, 100));
  EXPECT_GE(start[0], 20);
  EXPECT_GE(start[99], 2000);
  EXPECT_LE(start[99], 2010);
  EXPECT_EQ(player::heardPosition(engine).row, audioOutput.blockInfos[0].row);

  advance(blockBytes() - 4);  // the last frame of block 0: nothing is rendered
  EXPECT_EQ(audioOutput.writeBlock, 0);
  EXPECT_EQ(blockTimes(), start);
  advance(4);  // the first frame of block 1: block 0 now holds what follows block 99
  EXPECT_EQ(audioOutput.writeBlock, 1);
  EXPECT_EQ(audioOutput.heardBlock, 1);
  const std::vector<std::int32_t> one = blockTimes();
  EXPECT_TRUE(refilled(start, one, 0, 1));

  advance(3 * blockBytes() + 100);  // one cycle catches up three blocks
  EXPECT_EQ(audioOutput.writeBlock, 4);
  EXPECT_EQ(audioOutput.heardBlock, 4);
  const std::vector<std::int32_t> four = blockTimes();
  EXPECT_TRUE(refilled(one, four, 1, 3));
  // Block 4 is playing; blocks 0..3 already hold the song two seconds further on.
  const player::BlockInfo playing = audioOutput.blockInfos[4];
  const player::HeardPosition heard = player::heardPosition(engine);
  EXPECT_EQ(heard.order, playing.order);
  EXPECT_EQ(heard.row, playing.row);
  const std::int32_t heardTime = player::heardBlockInfo(engine).timeMs;  // packed: copied
  EXPECT_EQ(heardTime, four[4]);

  advance(96 * blockBytes());  // round the ring into block 0 again
  EXPECT_EQ(audioOutput.writeBlock, 0);
  EXPECT_TRUE(refilled(four, blockTimes(), 4, 96));
}

TEST_F(PlayerThread, PausedPlayerRendersNothingUntilResumedAndIsResumedToStop) {
  ASSERT_NE(play(), nullptr);
  platform::VirtualWave& wave = platform::virtualWave();
  const std::vector<std::int32_t> before = blockTimes();
  EXPECT_EQ(player::togglePause(engine), 1);
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

  EXPECT_EQ(player::togglePause(engine), 0);
  EXPECT_FALSE(wave.paused);
  EXPECT_EQ(wave.restarts, 1);
  settle();
  EXPECT_EQ(audioOutput.writeBlock, 5);

  ASSERT_EQ(player::togglePause(engine), 1);
  player::playModule(engine, nullptr);
  EXPECT_EQ(audioOutput.paused, 0u);
  EXPECT_EQ(wave.restarts, 2);
  EXPECT_EQ(wave.resets, 1);
  EXPECT_EQ(wave.closes, 1);
  EXPECT_FALSE(wave.isOpen);
  EXPECT_EQ(audioOutput.threadFinished, 1);
  EXPECT_EQ(audioOutput.device, nullptr);
  expectNothingPlaying();
}

TEST_F(PlayerThread, NullAndTooWideSongsAreRefusedAndChangeNothing) {
  player::Song* song = play();
  ASSERT_NE(song, nullptr);
  player::BlockInfo* infos = audioOutput.blockInfos;
  platform::Thread* thread = audioOutput.mixThread;
  EXPECT_FALSE(player::startSong(engine, nullptr));
  EXPECT_FALSE(player::stopSong(engine, nullptr));
  EXPECT_EQ(player::releaseSong(engine, nullptr), 0);
  EXPECT_EQ(audioOutput.song, &engine.playing.song);  // the engine plays its copy
  EXPECT_EQ(audioOutput.currentSong, song);
  EXPECT_EQ(audioOutput.blockInfos, infos);
  EXPECT_EQ(audioOutput.mixThread, thread);
  EXPECT_EQ(audioOutput.stopRequested, 0);
  advance(blockBytes());  // the thread still follows the device
  EXPECT_EQ(audioOutput.writeBlock, 1);

  player::playModule(engine, nullptr);
  ASSERT_TRUE(player::openOutput(engine, 44100));
  auto* wide = static_cast<player::Song*>(std::calloc(1, sizeof(player::Song)));
  wide->channelCount = 33;
  wide->defaultBpm = 125;
  wide->defaultSpeed = 6;
  EXPECT_FALSE(player::startSong(engine, wide));
  expectNothingPlaying();
  EXPECT_EQ(wide->bpm, 0);  // untouched
  std::free(wide);
}

TEST_F(PlayerThread, FailedPlaysLeaveNothingPlayingAndAHarmlessStop) {
  platform::VirtualWave& wave = platform::virtualWave();
  const xmtest::ImagePtr garbage = xmtest::makeImage(std::vector<std::uint8_t>(400, 0x5A));
  struct Case {
    const char* what;
    std::atomic<bool>* refusal;
    const player::ModuleImage* image;
    bool deviceOpen;  // until the stop
    int writes;       // a refused write is counted too
  } const cases[] = {
      {"no device", &wave.refuseOpen, image_.get(), false, 0},
      {"a module that does not load", nullptr, garbage.get(), true, 0},
      {"header refused", &wave.refuseHeader, image_.get(), true, 0},
      {"write refused", &wave.refuseWrite, image_.get(), true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::resetVirtualWave();
    if (c.refusal != nullptr) *c.refusal = true;
    EXPECT_EQ(player::playModule(engine, c.image), nullptr);
    EXPECT_EQ(wave.isOpen, c.deviceOpen);
    EXPECT_EQ(audioOutput.device != nullptr, c.deviceOpen);
    EXPECT_EQ(wave.writes, c.writes);
    EXPECT_EQ(wave.unprepares, c.writes) << "a header prepared for a refused write is unprepared";
    expectNothingPlaying();
    player::playModule(engine, nullptr);
    EXPECT_FALSE(wave.isOpen);
    EXPECT_EQ(audioOutput.device, nullptr);
    EXPECT_EQ(wave.closes, c.deviceOpen ? 1 : 0);
    EXPECT_EQ(wave.resets, c.deviceOpen ? 1 : 0);
  }
}

TEST_F(PlayerThread, ASongStartedDirectlyRestartsAfterStopSongAndEndsWithTheStopPath) {
  xmtest::SongPtr song = xmtest::loadModule(rowPerBlockModule());
  ASSERT_NE(song, nullptr);
  ASSERT_TRUE(player::openOutput(engine, 44100));
  ASSERT_TRUE(player::startSong(engine, song.get()));
  ASSERT_TRUE(player::stopSong(engine, song.get()));
  EXPECT_EQ(audioOutput.mixThread, nullptr);
  EXPECT_EQ(audioOutput.blockInfos, nullptr);
  EXPECT_NE(audioOutput.waveBuffer, nullptr);  // the device still holds the ring

  ASSERT_TRUE(player::startSong(engine, song.get()));
  EXPECT_EQ(platform::virtualWave().resets, 1);  // the old ring was taken back first
  EXPECT_EQ(platform::virtualWave().writes, 2);
  advance(2 * blockBytes());
  EXPECT_EQ(audioOutput.writeBlock, 2);

  player::playModule(engine, nullptr);  // the song stays the test's to free
  EXPECT_EQ(audioOutput.threadFinished, 1);
  EXPECT_FALSE(platform::virtualWave().isOpen);
  expectNothingPlaying();
}

// Keeps a thread that the test creates from running until release: the test's thread runs alone
// on one processor at the highest real-time priority, so nothing it starts can run before it
// blocks. Not held where the system grants no real-time priority.
class NewThreadsHeld {
 public:
  NewThreadsHeld() {
    sched_getaffinity(0, sizeof saved_, &saved_);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_param highest{};
    highest.sched_priority = sched_get_priority_max(SCHED_FIFO);
    held_ = sched_setaffinity(0, sizeof one, &one) == 0 &&
            pthread_setschedparam(pthread_self(), SCHED_FIFO, &highest) == 0;
  }
  ~NewThreadsHeld() { release(); }
  bool held() const { return held_; }
  void release() {
    const sched_param normal{};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
    sched_setaffinity(0, sizeof saved_, &saved_);
  }

 private:
  cpu_set_t saved_;
  bool held_ = false;
};

TEST_F(PlayerThread, ThreadFinishedIsClearedBeforeTheThreadIsCreated) {
  ASSERT_NE(play(), nullptr);
  player::playModule(engine, nullptr);
  ASSERT_EQ(audioOutput.threadFinished, 1) << "set by the thread as it ended";
  NewThreadsHeld hold;
  if (!hold.held()) GTEST_SKIP() << "no real-time priority to hold the new thread back with";
  ASSERT_NE(play(), nullptr);
  // Read before the thread can have run: a stop coming now must still wait for it.
  const int finished = audioOutput.threadFinished;
  hold.release();
  EXPECT_EQ(finished, 0);
}

TEST_F(PlayerThread, ManyStartStopCycles) {
  platform::VirtualWave& wave = platform::virtualWave();
  for (int cycle = 0; cycle < 20; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_NE(play(), nullptr);
    platform::advanceVirtualWave(static_cast<std::uint32_t>(cycle % 7) * blockBytes());
    if (cycle % 3 == 0) settle();
    if (cycle % 5 == 0) player::togglePause(engine);
    player::playModule(engine, nullptr);
    EXPECT_EQ(wave.opens, cycle + 1);
    EXPECT_EQ(wave.closes, cycle + 1);
    EXPECT_EQ(audioOutput.paused, 0u);
    expectNothingPlaying();
  }
}

}  // namespace
