// Wave output through SDL's audio device. SDL pulls sound through a callback; the callback copies
// from the ring at its play cursor, wrapping at the ring's end, and counts the bytes it has handed
// over. That count is the play position: it grows across repetitions of the ring and stands still
// while the device is paused, because SDL does not call back then. SDL itself is loaded when the
// first device is opened. Any number of devices may be open at once, each with its own stream.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/sdl/sdl_library.h"
#include "platform/wave_out.h"

namespace platform {

struct WaveDevice {
  const sdl::AudioFunctions* sdl;
  SDL_AudioDeviceID id;
  // The ring and the cursor belong to the callback; write and reset change them only while
  // holding SDL's device lock, under which the callback runs.
  const std::uint8_t* ring;
  std::uint32_t ringBytes;
  std::uint32_t cursor;
  std::atomic<std::uint32_t> handedOver;  // bytes given to SDL since the ring was written
  // Bumped by every position query, read by the callback before it copies: the blocks the engine
  // rendered before a query are thereby published to the callback's thread.
  std::atomic<std::uint32_t> queries;
  // Paused by its owner: a ring written meanwhile waits for the restart, as a wave device's does.
  bool paused;
};

namespace {

// SDL's device buffer in frames: about 23 ms at 44,100 Hz, far inside the ring's two seconds.
constexpr Uint16 DEVICE_FRAMES = 1024;

void SDLCALL fillStream(void* user, Uint8* stream, int length) {
  WaveDevice* device = static_cast<WaveDevice*>(user);
  device->queries.load(std::memory_order_acquire);
  const auto wanted = static_cast<std::uint32_t>(length);
  if (device->ring == nullptr || device->ringBytes == 0) {
    std::memset(stream, 0, wanted);
    return;
  }
  std::uint32_t done = 0;
  while (done < wanted) {
    std::uint32_t chunk = device->ringBytes - device->cursor;
    if (chunk > wanted - done) chunk = wanted - done;
    std::memcpy(stream + done, device->ring + device->cursor, chunk);
    done += chunk;
    device->cursor += chunk;
    if (device->cursor == device->ringBytes) device->cursor = 0;
  }
  // Counted only once copied, so the engine never rewrites a block that is still being read.
  device->handedOver.store(device->handedOver.load(std::memory_order_relaxed) + wanted,
                           std::memory_order_release);
}

// Sound libraries under SDL print their complaints about missing devices on the standard error
// stream; the player reports a missing device by its result alone. Holds stderr on the null
// device while it lives.
class QuietStderr {
 public:
  QuietStderr() {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (saved_ >= 0) dup2(null, STDERR_FILENO);
    close(null);
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// Opening and closing start and stop SDL's audio subsystem, which counts its users, and opening
// silences the process's standard error stream: devices are opened and closed one at a time.
std::mutex& openCloseLock() {
  static std::mutex lock;
  return lock;
}

WaveDevice* openDevice(std::int32_t rate) {
  const std::lock_guard<std::mutex> hold(openCloseLock());
  const QuietStderr quiet;
  const sdl::AudioFunctions* functions = sdl::audioFunctions();
  if (functions == nullptr || functions->initSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  WaveDevice* device = new (std::nothrow) WaveDevice{};
  if (device != nullptr) {
    device->sdl = functions;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = DEVICE_FRAMES;
    wanted.callback = fillStream;
    wanted.userdata = device;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts if the hardware wants another format. Opens paused.
    device->id = functions->openAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device->id != 0) return device;
    delete device;
  }
  functions->quitSubSystem(SDL_INIT_AUDIO);
  return nullptr;
}

bool prepareHeader(WaveDevice*, WaveHeader* header) {
  if (header->data == nullptr || header->length == 0) return false;
  header->flags |= WHDR_PREPARED;
  return true;
}

// Plays the buffer from its first frame, over and over until reset.
bool write(WaveDevice* device, WaveHeader* header) {
  if ((header->flags & WHDR_PREPARED) == 0) return false;
  device->sdl->lockAudioDevice(device->id);
  device->ring = static_cast<const std::uint8_t*>(header->data);
  device->ringBytes = header->length;
  device->cursor = 0;
  device->handedOver.store(0);
  device->sdl->unlockAudioDevice(device->id);
  if (!device->paused) device->sdl->pauseAudioDevice(device->id, 0);
  return true;
}

std::uint32_t position(WaveDevice* device) {
  device->queries.fetch_add(1, std::memory_order_acq_rel);
  return device->handedOver.load(std::memory_order_acquire);
}

void pause(WaveDevice* device) {
  device->paused = true;
  device->sdl->pauseAudioDevice(device->id, 1);
}
void restart(WaveDevice* device) {
  device->paused = false;
  device->sdl->pauseAudioDevice(device->id, 0);
}

void unprepareHeader(WaveDevice*, WaveHeader* header) {
  header->flags &= ~WHDR_PREPARED;
}

// Once the lock is released the callback holds no reference to the ring.
void reset(WaveDevice* device) {
  device->sdl->pauseAudioDevice(device->id, 1);
  device->sdl->lockAudioDevice(device->id);
  device->ring = nullptr;
  device->ringBytes = 0;
  device->cursor = 0;
  device->handedOver.store(0);
  device->sdl->unlockAudioDevice(device->id);
}

void closeDevice(WaveDevice* device) {
  const std::lock_guard<std::mutex> hold(openCloseLock());
  const sdl::AudioFunctions* functions = device->sdl;
  functions->closeAudioDevice(device->id);
  delete device;
  functions->quitSubSystem(SDL_INIT_AUDIO);
}

const WaveOut table = {openDevice, prepareHeader,   write, position,   pause,
                       restart,    unprepareHeader, reset, closeDevice};

}  // namespace

const WaveOut* systemWaveOut() {
  return &table;
}

}  // namespace platform
