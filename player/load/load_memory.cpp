#include "player/load/load_memory.h"

#include <limits>

#include "player/large_block.h"

namespace player {
namespace {

std::int64_t allocationsLeftBeforeFailure = -1;
std::int64_t allocationsAttempted = 0;
std::int64_t blocksLive = 0;
std::uint64_t bytesRequested = 0;

}  // namespace

void* loadAllocate(std::size_t count, std::size_t size) {
  ++allocationsAttempted;
  if (allocationsLeftBeforeFailure == 0) {
    allocationsLeftBeforeFailure = -1;
    return nullptr;
  }
  if (allocationsLeftBeforeFailure > 0) --allocationsLeftBeforeFailure;
  if (count == 0 || size == 0 || count > std::numeric_limits<std::size_t>::max() / size) {
    return nullptr;
  }
  bytesRequested += count * size;
  // What a song holds is written only as far as the file has it: its blocks take the memory they
  // are used for, not whole huge pages.
  void* block = allocateZeroedSparse(count, size);
  if (block != nullptr) ++blocksLive;
  return block;
}

void loadFree(void* block) {
  if (block == nullptr) return;
  --blocksLive;
  freeZeroed(block);
}

namespace loadtest {

void failAllocationAfter(std::int64_t successes) {
  allocationsLeftBeforeFailure = successes;
}
std::int64_t allocationCount() {
  return allocationsAttempted;
}
std::int64_t liveBlockCount() {
  return blocksLive;
}
std::uint64_t requestedBytes() {
  return bytesRequested;
}

}  // namespace loadtest

}  // namespace player
