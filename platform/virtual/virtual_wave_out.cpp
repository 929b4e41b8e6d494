#include "platform/virtual/virtual_wave_out.h"

#include <chrono>
#include <thread>

namespace platform {

// The one virtual device, which its handle names. Its state is all atomic: the engine's threads
// and the test's read and write it at once.
struct WaveDevice {
  VirtualWave wave;
};

namespace {

WaveDevice device;
constexpr VirtualWave& wave = device.wave;

WaveDevice* openDevice(std::int32_t rate) {
  ++wave.opens;
  if (wave.refuseOpen || wave.isOpen) return nullptr;
  wave.isOpen = true;
  wave.rate = rate;
  wave.playing = false;
  wave.paused = false;
  wave.position = 0;
  return &device;
}

bool prepareHeader(WaveDevice*, WaveHeader* header) {
  ++wave.prepares;
  if (wave.refuseHeader) return false;
  header->flags |= WHDR_PREPARED;
  return true;
}

bool write(WaveDevice*, WaveHeader* header) {
  ++wave.writes;
  if (wave.refuseWrite || (header->flags & WHDR_PREPARED) == 0) return false;
  wave.bufferBytes = header->length;
  wave.position = 0;
  wave.playing = true;
  return true;
}

// The count goes up before the position is read, so a poll counted after a test moved the
// position is sure to see the move.
std::uint32_t position(WaveDevice*) {
  ++wave.polls;
  return wave.position;
}

void pause(WaveDevice*) {
  ++wave.pauses;
  wave.paused = true;
}

void restart(WaveDevice*) {
  ++wave.restarts;
  wave.paused = false;
}

void unprepareHeader(WaveDevice*, WaveHeader* header) {
  ++wave.unprepares;
  header->flags &= ~WHDR_PREPARED;
}

void reset(WaveDevice*) {
  ++wave.resets;
  wave.playing = false;
  wave.paused = false;
  wave.position = 0;
}

void closeDevice(WaveDevice*) {
  ++wave.closes;
  wave.isOpen = false;
  wave.playing = false;
}

const WaveOut table = {openDevice, prepareHeader,   write, position,   pause,
                       restart,    unprepareHeader, reset, closeDevice};

}  // namespace

VirtualWave& virtualWave() {
  return wave;
}
const WaveOut* virtualWaveOut() {
  return &table;
}

void resetVirtualWave() {
  wave.refuseOpen = false;
  wave.refuseHeader = false;
  wave.refuseWrite = false;
  wave.isOpen = false;
  wave.playing = false;
  wave.paused = false;
  wave.rate = 0;
  wave.bufferBytes = 0;
  wave.position = 0;
  wave.polls = 0;
  for (std::atomic<int>* count : {&wave.opens, &wave.closes, &wave.prepares, &wave.unprepares,
                                  &wave.writes, &wave.pauses, &wave.restarts, &wave.resets}) {
    *count = 0;
  }
}

void advanceVirtualWave(std::uint32_t bytes) {
  if (wave.playing && !wave.paused) wave.position += bytes;
}

void setVirtualPosition(std::uint32_t bytes) {
  wave.position = bytes;
}

bool waitForVirtualPolls(std::uint64_t after, std::uint64_t count, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (wave.polls < after + count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace platform
