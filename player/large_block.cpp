#include "player/large_block.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define JINGLE_SANITIZED_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define JINGLE_SANITIZED_ALLOCATOR 1
#endif

#if defined(__linux__) && !defined(JINGLE_SANITIZED_ALLOCATOR)
#define JINGLE_MAPPED_BLOCKS 1
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace player {
namespace {

// Every block starts with a header that says how it was allocated, and how large its mapping is.
struct alignas(16) Header {
  std::size_t mappedBytes;  // 0: from the C library
};

constexpr std::size_t MAPPED_FROM = std::size_t{256} << 10;
constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

#if defined(JINGLE_MAPPED_BLOCKS)
// A mapping starting on a huge page: one huge page for a block smaller than that, else the bytes
// rounded up to whole pages, so that the part past the last whole huge page takes no more memory
// than it is used. Null on failure.
void* mapAligned(std::size_t bytes) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t length = bytes < HUGE_PAGE ? HUGE_PAGE : (bytes + page - 1) / page * page;
  void* raw =
      mmap(nullptr, length + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = (rawStart + HUGE_PAGE - 1) & ~std::uintptr_t{HUGE_PAGE - 1};
  // The parts before and after the aligned stretch go back at once.
  if (start > rawStart) munmap(raw, start - rawStart);
  const std::uintptr_t end = start + length;
  const std::uintptr_t rawEnd = rawStart + length + HUGE_PAGE;
  if (rawEnd > end) munmap(reinterpret_cast<void*>(end), rawEnd - end);
  // Only advice: without huge pages the block is mapped in ordinary pages.
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  auto* header = reinterpret_cast<Header*>(start);
  header->mappedBytes = length;
  return header;
}
#endif

// count x size zero-filled bytes, mapped on their own from mappedFrom bytes on.
void* allocate(std::size_t count, std::size_t size, std::size_t mappedFrom) {
  if (size != 0 && count > (std::numeric_limits<std::size_t>::max() - sizeof(Header)) / size) {
    return nullptr;
  }
  const std::size_t bytes = count * size + sizeof(Header);
#if defined(JINGLE_MAPPED_BLOCKS)
  if (bytes >= mappedFrom) {
    void* mapped = mapAligned(bytes);
    return mapped == nullptr ? nullptr : static_cast<Header*>(mapped) + 1;
  }
#else
  (void)mappedFrom;
#endif
  auto* header = static_cast<Header*>(std::calloc(bytes, 1));
  if (header == nullptr) return nullptr;
  return header + 1;
}

}  // namespace

void* allocateZeroed(std::size_t count, std::size_t size) {
  return allocate(count, size, MAPPED_FROM);
}

void* allocateZeroedSparse(std::size_t count, std::size_t size) {
  return allocate(count, size, HUGE_PAGE);
}

void freeZeroed(void* block) {
  if (block == nullptr) return;
  Header* header = static_cast<Header*>(block) - 1;
#if defined(JINGLE_MAPPED_BLOCKS)
  if (header->mappedBytes != 0) {
    munmap(header, header->mappedBytes);
    return;
  }
#endif
  std::free(header);
}

}  // namespace player
