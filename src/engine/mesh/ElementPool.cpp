#include "engine/mesh/ElementPool.h"

#include <cstdint>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "platform/Memory.h"

namespace engine {

void* ElementPool::Allocate() noexcept {
  if (!EngAllocationPermitted()) return nullptr;
  Slot* slot = freeList;
  if (slot != nullptr) {
    freeList = slot->link;
  } else {
    if (freshNext == freshEnd) {
      Block* block = NewBlock();
      if (block == nullptr) return nullptr;
      block->prev = nullptr;
      block->next = firstBlock;
      if (firstBlock != nullptr) firstBlock->prev = block;
      firstBlock = block;
      freshNext = SlotAt(block, 0);
      freshEnd = SlotAt(block, kSlotsPerBlock);
    }
    // A new block's slots go out in ascending order; each is touched only
    // when it is handed out, so memory is first written by its object.
    slot = freshNext;
    freshNext = reinterpret_cast<Slot*>(reinterpret_cast<char*>(slot) + slotSize);
  }
  slot->link = &sentinelSlot;
  return StorageOf(slot);
}

ElementPool::Block* ElementPool::NewBlock() {
  if (!EngAllocationPermitted()) return nullptr;
  Block* block = spareBlocks;
  if (block != nullptr) {
    spareBlocks = block->next;
    platform::PrefaultWritable(block, BlockBytes());
  } else {
    if (static_cast<std::size_t>(uncutEnd - uncutNext) < BlockBytes()) {
      char* memory = static_cast<char*>(platform::AllocateLargeBlock(chunkBytes));
      if (memory == nullptr) return nullptr;
      // Mapped in one go: a fault on every page would cost far more.
      platform::PrefaultWritable(memory, chunkBytes);
      Chunk* chunk = reinterpret_cast<Chunk*>(memory);
      chunk->prev = nullptr;
      chunk->next = chunks;
      chunk->blocksInUse = 0;
      if (chunks != nullptr) chunks->prev = chunk;
      chunks = chunk;
      uncutNext = memory + kChunkHead;
      uncutEnd = memory + chunkBytes;
    }
    block = reinterpret_cast<Block*>(uncutNext);
    uncutNext += BlockBytes();
  }
  ++ChunkOf(block)->blocksInUse;
  EngPoisonNewBlock(block, BlockBytes());
  return block;
}

void ElementPool::ReturnBlocks(Block* freed) {
  for (Block* block = freed; block != nullptr; block = block->next) --ChunkOf(block)->blocksInUse;
  // Spares of chunks about to go leave the spare list.
  for (Block** link = &spareBlocks; *link != nullptr;) {
    if (ChunkOf(*link)->blocksInUse == 0) *link = (*link)->next;
    else link = &(*link)->next;
  }
  while (freed != nullptr) {
    Block* block = freed;
    freed = block->next;
    if (ChunkOf(block)->blocksInUse == 0) continue;
    platform::ReleasePages(block, BlockBytes());
    block->next = spareBlocks;
    spareBlocks = block;
  }
  for (Chunk* chunk = chunks; chunk != nullptr;) {
    Chunk* older = chunk->next;
    if (chunk->blocksInUse == 0) {
      if (chunk->prev != nullptr) chunk->prev->next = older;
      else chunks = older;
      if (older != nullptr) older->prev = chunk->prev;
      if (uncutNext > reinterpret_cast<char*>(chunk) && uncutNext <= reinterpret_cast<char*>(chunk) + chunkBytes)
        uncutNext = uncutEnd = nullptr;
      platform::FreeLargeBlock(chunk, chunkBytes);
    }
    chunk = older;
  }
}

void ElementPool::ThreadFreshSlots() {
  // The untouched slots of the newest block join the free list ahead of
  // it, lowest first, as if they had been chained when the block came.
  for (Slot* slot = freshEnd; slot != freshNext;) {
    slot = reinterpret_cast<Slot*>(reinterpret_cast<char*>(slot) - slotSize);
    slot->link = freeList;
    freeList = slot;
  }
  freshNext = freshEnd = nullptr;
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
  ThreadFreshSlots();
  Block* oldest = nullptr;
  Block* freed = nullptr;
  for (Block* block = firstBlock; block != nullptr;) {
    Block* older = block->next;
    if (BlockHasObjects(block)) {
      oldest = block;
    } else {
      if (block->prev != nullptr) block->prev->next = older;
      else firstBlock = older;
      if (older != nullptr) older->prev = block->prev;
      block->next = freed;
      freed = block;
    }
    block = older;
  }
  ReturnBlocks(freed);
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
    for (int i = 0; i < kSlotsPerBlock; ++i) {
      const Slot* slot = SlotAt(block, i);
      if (block == firstBlock && freshNext != freshEnd && slot >= freshNext) break;  // never handed out
      if (slot->link == &sentinelSlot) ++n;
    }
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
