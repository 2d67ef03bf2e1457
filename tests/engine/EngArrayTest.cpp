#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/core/EngArrays.h"

namespace {

using namespace engine;

void* P(std::intptr_t n) { return reinterpret_cast<void*>(n); }

TEST(EngArray, NewArrayHoldsNoBlockAndStartsFromFive) {
  DoubleArray a;
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.capacity, 5);
  EXPECT_EQ(a.initialCapacity, 5);
  EXPECT_EQ(a.items, nullptr);
}

TEST(EngArray, CapacityDoublesFromTenAndKeepsTheElementsInOrder) {
  struct Step {
    int additions;
    int capacity;
  };
  const Step steps[] = {{1, 10}, {10, 10}, {11, 20}, {20, 20}, {21, 40}, {40, 40}, {41, 80}};
  DoubleArray a;
  int added = 0;
  for (const Step& step : steps) {
    while (added < step.additions) ASSERT_TRUE(a.Add(added++ * 0.5));
    EXPECT_EQ(a.count, step.additions);
    EXPECT_EQ(a.capacity, step.capacity) << "after " << step.additions << " additions";
  }
  for (int i = 0; i < a.count; ++i) EXPECT_EQ(a[i], i * 0.5);
}

TEST(EngArray, FailedGrowthLeavesTheArrayUnchangedAndTheNextAdditionRetries) {
  PointArray a;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(a.Add(PointRecord{double(i), 0, 0}));
  PointRecord* const block = a.items;
  {
    EngAllocFailureScope failNext(1);
    EXPECT_FALSE(a.Add(PointRecord{99, 0, 0}));
  }
  EXPECT_EQ(a.count, 10);
  EXPECT_EQ(a.capacity, 10);
  EXPECT_EQ(a.items, block);
  EXPECT_EQ(a[9].x, 9.0);

  EXPECT_TRUE(a.Add(PointRecord{10, 0, 0}));
  EXPECT_EQ(a.capacity, 20);
  for (int i = 0; i < a.count; ++i) EXPECT_EQ(a[i].x, double(i));
}

TEST(EngArray, ReserveMakesOneBlockThatTheAdditionsFillWithoutMoving) {
  PointArray a;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(a.Add(PointRecord{double(i), 0, 0}));
  {
    EngAllocFailureScope failNext(1);
    EXPECT_FALSE(a.Reserve(1000));
  }
  EXPECT_EQ(a.capacity, 10);
  ASSERT_TRUE(a.Reserve(1000));
  EXPECT_EQ(a.capacity, 1000);
  PointRecord* const block = a.items;
  for (int i = 3; i < 1000; ++i) ASSERT_TRUE(a.Add(PointRecord{double(i), 0, 0}));
  EXPECT_EQ(a.items, block);
  for (int i = 0; i < a.count; ++i) ASSERT_EQ(a[i].x, double(i));
  // Room already there: nothing changes.
  EXPECT_TRUE(a.Reserve(10));
  EXPECT_EQ(a.items, block);
}

TEST(EngArray, FailedFirstAdditionLeavesANewArray) {
  PtrArray a;
  {
    EngAllocFailureScope failAll(1, true);
    EXPECT_FALSE(a.Add(P(1)));
    EXPECT_FALSE(a.Add(P(1)));
  }
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.capacity, 5);
  EXPECT_EQ(a.items, nullptr);
  EXPECT_TRUE(a.Add(P(1)));
  EXPECT_EQ(a.capacity, 10);
}

TEST(EngArray, GrowthBeyondFourGigabytesFailsWithoutAllocating) {
  // 2 x 20 000 000 matrices of 136 bytes do not fit in 32 bits.
  RecordArray<MatrixRecord> a(20000000);
  const long before = EngAllocationStats().allocations;
  EXPECT_FALSE(a.Add(MatrixRecord{}));
  EXPECT_EQ(EngAllocationStats().allocations, before);
  EXPECT_EQ(a.items, nullptr);
}

