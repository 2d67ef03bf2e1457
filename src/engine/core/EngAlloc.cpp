#include "engine/core/EngAlloc.h"

#include <cstdlib>
#include <cstring>

#include "platform/Memory.h"

namespace engine {
namespace {

// The engine runs on one thread; the hook state needs no locking.
struct HookState {
  long allocations = 0;
  long frees = 0;
  long failAt = 0;  // allocation number that fails; 0 none
  bool failLater = false;
  int poison = -1;
};

HookState& Hook() {
  static HookState state;
  return state;
}

// Blocks from this size on hold at least one whole huge page.
constexpr std::size_t kHugePageBlockBytes = 2 * platform::kLargeBlockAlignment;

}  // namespace

bool EngAllocationPermitted() noexcept {
  HookState& hook = Hook();
  const long number = ++hook.allocations;
  return hook.failAt == 0 || (number != hook.failAt && !(hook.failLater && number > hook.failAt));
}

void* EngAlloc(std::size_t bytes) noexcept {
  if (!EngAllocationPermitted()) return nullptr;
  HookState& hook = Hook();
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) return nullptr;
  // Big tables (a large mesh's element tables, its load-time numbers) are
  // filled at once; huge pages save a fault on every 4 KiB of them.
  if (bytes >= kHugePageBlockBytes) platform::AdviseHugePages(block, bytes);
  if (hook.poison >= 0) std::memset(block, hook.poison, bytes);
  return block;
}

void EngPoisonNewBlock(void* block, std::size_t bytes) noexcept {
  if (Hook().poison >= 0) std::memset(block, Hook().poison, bytes);
}

void EngFree(void* block) noexcept {
  if (block == nullptr) return;
  ++Hook().frees;
  std::free(block);
}

void EngFailAllocation(long nth, bool everyLater) {
  HookState& hook = Hook();
  hook.failAt = nth <= 0 ? 0 : hook.allocations + nth;
  hook.failLater = everyLater;
}

void EngClearAllocationFailure() {
  Hook().failAt = 0;
  Hook().failLater = false;
}

void EngSetAllocationPoison(int byte) { Hook().poison = byte < 0 || byte > 255 ? -1 : byte; }

EngAllocStats EngAllocationStats() { return {Hook().allocations, Hook().frees}; }

}  // namespace engine
