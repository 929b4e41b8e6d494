// The read cursor the loader reads a module image through. Reads and seeks are clamped to the
// module's bytes. Each open stream owns its cursor, so any number of modules can be read at once,
// on any threads.
#pragma once

#include <cstdint>

#include "player/load/module_image.h"

namespace player {

// An open stream; allocated for the duration of one load.
struct StreamHandle {
  const std::uint8_t* base;  // first module byte: the image's start plus 4
  std::int32_t length;       // N
  std::int32_t position;     // next byte to read, relative to base
};

// Allocates a handle whose cursor stands at the image's first module byte. Null when the image is
// empty or the handle cannot be allocated.
StreamHandle* openStream(const ModuleImage* image);
void closeStream(StreamHandle* handle);

// Copies up to count bytes from the position to destination and advances the position by the
// number copied. Does nothing when handle is null.
void read(void* destination, std::uint32_t count, StreamHandle* handle);

// Mode 0 sets the position to offset, 1 adds offset, 2 sets it to length + offset; any other
// mode leaves it. The position is then kept within 0..length. Does nothing when handle is null.
void seek(StreamHandle* handle, std::int32_t offset, int mode);

}  // namespace player
