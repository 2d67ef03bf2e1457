#pragma once
// The engine's one allocation path. Engine code never lets an allocation
// throw: a failed allocation answers null and the caller records an
// out-of-memory failure. Everything the engine allocates (arrays, element
// pools, objects, scratch blocks) goes through EngAlloc, so tests can make
// the Nth allocation fail, which Linux's overcommit never would.
#include <cstddef>
#include <cstdint>
#include <new>

namespace engine {

// Allocates bytes (maximally aligned); null when memory runs out or the
// test hook refuses. Zero bytes still yields a distinct block.
void* EngAlloc(std::size_t bytes) noexcept;
// Frees a block from EngAlloc; null is ignored.
void EngFree(void* block) noexcept;
// Counts one allocation served without EngAlloc (a slot of an element pool)
// and answers whether the test hook lets it succeed, so that failures can be
// injected there too.
bool EngAllocationPermitted() noexcept;

// Fills a block the engine cut from memory it already holds (an element
// pool's block) as EngAlloc fills a new one while poisoning is on.
void EngPoisonNewBlock(void* block, std::size_t bytes) noexcept;

// Allocates n elements of T, uninitialised; null on failure or when the byte
// size does not fit in size_t.
template <class T>
T* EngAllocArray(std::size_t n) noexcept {
  if (n > SIZE_MAX / sizeof(T)) return nullptr;
  return static_cast<T*>(EngAlloc(n * sizeof(T)));
}

// Base of engine classes created one by one with `new (std::nothrow)`: their
// allocations go through EngAlloc and so through the test hook.
struct EngHeapObject {
  static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return EngAlloc(bytes); }
  static void* operator new(std::size_t bytes) {
    if (void* block = EngAlloc(bytes)) return block;
    throw std::bad_alloc();
  }
  static void operator delete(void* block) noexcept { EngFree(block); }
  static void operator delete(void* block, const std::nothrow_t&) noexcept { EngFree(block); }
};

// ---- test hook ------------------------------------------------------------
// Makes the nth engine allocation from now fail (1 = the next one). With
// everyLater set, that one and all that follow fail until cleared.
void EngFailAllocation(long nth, bool everyLater = false);
// Lets every allocation succeed again.
void EngClearAllocationFailure();
// Fills every new block with the byte (0 to 255), so that a test sees what
// code forgot to initialise; -1 turns it off.
void EngSetAllocationPoison(int byte);
// Allocations attempted and non-null blocks freed since the process started.
struct EngAllocStats {
  long allocations;
  long frees;
};
EngAllocStats EngAllocationStats();

// Clears the hook when a test scope ends, whatever happened inside.
class EngAllocFailureScope {
 public:
  EngAllocFailureScope(long nth, bool everyLater = false) { EngFailAllocation(nth, everyLater); }
  ~EngAllocFailureScope() { EngClearAllocationFailure(); }
  EngAllocFailureScope(const EngAllocFailureScope&) = delete;
  EngAllocFailureScope& operator=(const EngAllocFailureScope&) = delete;
};

}  // namespace engine
