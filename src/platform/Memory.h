#pragma once
// Memory hints to the system, and large aligned blocks straight from it.
#include <cstddef>

namespace platform {

// Asks the system to map every whole page of a freshly allocated block at
// once, ready for writing, so that filling it does not stop at each page. A
// hint only: where the system cannot, nothing happens.
void PrefaultWritable(void* block, std::size_t bytes) noexcept;

// Gives the whole pages inside a block back to the system while the block
// stays allocated; they read as zero when next touched. A hint only.
void ReleasePages(void* block, std::size_t bytes) noexcept;

// Asks for huge pages behind the whole 2 MiB stretches of a block, so that
// filling a big table faults once per stretch instead of once per 4 KiB. A
// hint only.
void AdviseHugePages(void* block, std::size_t bytes) noexcept;

// The size of a huge page where the system has them; large blocks are
// multiples of it.
constexpr std::size_t kLargeBlockAlignment = std::size_t{2} << 20;

// `bytes` (a power of two, at least kLargeBlockAlignment) aligned to their
// own size, with huge pages asked for: filling such a block takes a few
// faults instead of one for every 4 KiB page. Contents are unspecified; null
// when the system refuses. Freed only by FreeLargeBlock with the same size.
void* AllocateLargeBlock(std::size_t bytes) noexcept;
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

}  // namespace platform
