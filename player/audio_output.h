// The output part of an engine: its state record, the output sizes derived from the rate, the
// tempo, and the rendering of one block of the ring.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/thread.h"
#include "platform/wave_out.h"
#include "player/load/song.h"
#include "player/pcm_clip.h"

namespace player {

#pragma pack(push, 1)
// What one block of the ring holds: where the song stood when it was finished.
struct BlockInfo {
  std::uint8_t order;   // low byte of Song::orderPosition
  std::uint8_t row;     // low byte of Song::row
  std::int32_t timeMs;  // Song::playTimeMs at the end of the block
};
#pragma pack(pop)
static_assert(sizeof(BlockInfo) == 6);

struct AudioOutput {
  const platform::WaveOut* waveOut;  // the device API in use; null selects the system's
  platform::WaveDevice* device;
  std::int32_t outputRate;
  float secondsPerFrame;
  std::int32_t blockFrames;
  std::int32_t ringFrames;
  std::int16_t* waveBuffer;  // ringFrames interleaved 16-bit stereo frames
  platform::WaveHeader waveHeader;
  float* mixBuffer;      // ringFrames float stereo frames, 16-byte aligned
  void* mixBufferBlock;  // the allocation behind mixBuffer
  BlockInfo* blockInfos;
  std::int32_t writeBlock;
  std::int32_t heardBlock;
  Song* song;  // the engine's copy of the song being rendered; null when none is

  Song* currentSong;  // the loaded song playModule started, freed by its stop path
  platform::Thread* mixThread;
  std::atomic<std::uint8_t> stopRequested;
  std::atomic<std::uint8_t> rendering;
  // 1 once the mixing thread has ended, 0 from just before it starts. Read only while there is
  // a thread, so an engine that never ran one (all zero) needs no other value.
  std::atomic<std::uint8_t> threadFinished;
  std::uint32_t paused;  // 0 playing, all bits set paused

  std::uint32_t lastDevicePosition;  // the device's 32-bit byte count at the last poll
  std::uint64_t devicePosition;      // the same count, extended across its wraps
  // blockInfos[heardBlock], packed by the mixing thread whenever heardBlock moves, so that other
  // threads can ask what is audible without reading blocks the thread is rendering.
  std::atomic<std::uint64_t> heardInfo;
  // Blocks the device has played to their end since the ring was handed to it: the heard block
  // is that many blocks after the ring's first.
  std::atomic<std::int64_t> heardBlocks;
};

// Opens the default device (or the one output.waveOut selects) at rate and prepares the engine
// for it. False when no device opens.
bool openOutput(Engine& engine, std::int32_t rate);

// The device-independent half of opening: the sizes derived from the rate, the ramp, the
// floating-point environment and the reset voice pool. An offline renderer calls it alone.
void prepareOutput(Engine& engine, std::int32_t rate);

inline std::int32_t blockCount(const AudioOutput& output) {
  return output.ringFrames / output.blockFrames;
}

// Renders block writeBlock of the engine's song into the ring and moves writeBlock on.
void renderBlock(Engine& engine);
// Plays block writeBlock as renderBlock does, without mixing: the song and its voices move on
// exactly as rendering would move them, the block's frames are left as they were. Its BlockInfo
// is kept.
void skipBlock(Engine& engine);

// Sets Song::bpm and the frames per tick at the engine's output rate by the song's rules
// (tickFrames, song_flow.h). bpm >= 1.
void setBpm(Engine& engine, Song* song, std::int32_t bpm);
// The frames one tick lasts at bpm (below 1 taken as 1) and rate, rounded to the nearest frame:
// FastTracker 2's tick.
std::int32_t framesPerTick(std::int32_t bpm, std::int32_t rate);

}  // namespace player
