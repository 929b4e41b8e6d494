#include "player/load/module_stream.h"

#include <cstring>
#include <limits>

#include "player/load/load_memory.h"

namespace player {

StreamHandle* openStream(const ModuleImage* image) {
  if (image == nullptr) return nullptr;
  const std::uint32_t count = moduleByteCount(image);
  if (count == 0) return nullptr;
  auto* handle = loadAllocateArray<StreamHandle>(1);
  if (handle == nullptr) return nullptr;
  // Positions are signed 32-bit; an image beyond 2 GiB is read up to that limit only, which
  // keeps every position inside the image.
  constexpr auto maxLength = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
  handle->base = moduleBytes(image);
  handle->length = static_cast<std::int32_t>(count < maxLength ? count : maxLength);
  handle->position = 0;
  return handle;
}

void closeStream(StreamHandle* handle) {
  loadFree(handle);
}

void read(void* destination, std::uint32_t count, StreamHandle* handle) {
  if (handle == nullptr) return;
  // seek keeps the position within 0..length; a position set any other way reads nothing.
  if (handle->position < 0 || handle->position >= handle->length) return;
  const auto remaining = static_cast<std::uint32_t>(handle->length - handle->position);
  const std::uint32_t n = count < remaining ? count : remaining;
  if (n == 0) return;
  const std::int32_t from = handle->position;
  handle->position += static_cast<std::int32_t>(n);
  const std::uint8_t* source = handle->base + from;
  // Most reads are the one- to four-byte fields of headers and pattern cells, for which a call
  // of memcpy costs more than the copy.
  if (n <= 8) {
    auto* target = static_cast<std::uint8_t*>(destination);
    for (std::uint32_t k = 0; k < n; ++k)
      target[k] = source[k];
    return;
  }
  std::memcpy(destination, source, n);
}

void seek(StreamHandle* handle, std::int32_t offset, int mode) {
  if (handle == nullptr) return;
  std::int64_t position = handle->position;
  switch (mode) {
    case 0:
      position = offset;
      break;
    case 1:
      position += offset;
      break;
    case 2:
      position = static_cast<std::int64_t>(handle->length) + offset;
      break;
    default:
      break;
  }
  if (position > handle->length) position = handle->length;
  if (position < 0) position = 0;  // only a damaged module asks for this
  handle->position = static_cast<std::int32_t>(position);
}

}  // namespace player
