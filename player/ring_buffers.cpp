#include "player/ring_buffers.h"

#include <cstdint>
#include <cstdlib>

#include "player/large_block.h"

namespace player {

bool allocateRingBuffers(AudioOutput& output) {
  const auto frames = static_cast<std::size_t>(output.ringFrames);
  output.blockInfos =
      static_cast<BlockInfo*>(std::calloc(static_cast<std::size_t>(blockCount(output)), sizeof(BlockInfo)));
  output.waveBuffer = static_cast<std::int16_t*>(allocateZeroed(frames * 2, sizeof(std::int16_t)));
  output.mixBufferBlock = allocateZeroed(frames * 8 + 256, 1);
  if (output.blockInfos == nullptr || output.waveBuffer == nullptr || output.mixBufferBlock == nullptr) {
    freeMixBuffers(output);
    freeWaveBuffer(output);
    return false;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(output.mixBufferBlock);
  output.mixBuffer = reinterpret_cast<float*>((address + 15) & ~std::uintptr_t{15});
  return true;
}

void freeMixBuffers(AudioOutput& output) {
  freeZeroed(output.mixBufferBlock);
  output.mixBufferBlock = nullptr;
  output.mixBuffer = nullptr;
  std::free(output.blockInfos);
  output.blockInfos = nullptr;
}

void freeWaveBuffer(AudioOutput& output) {
  freeZeroed(output.waveBuffer);
  output.waveBuffer = nullptr;
}

}  // namespace player
