// Zero-filled memory for the engine's large buffers. Touching fresh memory costs a page fault
// for every 4 KB page, which adds up to milliseconds for a megabyte on some machines; a large
// block is therefore mapped on its own, aligned so that the system can back it with huge pages.
// Builds with sanitizers keep the C library's allocator, which the sanitizers watch.
#pragma once

#include <cstddef>

namespace player {

// count x size zero-filled bytes, aligned to 16 bytes; null when the memory cannot be had (or the
// size overflows).
void* allocateZeroed(std::size_t count, std::size_t size);

// The same for a block that may be written only in part (a loaded song's patterns, say): it is
// mapped for huge pages only when it spans at least one, so that the memory it takes follows what
// is written to it.
void* allocateZeroedSparse(std::size_t count, std::size_t size);

// Frees what allocateZeroed or allocateZeroedSparse returned; null is ignored.
void freeZeroed(void* block);

}  // namespace player
