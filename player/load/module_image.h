// A module file held in memory behind its own length: one heap block that starts with the
// 32-bit little-endian byte count N, followed by the N bytes of the file.
#pragma once

#include <cstdint>

namespace player {

struct ModuleImage {
  std::uint8_t byteCount[4];  // N, little-endian; the N module bytes follow in the same block
};

// Allocates N + 4 zero-filled bytes, stores N and copies the bytes behind it. Null when the
// allocation fails.
ModuleImage* makeModuleImage(const void* bytes, std::uint32_t count);
void freeModuleImage(ModuleImage* image);

std::uint32_t moduleByteCount(const ModuleImage* image);
const std::uint8_t* moduleBytes(const ModuleImage* image);
// The same bytes, for filling an image made without them (makeModuleImage with null bytes).
std::uint8_t* moduleBytesToFill(ModuleImage* image);

}  // namespace player