TEST(EngArray, PtrArrayRemoveShiftsTheTailAndKeepsTheCapacity) {
  struct Case {
    std::vector<int> before;
    int remove;
    bool removed;
    std::vector<int> after;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, 2, true, {1, 3, 4}},
      {{1, 2, 3, 4}, 4, true, {1, 2, 3}},
      {{1, 2, 1}, 1, true, {2, 1}},  // the first equal one only
      {{1, 2, 3}, 7, false, {1, 2, 3}},
      {{}, 1, false, {}},
  };
  for (const Case& c : cases) {
    PtrArray a;
    for (int v : c.before) ASSERT_TRUE(a.Add(P(v)));
    const int capacity = a.capacity;
    EXPECT_EQ(a.Remove(P(c.remove)), c.removed);
    ASSERT_EQ(a.count, static_cast<int>(c.after.size()));
    for (int i = 0; i < a.count; ++i) EXPECT_EQ(a[i], P(c.after[i]));
    EXPECT_EQ(a.capacity, capacity);
  }
}

TEST(EngArray, RemoveAllReturnsToTheInitialCapacity) {
  RecordArray<void*> a(3);
  for (int i = 0; i < 7; ++i) ASSERT_TRUE(a.Add(P(i)));
  EXPECT_EQ(a.capacity, 12);
  a.RemoveAll();
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.items, nullptr);
  EXPECT_EQ(a.capacity, 3);
  ASSERT_TRUE(a.Add(P(1)));
  EXPECT_EQ(a.capacity, 6);
}

TEST(EngArray, RecordArrayTakesItsInitialCapacityAndClearsItsInt) {
  const RecordArray<PointRecord> chosen(7);
  EXPECT_EQ(chosen.capacity, 7);
  EXPECT_EQ(chosen.initialCapacity, 7);
  EXPECT_EQ(chosen.userValue, 0);
  const RecordArray<PointRecord> defaulted(0);
  EXPECT_EQ(defaulted.capacity, 5);
}

// The slots of a grown block beyond `count` hold what the typed form
// promises, even over memory that held other bytes.
class PreparedSlots : public ::testing::Test {
 protected:
  void SetUp() override { EngSetAllocationPoison(0xA5); }
  void TearDown() override { EngSetAllocationPoison(-1); }
};

TEST_F(PreparedSlots, ElementRefArrayHoldsNoElementInNewSlots) {
  ElementRefArray a;
  for (int i = 0; i < 11; ++i) ASSERT_TRUE(a.Append(ElementRef{{1, 2, 3}, nullptr, -3, nullptr, i}));
  ASSERT_EQ(a.capacity, 20);
  for (int i = a.count; i < a.capacity; ++i) {
    EXPECT_EQ(a.items[i].element, nullptr);
    EXPECT_EQ(a.items[i].kind, -1);
    EXPECT_EQ(a.items[i].owner, nullptr);
  }
  EXPECT_EQ(a[10].extra, 10);
  EXPECT_EQ(a[10].kind, -3);
}

TEST_F(PreparedSlots, MatrixArrayHoldsFlagZeroInNewSlots) {
  MatrixArray a;
  MatrixRecord m{};
  m.flag = 1;
  for (int i = 0; i < 11; ++i) ASSERT_TRUE(a.Append(m));
  for (int i = 0; i < a.count; ++i) EXPECT_EQ(a[i].flag, 1);
  for (int i = a.count; i < a.capacity; ++i) EXPECT_EQ(a.items[i].flag, 0);
}

TEST_F(PreparedSlots, ConstructedSlotsAreDefaultRecords) {
  struct Marked {
    int mark = 7;
  };
  EngArray<Marked, EngConstructSlots> a;
  ASSERT_TRUE(a.Add(Marked{1}));
  EXPECT_EQ(a[0].mark, 1);
  for (int i = 1; i < a.capacity; ++i) EXPECT_EQ(a.items[i].mark, 7);
}

TEST(EngArray, MovingHandsOverTheBlock) {
  SortEntryArray a;
  ASSERT_TRUE(a.Append(SortEntry{2.5, 3, nullptr}));
  SortEntry* const block = a.items;
  SortEntryArray b(std::move(a));
  EXPECT_EQ(b.items, block);
  EXPECT_EQ(b.count, 1);
  EXPECT_EQ(a.items, nullptr);
  EXPECT_EQ(a.count, 0);
}

}  // namespace
