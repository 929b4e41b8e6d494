#include "player/load/module_image.h"

#include <cstring>

#include "player/large_block.h"

namespace player {

ModuleImage* makeModuleImage(const void* bytes, std::uint32_t count) {
  auto* block = static_cast<std::uint8_t*>(allocateZeroed(static_cast<std::size_t>(count) + 4, 1));
  if (block == nullptr) return nullptr;
  block[0] = static_cast<std::uint8_t>(count);
  block[1] = static_cast<std::uint8_t>(count >> 8);
  block[2] = static_cast<std::uint8_t>(count >> 16);
  block[3] = static_cast<std::uint8_t>(count >> 24);
  if (count > 0 && bytes != nullptr) std::memcpy(block + 4, bytes, count);
  return reinterpret_cast<ModuleImage*>(block);
}

void freeModuleImage(ModuleImage* image) {
  freeZeroed(image);
}

std::uint32_t moduleByteCount(const ModuleImage* image) {
  const std::uint8_t* b = image->byteCount;
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

const std::uint8_t* moduleBytes(const ModuleImage* image) {
  return reinterpret_cast<const std::uint8_t*>(image) + 4;
}

std::uint8_t* moduleBytesToFill(ModuleImage* image) {
  return reinterpret_cast<std::uint8_t*>(image) + 4;
}

}  // namespace player
