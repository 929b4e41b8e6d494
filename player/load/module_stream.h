// The read cursor the loader reads a module image through. Reads and seeks are clamped to the
// module's bytes; the cursor is one program-wide record, so one module is read at a time.
#pragma once

#include <cstdint>

#include "player/load/module_image.h"

namespace player {

struct ModuleStream {
  const std::uint8_t* base;  // first module byte: the image's start plus 4
  std::int32_t length;       // N
  std::int32_t position;     // next byte to read, relative to base
};

// Names the open stream in calls; allocated for the duration of one load.
struct StreamHandle {
  std::uint8_t reserved;
};

extern ModuleStream moduleStream;

// Points the stream at the image and allocates a handle. Null when the image is empty or the
// handle cannot be allocated.
StreamHandle* openStream(const ModuleImage* image);
void closeStream(StreamHandle* handle);

// Copies up to count bytes from the position to destination and advances the position by the
// number copied. Does nothing when handle is null.
void read(void* destination, std::uint32_t count, StreamHandle* handle);

// Mode 0 sets the position to offset, 1 adds offset, 2 sets it to length + offset; any other
// mode leaves it. The position is then kept within 0..length. Does nothing when handle is null.
void seek(StreamHandle* handle, std::int32_t offset, int mode);

}  // namespace player
