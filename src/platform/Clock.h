#pragma once
// The system tick count: milliseconds of a steady clock, wrapping at 32 bits
// as the desktop platform's tick count does. Used to order selections.
#include <chrono>
#include <cstdint>

namespace platform {

inline std::uint32_t GetTickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace platform
