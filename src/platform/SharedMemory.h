#pragma once
// Named shared memory that another program hands over (a POSIX
// shared-memory object, the stand-in for a named file mapping).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Copies the whole object `name` (a leading "/" is added when missing) into
// `out`, read-only. False, and `out` empty, when it does not exist, cannot
// be mapped, or is larger than `maxBytes`: a foreign block never makes the
// program read past the object or allocate without bound.
bool ReadSharedMemory(const std::string& name, std::size_t maxBytes, std::vector<std::uint8_t>& out);

}  // namespace platform
