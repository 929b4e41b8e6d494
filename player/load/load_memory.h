// The loader's allocations: zero-filled blocks that everything a song owns is built from, and
// their release. Every allocation of a load goes through here, so tests can make any one of them
// fail and check that the load gives back everything it had built.
#pragma once

#include <cstddef>
#include <cstdint>

namespace player {

// count x size zero-filled bytes; null when the allocation fails, when the size does not fit in
// memory, or when count or size is 0.
void* loadAllocate(std::size_t count, std::size_t size);

template <typename T>
T* loadAllocateArray(std::size_t count) {
  return static_cast<T*>(loadAllocate(count, sizeof(T)));
}

// Frees a block from loadAllocate (a song's records are freed through pointers to const);
// does nothing for null.
void loadFree(const void* block);

// For tests only: failure injection and bookkeeping of the loader's allocations.
namespace loadtest {

// The allocation that follows `successes` more successful ones fails, once; a negative value
// (the default) lets every allocation through.
void failAllocationAfter(std::int64_t successes);
// Allocations attempted since the program started, failed ones included.
std::int64_t allocationCount();
// Blocks allocated and not yet freed.
std::int64_t liveBlockCount();
// Bytes asked for since the program started, failed requests included: what a load between two
// readings could have held at most.
std::uint64_t requestedBytes();

}  // namespace loadtest

}  // namespace player
