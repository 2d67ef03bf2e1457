// Element pools: slot order, reuse, compaction, the release checks and the
// process-wide pools behind the element classes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/mesh/ElementPool.h"
#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshTest;

class ElementPoolTest : public MeshTest {
 protected:
  // A pool of its own for each test; its blocks go back at the end.
  ~ElementPoolTest() override {
    for (void* object : live_) pool_.Release(object);
    pool_.Compact();
  }

  void* Take() {
    void* object = pool_.Allocate();
    if (object != nullptr) live_.push_back(object);
    return object;
  }
  void Give(void* object) {
    std::erase(live_, object);
    pool_.Release(object);
  }
  std::pair<int, int> Where(void* object) {
    int block = -1;
    int slot = -1;
    EXPECT_TRUE(pool_.Locate(object, block, slot));
    return {block, slot};
  }

  ElementPool pool_{40};
  std::vector<void*> live_;
};

TEST_F(ElementPoolTest, SlotsComeInOrderFromBlocksOfAThousandNewestFirst) {
  void* first = Take();
  EXPECT_EQ(pool_.BlockCount(), 1);
  EXPECT_EQ(Where(first), std::make_pair(0, 0));
  void* last = nullptr;
  for (int i = 1; i < ElementPool::kSlotsPerBlock; ++i) {
    last = Take();
    ASSERT_EQ(Where(last), std::make_pair(0, i));
  }
  EXPECT_EQ(pool_.BlockCount(), 1);
  void* overflow = Take();
  EXPECT_EQ(pool_.BlockCount(), 2);
  // The new block goes to the front of the block list.
  EXPECT_EQ(Where(overflow), std::make_pair(0, 0));
  EXPECT_EQ(Where(first), std::make_pair(1, 0));
  EXPECT_EQ(pool_.SlotsInUse(), ElementPool::kSlotsPerBlock + 1);
}

TEST_F(ElementPoolTest, AReleasedSlotIsTheNextOneHandedOut) {
  void* a = Take();
  void* b = Take();
  Take();
  Give(a);
  Give(b);
  EXPECT_FALSE(pool_.IsInUse(a));
  // The last released goes out first.
  EXPECT_EQ(Take(), b);
  EXPECT_EQ(Take(), a);
  EXPECT_TRUE(pool_.IsInUse(a));
}

TEST_F(ElementPoolTest, CompactionFreesEmptyBlocksAndRefillsTheOldestFromItsLowestSlot) {
  std::vector<void*> objects;
  for (int i = 0; i < 2 * ElementPool::kSlotsPerBlock + 10; ++i) objects.push_back(Take());
  ASSERT_EQ(pool_.BlockCount(), 3);
  // Keep slot 5 of the oldest block only.
  for (int i = 0; i < static_cast<int>(objects.size()); ++i)
    if (i != 5) Give(objects[i]);
  pool_.Compact();
  EXPECT_EQ(pool_.BlockCount(), 1);
  EXPECT_EQ(Where(objects[5]), std::make_pair(0, 5));
  EXPECT_EQ(Where(Take()), std::make_pair(0, 0));
  EXPECT_EQ(Where(Take()), std::make_pair(0, 1));

  for (void* object : std::vector<void*>(live_)) Give(object);
  pool_.Compact();
  EXPECT_EQ(pool_.BlockCount(), 0);
  EXPECT_EQ(pool_.BytesHeld(), 0u);
  Take();
  EXPECT_EQ(pool_.BlockCount(), 1);
}

