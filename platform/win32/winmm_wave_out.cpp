// Wave output through the Windows multimedia wave functions: the default device (the wave
// mapper) opened without a callback, and one looping buffer whose header lives in the device
// record for as long as the device may read it.
// The engine's header comes before the system's, whose WHDR_* flags are macros of the same
// names and values; windows.h before mmsystem.h, which builds on its types.
#include "platform/wave_out.h"

#include <windows.h>

#include <mmsystem.h>

#include <new>

namespace platform {

struct WaveDevice {
  HWAVEOUT handle;
  WAVEHDR header;  // the system's copy of the engine's header
};

namespace {

void copyBack(const WaveDevice* device, WaveHeader* header) {
  header->flags = device->header.dwFlags;
  header->bytesRecorded = device->header.dwBytesRecorded;
}

WaveDevice* openDevice(std::int32_t rate) {
  WaveDevice* device = new (std::nothrow) WaveDevice{};
  if (device == nullptr) return nullptr;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
  format.nBlockAlign = 4;
  format.wBitsPerSample = 16;
  format.cbSize = 0;
  if (waveOutOpen(&device->handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    delete device;
    return nullptr;
  }
  return device;
}

bool prepareHeader(WaveDevice* device, WaveHeader* header) {
  WAVEHDR& system = device->header;
  system = WAVEHDR{};
  system.lpData = static_cast<LPSTR>(header->data);
  system.dwBufferLength = header->length;
  system.dwBytesRecorded = header->bytesRecorded;
  system.dwUser = header->user;
  system.dwFlags = header->flags;
  system.dwLoops = header->loops;
  const MMRESULT result = waveOutPrepareHeader(device->handle, &system, sizeof(WAVEHDR));
  copyBack(device, header);
  return result == MMSYSERR_NOERROR;
}

bool write(WaveDevice* device, WaveHeader* header) {
  const MMRESULT result = waveOutWrite(device->handle, &device->header, sizeof(WAVEHDR));
  copyBack(device, header);
  return result == MMSYSERR_NOERROR;
}

std::uint32_t position(WaveDevice* device) {
  MMTIME time{};
  time.wType = TIME_BYTES;
  if (waveOutGetPosition(device->handle, &time, sizeof(MMTIME)) != MMSYSERR_NOERROR) return 0;
  // A driver that cannot count bytes answers in another unit; samples convert exactly.
  if (time.wType == TIME_BYTES) return time.u.cb;
  if (time.wType == TIME_SAMPLES) return time.u.sample * 4;
  return 0;
}

void pause(WaveDevice* device) {
  waveOutPause(device->handle);
}
void restart(WaveDevice* device) {
  waveOutRestart(device->handle);
}

void unprepareHeader(WaveDevice* device, WaveHeader* header) {
  waveOutUnprepareHeader(device->handle, &device->header, sizeof(WAVEHDR));
  copyBack(device, header);
}

void reset(WaveDevice* device) {
  waveOutReset(device->handle);
}

void closeDevice(WaveDevice* device) {
  // A header that was still playing when the engine released it is released here, after reset.
  if ((device->header.dwFlags & WHDR_PREPARED) != 0) {
    waveOutUnprepareHeader(device->handle, &device->header, sizeof(WAVEHDR));
  }
  waveOutClose(device->handle);
  delete device;
}

const WaveOut table = {openDevice, prepareHeader,   write, position,   pause,
                       restart,    unprepareHeader, reset, closeDevice};

}  // namespace

const WaveOut* systemWaveOut() {
  return &table;
}

}  // namespace platform
