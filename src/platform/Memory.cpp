#include "platform/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <utility>

// The sanitizers look for leaks only through memory that malloc handed out;
// their builds take large blocks from malloc so pointers kept there count.
#if defined(__SANITIZE_ADDRESS__)
#define PENNET_LARGE_BLOCKS_FROM_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PENNET_LARGE_BLOCKS_FROM_MALLOC 1
#endif
#endif

namespace platform {
namespace {

std::uintptr_t PageSize() {
  static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  return page;
}

// The whole pages inside [block, block + bytes), as a start and a length;
// the length is 0 when there is none.
std::pair<void*, std::size_t> WholePages(void* block, std::size_t bytes) {
  const std::uintptr_t page = PageSize();
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t from = (start + page - 1) & ~(page - 1);
  const std::uintptr_t to = (start + bytes) & ~(page - 1);
  return {reinterpret_cast<void*>(from), to > from ? to - from : 0};
}

}  // namespace

void PrefaultWritable(void* block, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
  // Errors (an older kernel, memory short) leave the pages to fault one by
  // one, as without the hint.
  const auto [from, length] = WholePages(block, bytes);
  if (length > 0) madvise(from, length, MADV_POPULATE_WRITE);
#else
  (void)block;
  (void)bytes;
#endif
}

void ReleasePages(void* block, std::size_t bytes) noexcept {
  const auto [from, length] = WholePages(block, bytes);
  if (length > 0) madvise(from, length, MADV_DONTNEED);
}

void AdviseHugePages(void* block, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
  const std::uintptr_t huge = kLargeBlockAlignment;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t from = (start + huge - 1) & ~(huge - 1);
  const std::uintptr_t to = (start + bytes) & ~(huge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

void* AllocateLargeBlock(std::size_t bytes) noexcept {
#ifdef PENNET_LARGE_BLOCKS_FROM_MALLOC
  return std::aligned_alloc(bytes, bytes);
#else
  // Twice the size is mapped, then cut down to the aligned part.
  void* mapped = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + bytes - 1) & ~(std::uintptr_t{bytes} - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const std::uintptr_t tail = start + 2 * bytes - (aligned + bytes);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  madvise(block, bytes, MADV_HUGEPAGE);
#endif
  return block;
#endif
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
#ifdef PENNET_LARGE_BLOCKS_FROM_MALLOC
  (void)bytes;
  std::free(block);
#else
  munmap(block, bytes);
#endif
}

}  // namespace platform
