// The wave output the engine plays its ring through: a looping 16-bit stereo buffer with a growing
// byte position. Each platform provides one implementation (winmm on Windows, SDL elsewhere) and
// tests drive a virtual one; the engine reaches them only through a WaveOut table.
#pragma once

#include <cstdint>

namespace platform {

struct WaveDevice;  // an open device, owned by its implementation

// The system's values. Where its header defines them as macros, include this one first.
constexpr std::uint32_t WHDR_DONE = 0x01;
constexpr std::uint32_t WHDR_PREPARED = 0x02;
constexpr std::uint32_t WHDR_BEGINLOOP = 0x04;
constexpr std::uint32_t WHDR_ENDLOOP = 0x08;
constexpr std::uint32_t WHDR_INQUEUE = 0x10;

// Describes one buffer to a device.
struct WaveHeader {
  void* data;
  std::uint32_t length;  // bytes
  std::uint32_t bytesRecorded;
  std::uintptr_t user;
  std::uint32_t flags;
  std::uint32_t loops;  // all bits set: endless
};

struct WaveOut {
  // Opens the default device for 16-bit stereo PCM at rate frames per second; null on failure.
  WaveDevice* (*open)(std::int32_t rate);
  bool (*prepareHeader)(WaveDevice* device, WaveHeader* header);
  // Starts playing the buffer from its first frame, repeating it until reset.
  bool (*write)(WaveDevice* device, WaveHeader* header);
  // Bytes played since playback started: grows across repetitions, stands still while paused,
  // wraps at 2^32.
  std::uint32_t (*position)(WaveDevice* device);
  void (*pause)(WaveDevice* device);
  void (*restart)(WaveDevice* device);
  void (*unprepareHeader)(WaveDevice* device, WaveHeader* header);
  // Stops playback; the device no longer reads the buffer afterwards.
  void (*reset)(WaveDevice* device);
  void (*close)(WaveDevice* device);
};

// The platform's own wave output.
const WaveOut* systemWaveOut();

}  // namespace platform
