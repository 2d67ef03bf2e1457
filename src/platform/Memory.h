#pragma once
// Memory hints to the system.
#include <cstddef>

namespace platform {

// Asks the system to map every whole page of a freshly allocated block at
// once, ready for writing, so that filling it does not stop at each page. A
// hint only: where the system cannot, nothing happens.
void PrefaultWritable(void* block, std::size_t bytes) noexcept;

}  // namespace platform
