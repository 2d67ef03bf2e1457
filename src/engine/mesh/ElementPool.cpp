#include "engine/mesh/ElementPool.h"

#include <cstdint>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"

namespace engine {

void* ElementPool::Allocate() noexcept {
  if (!EngAllocationPermitted()) return nullptr;
  if (freeList == nullptr) {
    Block* block = static_cast<Block*>(EngAlloc(BlockBytes()));
    if (block == nullptr) return nullptr;
    // Slots chain in ascending order, so a fresh block hands out slot 0 first.
    for (int i = 0; i < kSlotsPerBlock - 1; ++i) SlotAt(block, i)->link = SlotAt(block, i + 1);
    SlotAt(block, kSlotsPerBlock - 1)->link = freeList;
    freeList = SlotAt(block, 0);
    block->prev = nullptr;
    block->next = firstBlock;
    if (firstBlock != nullptr) firstBlock->prev = block;
    firstBlock = block;
  }
  Slot* slot = freeList;
  freeList = slot->link;
  slot->link = &sentinelSlot;
  return StorageOf(slot);
}

void ElementPool::Release(void* object) {
  if (object == nullptr) return;
  Slot* slot = SlotOf(object);
  // Handing a free slot to the free list again would give it to two objects
  // later; that is a corrupt element graph, caught here while it is cheap.
  ENG_FATAL_IF(slot == &sentinelSlot || slot->link != &sentinelSlot);
  slot->link = freeList;
  freeList = slot;
}

bool ElementPool::BlockHasObjects(Block* block) const {
  for (int i = 0; i < kSlotsPerBlock; ++i)
    if (SlotAt(block, i)->link == &sentinelSlot) return true;
  return false;
}

void ElementPool::Compact() {
  Block* oldest = nullptr;
  for (Block* block = firstBlock; block != nullptr;) {
    Block* older = block->next;
    if (BlockHasObjects(block)) {
      oldest = block;
    } else {
      if (block->prev != nullptr) block->prev->next = older;
      else firstBlock = older;
      if (older != nullptr) older->prev = block->prev;
      EngFree(block);
    }
    block = older;
  }
  // Rebuild the free list oldest block first, so new objects fill the
  // surviving blocks from the front.
  freeList = nullptr;
  Slot** tail = &freeList;
  for (Block* block = oldest; block != nullptr; block = block->prev) {
    for (int i = 0; i < kSlotsPerBlock; ++i) {
      Slot* slot = SlotAt(block, i);
      if (slot->link == &sentinelSlot) continue;
      slot->link = nullptr;
      *tail = slot;
      tail = &slot->link;
    }
  }
}

int ElementPool::BlockCount() const {
  int n = 0;
  for (Block* block = firstBlock; block != nullptr; block = block->next) ++n;
  return n;
}

int ElementPool::SlotsInUse() const {
  int n = 0;
  for (Block* block = firstBlock; block != nullptr; block = block->next)
    for (int i = 0; i < kSlotsPerBlock; ++i)
      if (SlotAt(block, i)->link == &sentinelSlot) ++n;
  return n;
}

bool ElementPool::Locate(const void* object, int& blockNumber, int& slotNumber) const {
  const auto slot = reinterpret_cast<std::uintptr_t>(SlotOf(object));
  int number = 0;
  for (Block* block = firstBlock; block != nullptr; block = block->next, ++number) {
    const auto first = reinterpret_cast<std::uintptr_t>(SlotAt(block, 0));
    const std::uintptr_t end = first + kSlotsPerBlock * slotSize;
    if (slot >= first && slot < end && (slot - first) % slotSize == 0) {
      blockNumber = number;
      slotNumber = static_cast<int>((slot - first) / slotSize);
      return true;
    }
  }
  return false;
}

}  // namespace engine
