// A wave output without sound for tests: it records what the engine asks of it, and its play
// position moves only when the test says so, so the mixing thread's catch-up, pause and stop can
// be driven one block at a time. Select it by setting an engine's AudioOutput::waveOut to
// virtualWaveOut().
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/wave_out.h"

namespace platform {

// The one virtual device. Every field is safe to read from any thread.
struct VirtualWave {
  // Failures the test asks for.
  std::atomic<bool> refuseOpen;
  std::atomic<bool> refuseHeader;
  std::atomic<bool> refuseWrite;

  std::atomic<bool> isOpen;
  std::atomic<bool> playing;  // a buffer has been written and not reset since
  std::atomic<bool> paused;
  std::atomic<std::int32_t> rate;
  std::atomic<std::uint32_t> bufferBytes;  // length of the buffer written
  std::atomic<std::uint32_t> position;     // bytes played since the buffer was written
  std::atomic<std::uint64_t> polls;        // position queries so far

  std::atomic<int> opens, closes, prepares, unprepares, writes, pauses, restarts, resets;
};

VirtualWave& virtualWave();
const WaveOut* virtualWaveOut();

// Closes nothing: returns the virtual device to its state at program start (closed, nothing
// refused, all counts 0). Only while no thread uses it.
void resetVirtualWave();

// Plays bytes more, as a device would: nothing happens while paused or before a buffer is written.
void advanceVirtualWave(std::uint32_t bytes);

// Sets the play position to any value, even while paused (for a device that misbehaves, or to
// bring the 32-bit count close to its wrap).
void setVirtualPosition(std::uint32_t bytes);

// Waits until the device has been polled count more times after the poll number `after`. A poll
// counted after the position was moved sees the move, so with the mixing thread's poll, catch-up,
// sleep cycle two more polls mean the thread has caught up with the position and rests.
// False after timeoutMs without that many polls.
bool waitForVirtualPolls(std::uint64_t after, std::uint64_t count, int timeoutMs = 10000);

}  // namespace platform
