#pragma once
// Fixed-size slots for the most numerous mesh elements (vertices, lines,
// faces and a face's two side blocks). One pool per class, shared by every
// mesh of the process; slots come from blocks of 1000, so an allocation or a
// release is a few pointer moves and no heap call. Memory goes back to the
// system only when a pool is compacted.
//
// A slot is a link word followed by the object's storage. The link word of a
// free slot holds the next free slot; that of a slot in use holds the
// address of the pool's `sentinelSlot`, which is how the pool tells the two
// apart (compaction, and the check that a released slot was in use). A new
// block's slots are chained lazily: they go out in ascending order after the
// free list.
//
// Blocks are cut from chunks of 2 MiB (more for very large slots) taken
// straight from the system, aligned to their size and backed by huge pages
// where the system has them: a mesh of a million faces then costs a few
// hundred page faults instead of a hundred thousand. A block freed by
// compaction gives its pages back and waits in its chunk for reuse; a chunk
// none of whose blocks is in use goes back to the system.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/Memory.h"

namespace engine {

class ElementPool {
 public:
  static constexpr int kSlotsPerBlock = 1000;

  struct Slot {
    Slot* link;
    // the object's storage follows
  };
  struct Block {
    Block* prev;  // the newer neighbour, null for the first block
    Block* next;  // the older neighbour; in the spare list, the next spare
    // kSlotsPerBlock slots follow
  };
  // The head of a chunk; its blocks follow.
  struct Chunk {
    Chunk* prev;  // the newer neighbour
    Chunk* next;  // the older neighbour
    int blocksInUse;
  };

  // Objects of up to `objectSize` bytes, aligned for pointers and doubles.
  // Constant-initialised and never destroyed: the pools outlive every mesh,
  // including those freed by other objects with static lifetime.
  explicit constexpr ElementPool(std::size_t objectSize)
      : slotSize(kLinkSize + RoundUp(objectSize)), chunkBytes(ChunkBytesFor(slotSize)) {}

  // Storage for one object (not cleared), or null when no block could be
  // had; the caller records the out-of-memory failure.
  void* Allocate() noexcept;
  // Gives the storage back: the slot is reused first by the next
  // allocation. A null object is ignored. Releasing storage that is not a
  // slot in use (released twice, or the sentinel) is fatal.
  void Release(void* object);
  // Frees every block none of whose slots is in use, then rebuilds the free
  // list from the oldest block to the newest, lowest slot first. Objects
  // never move.
  void Compact();

  // ---- for tests and measurements --------------------------------------
  int BlockCount() const;
  int SlotsInUse() const;
  std::size_t BytesHeld() const { return static_cast<std::size_t>(BlockCount()) * BlockBytes(); }
  std::size_t BlockBytes() const { return sizeof(Block) + kSlotsPerBlock * slotSize; }
  // Whether the object's slot is in use (the object must be one of this
  // pool's).
  bool IsInUse(const void* object) const { return SlotOf(object)->link == &sentinelSlot; }
  // The block and slot number an object lives in; false when it is not in
  // one of the pool's blocks.
  bool Locate(const void* object, int& blockNumber, int& slotNumber) const;

  Block* firstBlock = nullptr;  // newest first
  Slot* freeList = nullptr;
  // The slots of the newest block that were never handed out, from
  // freshNext up to freshEnd; they follow the free list.
  Slot* freshNext = nullptr;
  Slot* freshEnd = nullptr;
  Slot sentinelSlot{nullptr};
  std::size_t slotSize;

  // The chunks blocks are cut from, newest first; the newest one's room not
  // cut yet; blocks cut but not in the block list (their pages given back).
  Chunk* chunks = nullptr;
  char* uncutNext = nullptr;
  char* uncutEnd = nullptr;
  Block* spareBlocks = nullptr;
  std::size_t chunkBytes;

 private:
  static constexpr std::size_t kLinkSize = sizeof(Slot);
  // Blocks start a cache line into their chunk.
  static constexpr std::size_t kChunkHead = 64;
  static_assert(sizeof(Chunk) <= kChunkHead);
  static constexpr std::size_t RoundUp(std::size_t n) { return (n + kLinkSize - 1) / kLinkSize * kLinkSize; }
  static constexpr std::size_t ChunkBytesFor(std::size_t slotBytes) {
    return std::bit_ceil(std::max(platform::kLargeBlockAlignment, kChunkHead + sizeof(Block) + kSlotsPerBlock * slotBytes));
  }
  Chunk* ChunkOf(const Block* block) const {
    return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(std::uintptr_t{chunkBytes} - 1));
  }

  Slot* SlotAt(Block* block, int i) const {
    return reinterpret_cast<Slot*>(reinterpret_cast<char*>(block + 1) + static_cast<std::size_t>(i) * slotSize);
  }
  static Slot* SlotOf(const void* object) {
    return reinterpret_cast<Slot*>(const_cast<char*>(static_cast<const char*>(object)) - kLinkSize);
  }
  static void* StorageOf(Slot* slot) { return reinterpret_cast<char*>(slot) + kLinkSize; }
  bool BlockHasObjects(Block* block) const;
  void ThreadFreshSlots();
  // A block for the block list (counted as an engine allocation), or null.
  Block* NewBlock();
  // After compaction: blocks freed by it become spares or go with their
  // chunk, and chunks left without blocks in use go back to the system.
  void ReturnBlocks(Block* freed);
};

// ---- the process-wide pools: ElementPools.cpp ------------------------------
ElementPool& VertexPool();
ElementPool& LinePool();
ElementPool& FacePool();
ElementPool& FaceUVPool();
ElementPool& FaceNormalsPool();

void VertexCompactPool();
void LineCompactPool();
// The face pool, then the corner-normal pool, then the texture-coordinate pool.
void FaceCompactPools();
// Vertices, lines, then the face pools.
void EngCompactElementPools();

}  // namespace engine
