#include "platform/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace platform {

void PrefaultWritable(void* block, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
  static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t from = (start + page - 1) & ~(page - 1);
  const std::uintptr_t to = (start + bytes) & ~(page - 1);
  // Errors (an older kernel, memory short) leave the pages to fault one by
  // one, as without the hint.
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)block;
  (void)bytes;
#endif
}

}  // namespace platform
