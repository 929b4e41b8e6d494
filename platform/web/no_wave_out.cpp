// The web build has no wave device of its own: a page plays through the browser's audio graph,
// which pulls frames from the player (web/). Opening the device fails, as on a machine without
// sound, so the device paths report that no device could be opened.
#include "platform/wave_out.h"

namespace platform {
namespace {

WaveDevice* openNothing(std::int32_t) {
  return nullptr;
}

bool refuseHeader(WaveDevice*, WaveHeader*) {
  return false;
}

std::uint32_t noPosition(WaveDevice*) {
  return 0;
}

void ignoreDevice(WaveDevice*) {}

void ignoreHeader(WaveDevice*, WaveHeader*) {}

constexpr WaveOut NO_WAVE_OUT = {openNothing,  refuseHeader, refuseHeader,
                                 noPosition,   ignoreDevice, ignoreDevice,
                                 ignoreHeader, ignoreDevice, ignoreDevice};

}  // namespace

const WaveOut* systemWaveOut() {
  return &NO_WAVE_OUT;
}

}  // namespace platform