TEST_F(ElementPoolTest, BlocksFreedByCompactionAreReusedAndEmptyChunksGoBack) {
  std::vector<void*> objects;
  for (int i = 0; i < 3 * ElementPool::kSlotsPerBlock; ++i) objects.push_back(Take());
  ASSERT_EQ(pool_.BlockCount(), 3);
  ElementPool::Block* newer = pool_.firstBlock;
  for (int i = 1; i < static_cast<int>(objects.size()); ++i) Give(objects[i]);
  pool_.Compact();
  ASSERT_EQ(pool_.BlockCount(), 1);
  // The two freed blocks share a chunk with the one still in use: they wait
  // there and the next block is one of them.
  EXPECT_NE(pool_.chunks, nullptr);
  for (int i = 0; i < ElementPool::kSlotsPerBlock; ++i) Take();
  ASSERT_EQ(pool_.BlockCount(), 2);
  EXPECT_TRUE(pool_.firstBlock == newer || pool_.firstBlock == newer->next);

  for (void* object : std::vector<void*>(live_)) Give(object);
  pool_.Compact();
  EXPECT_EQ(pool_.chunks, nullptr);
  EXPECT_EQ(pool_.spareBlocks, nullptr);
}

TEST(ElementPoolSizes, ObjectsOfEverySizeFillTheirSlotsAndAllMemoryGoesBack) {
  for (std::size_t size : {std::size_t{8}, std::size_t{40}, std::size_t{3000}}) {
    SCOPED_TRACE(size);
    ElementPool pool(size);
    EXPECT_GE(pool.chunkBytes, pool.BlockBytes() + 64);
    std::vector<void*> objects;
    for (int i = 0; i < 2 * ElementPool::kSlotsPerBlock + 1; ++i) {
      void* object = pool.Allocate();
      ASSERT_NE(object, nullptr);
      std::memset(object, i & 0xFF, size);
      objects.push_back(object);
    }
    // No object overlaps another.
    for (int i = 0; i < static_cast<int>(objects.size()); ++i)
      ASSERT_EQ(*static_cast<unsigned char*>(objects[i]), i & 0xFF);
    ASSERT_EQ(pool.BlockCount(), 3);
    for (void* object : objects) pool.Release(object);
    pool.Compact();
    EXPECT_EQ(pool.BlockCount(), 0);
    EXPECT_EQ(pool.chunks, nullptr);
  }
}

TEST_F(ElementPoolTest, ReleasingASlotThatIsNotInUseIsCaught) {
  void* a = Take();
  Take();
  Give(a);
  // Twice: the slot would otherwise be handed to two objects later.
  EXPECT_TRUE(EndsInFatalExit([&] { pool_.Release(a); }));
  EXPECT_EQ(Take(), a);
  EXPECT_NE(Take(), a);
  // The pool's own marker slot is never an object's.
  EXPECT_TRUE(EndsInFatalExit([&] { pool_.Release(reinterpret_cast<char*>(&pool_.sentinelSlot) + sizeof(void*)); }));
}

TEST_F(ElementPoolTest, AFailedBlockAllocationAnswersNullAndTheNextCallRecovers) {
  {
    EngAllocFailureScope failAll(1, true);
    EXPECT_EQ(Take(), nullptr);
  }
  EXPECT_EQ(pool_.BlockCount(), 0);
  EXPECT_NE(Take(), nullptr);
}

TEST_F(ElementPoolTest, ElementsOfAFreedMeshGoBackToTheProcessPools) {
  const int verticesBefore = VertexPool().SlotsInUse();
  const int linesBefore = LinePool().SlotsInUse();
  const int facesBefore = FacePool().SlotsInUse();
  {
    meshkit::MeshFixture cube = meshkit::MakeCube();
    EXPECT_EQ(VertexPool().SlotsInUse() - verticesBefore, 8);
    EXPECT_EQ(LinePool().SlotsInUse() - linesBefore, 18);
    EXPECT_EQ(FacePool().SlotsInUse() - facesBefore, 12);
  }
  EXPECT_EQ(VertexPool().SlotsInUse(), verticesBefore);
  EXPECT_EQ(LinePool().SlotsInUse(), linesBefore);
  EXPECT_EQ(FacePool().SlotsInUse(), facesBefore);
}

}  // namespace
