#include "player/load/load_memory.h"

#include <atomic>
#include <limits>

#include "player/large_block.h"

namespace player {
namespace {

// The tests' failure injection and bookkeeping; atomic, as loads run on any number of threads.
std::atomic<std::int64_t> allocationsLeftBeforeFailure{-1};
std::atomic<std::int64_t> allocationsAttempted{0};
std::atomic<std::int64_t> blocksLive{0};
std::atomic<std::uint64_t> bytesRequested{0};

}  // namespace

void* loadAllocate(std::size_t count, std::size_t size) {
  allocationsAttempted.fetch_add(1, std::memory_order_relaxed);
  // Counts down to the failing allocation, which takes the count from 0 to -1: none fails after.
  std::int64_t left = allocationsLeftBeforeFailure.load(std::memory_order_relaxed);
  while (left >= 0 && !allocationsLeftBeforeFailure.compare_exchange_weak(
                          left, left - 1, std::memory_order_relaxed)) {
  }
  if (left == 0) return nullptr;
  if (count == 0 || size == 0 || count > std::numeric_limits<std::size_t>::max() / size) {
    return nullptr;
  }
  bytesRequested.fetch_add(count * size, std::memory_order_relaxed);
  // What a song holds is written only as far as the file has it: its blocks take the memory they
  // are used for, not whole huge pages.
  void* block = allocateZeroedSparse(count, size);
  if (block != nullptr) blocksLive.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void loadFree(const void* block) {
  if (block == nullptr) return;
  blocksLive.fetch_sub(1, std::memory_order_relaxed);
  freeZeroed(const_cast<void*>(block));
}

namespace loadtest {

void failAllocationAfter(std::int64_t successes) {
  allocationsLeftBeforeFailure.store(successes, std::memory_order_relaxed);
}
std::int64_t allocationCount() {
  return allocationsAttempted.load(std::memory_order_relaxed);
}
std::int64_t liveBlockCount() {
  return blocksLive.load(std::memory_order_relaxed);
}
std::uint64_t requestedBytes() {
  return bytesRequested.load(std::memory_order_relaxed);
}

}  // namespace loadtest

}  // namespace player
