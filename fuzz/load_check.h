// What every loader's fuzz target checks of any bytes: they either load into a song or are
// refused, the check names a reason exactly when the loader refuses, a file under 10 KB never has
// the loader ask for more than 256 MiB, every sample has its guard values, and everything is
// freed again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "player/load/load_memory.h"
#include "player/load/module_check.h"
#include "player/load/module_image.h"
#include "player/load/xm_loader.h"

namespace fuzzcheck {

namespace {

// Stands in for a sample source: fills the buffer with a ramp, as plain values.
void rampHook(std::uint8_t* destination, std::int32_t bytes, std::int32_t, std::int32_t,
              std::int32_t) {
  for (std::int32_t k = 0; k < bytes; ++k)
    destination[k] = static_cast<std::uint8_t>(k);
}

}  // namespace

inline void checkLoad(const std::uint8_t* data, std::size_t size) {
  if (size > 0x7FFFFFFF) return;
  player::ModuleImage* image = player::makeModuleImage(data, static_cast<std::uint32_t>(size));
  if (image == nullptr) return;
  const player::ModuleCheck check = player::checkModule(image);
  // An odd last byte exercises the hook path as well.
  const bool withHook = size > 0 && (data[size - 1] & 1) != 0;
  const std::uint64_t before = player::loadtest::requestedBytes();
  player::Song* song = player::loadSong(image, withHook ? rampHook : nullptr);
  constexpr std::uint64_t SMALL_FILE = 10 * 1024, MOST_FOR_SMALL_FILE = std::uint64_t{256} << 20;
  if (size < SMALL_FILE && player::loadtest::requestedBytes() - before > MOST_FOR_SMALL_FILE) {
    std::abort();
  }
  if ((song == nullptr) != (check.fault != player::ModuleFault::NONE)) std::abort();
  if (song != nullptr) {
    // Reads the guard values behind every sample, which must exist.
    for (int i = 0; i < song->instrumentCount; ++i) {
      const player::Instrument& in = song->instruments[i];
      for (int j = 0; j < in.sampleCount; ++j) {
        const player::Sample* s = in.samples[j];
        if (s->data == nullptr) continue;
        volatile std::int16_t guard = s->data[s->loopStart + s->loopLength];
        (void)guard;
      }
    }
  }
  player::freeSong(song);
  player::freeModuleImage(image);
}

}  // namespace fuzzcheck
