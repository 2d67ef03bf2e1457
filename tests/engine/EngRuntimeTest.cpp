#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/EngRuntime.h"
#include "platform/Hooks.h"

namespace {

using namespace engine;

// Each test starts with a clear failure state and no reserve, and ends with
// the hooks it changed put back.
class EngRuntime : public ::testing::Test {
 protected:
  void SetUp() override {
    EngContext().ClearFailure();
    EngContext().reserve = nullptr;
    previousFatal_ = platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
    previousBeep_ = platform::SetBeepHook([this] { ++beeps_; });
  }
  void TearDown() override {
    delete EngContext().reserve;
    EngContext().reserve = nullptr;
    EngContext().ClearFailure();
    EngClearAllocationFailure();
    platform::SetFatalHook(previousFatal_);
    platform::SetBeepHook(previousBeep_);
  }

  // Runs the fatal exit through the throwing hook and answers its text.
  template <class F>
  static std::string FatalText(F fatal) {
    try {
      fatal();
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    ADD_FAILURE() << "the fatal exit returned";
    return {};
  }

  int beeps_ = 0;

 private:
  platform::FatalHook previousFatal_;
  platform::BeepHook previousBeep_;
};

TEST_F(EngRuntime, FreshContextHoldsItsDefaults) {
  const EngGlobalContext context;
  EXPECT_EQ(context.failState, 0);
  EXPECT_EQ(context.failReason, 0);
  EXPECT_EQ(context.reserve, nullptr);
  EXPECT_EQ(context.prefs, nullptr);
  EXPECT_EQ(context.formatVersion, 0);
  EXPECT_EQ(context.textureMode, 1);
  EXPECT_EQ(context.pickScale, 1.0);
  EXPECT_EQ(context.pageHitScale, 1.0);
  EXPECT_EQ(context.renderScale, 1.0);
  EXPECT_EQ(context.renderScaleInt, 1);
  EXPECT_EQ(context.undoDepth, 1);
  EXPECT_EQ(context.textureFileCount, 0);
  EXPECT_EQ(context.textureFileTable.count, 0);
  EXPECT_EQ(context.textureFileTable.capacity, 5);
  EXPECT_TRUE(context.fatalText.empty());
}

TEST_F(EngRuntime, CursorSetSwitchesBetweenWaitAndArrow) {
  std::vector<int> seen;
  auto previous = platform::SetCursorHook([&](int code) { seen.push_back(code); });
  EngContext().cursors.SetWaitCursor();
  EngContext().cursors.SetArrowCursor();
  platform::SetCursorHook(previous);
  EXPECT_EQ(seen, (std::vector<int>{platform::kCursorWait, platform::kCursorArrow}));
}

TEST_F(EngRuntime, FirstRecordedReasonWinsAndOnlyOutOfMemoryFreesTheReserve) {
  struct Case {
    std::vector<int> reasons;
    int reason;
    bool reserveHeld;
  };
  const Case cases[] = {
      {{kEngReasonDegenerateIntersection, kEngReasonTopologyConflict}, kEngReasonDegenerateIntersection, true},
      {{kEngReasonOutOfMemory, kEngReasonTopologyConflict}, kEngReasonOutOfMemory, false},
      // Out of memory after another failure keeps the first reason, and so
      // the reserve.
      {{kEngReasonTopologyConflict, kEngReasonOutOfMemory}, kEngReasonTopologyConflict, true},
  };
  for (const Case& c : cases) {
    EngContext().ClearFailure();
    delete EngContext().reserve;
    EngContext().reserve = new EngMemoryReserve();
    ASSERT_NE(EngContext().reserve->block, nullptr);
    for (int reason : c.reasons) EngRecordFailure(reason);
    EXPECT_EQ(EngContext().failState, kEngFailFailed);
    EXPECT_EQ(EngContext().failReason, c.reason);
    EXPECT_EQ(EngContext().reserve->block != nullptr, c.reserveHeld) << "first reason " << c.reasons[0];
  }
}

TEST_F(EngRuntime, DeclinedStateIsOverwrittenByAFailure) {
  EngContext().failState = kEngFailDeclined;
  EngContext().failReason = kEngReasonDeclined;
  EngRecordFailure(kEngReasonTopologyConflict);
  EXPECT_EQ(EngContext().failState, kEngFailFailed);
  EXPECT_EQ(EngContext().failReason, kEngReasonTopologyConflict);
}

TEST_F(EngRuntime, ReserveIsReleasedOnceAcrossRepeatedOutOfMemory) {
  EngContext().reserve = new EngMemoryReserve();
  const long freesBefore = EngAllocationStats().frees;
  EngRecordFailure(kEngReasonOutOfMemory);
  EngRecordFailure(kEngReasonOutOfMemory);
  EngReleaseReserveIfOutOfMemory();
  EXPECT_EQ(EngContext().reserve->block, nullptr);
  EXPECT_EQ(EngAllocationStats().frees - freesBefore, 1);
}

TEST_F(EngRuntime, ReserveTakesTheLargestBlockBesideTheProbe) {
  struct Case {
    long failNth;  // 0 none
    bool everyLater;
    bool held;
    long attempts;  // probe included
    long frees;     // the probe, when it was had
    int beeps;
  };
  const Case cases[] = {
      {0, false, true, 2, 1, 0},   // probe, then 400000 bytes at once
      {1, false, false, 1, 0, 1},  // no probe: no reserve, a beep
      {2, false, true, 3, 1, 0},   // 400000 fails, 390000 is taken
      {2, true, false, 41, 1, 1},  // every size from 400000 down to 10000 fails
  };
  for (const Case& c : cases) {
    beeps_ = 0;
    const EngAllocStats before = EngAllocationStats();
    if (c.failNth != 0) EngFailAllocation(c.failNth, c.everyLater);
    EngMemoryReserve reserve;
    EngClearAllocationFailure();
    const EngAllocStats after = EngAllocationStats();
    EXPECT_EQ(reserve.block != nullptr, c.held) << "failing allocation " << c.failNth;
    EXPECT_EQ(after.allocations - before.allocations, c.attempts);
    EXPECT_EQ(after.frees - before.frees, c.frees);
    EXPECT_EQ(beeps_, c.beeps);
  }
}

TEST_F(EngRuntime, FatalErrorShowsTheCheckAndRecordsReasonFiveOverAnEarlierOne) {
  EngContext().reserve = new EngMemoryReserve();
  EngRecordFailure(kEngReasonOutOfMemory);
  ASSERT_EQ(EngContext().reserve->block, nullptr);
  const long freesBefore = EngAllocationStats().frees;

  const int line = __LINE__ + 1;
  const std::string text = FatalText([] { ENG_FATAL(); });
  EXPECT_EQ(text, "Sorry, Error Quit. \n" + std::string(__FILE__) + " " + std::to_string(line));
  EXPECT_EQ(EngContext().failState, kEngFailFailed);
  EXPECT_EQ(EngContext().failReason, kEngReasonFatal);
  EXPECT_EQ(EngAllocationStats().frees, freesBefore);  // nothing freed twice
}

TEST_F(EngRuntime, FatalTextKeepsALongPathAndTheLine) {
  const std::string path = "/very/long/" + std::string(400, 'd') + "/Source.cpp";
  const std::string text = FatalText([&] { EngFatalAt(path.c_str(), 1234); });
  EXPECT_EQ(text, "Sorry, Error Quit. \n" + path + " 1234");
  EXPECT_EQ(EngContext().fatalText, path + " 1234");
}

TEST_F(EngRuntime, FatalCheckFiresOnlyWhenItsConditionHolds) {
  int evaluated = 0;
  ENG_FATAL_IF(++evaluated == 0);
  EXPECT_EQ(evaluated, 1);
  EXPECT_EQ(EngContext().failState, kEngFailNone);
  const std::string text = FatalText([] { ENG_FATAL_IF(1 + 1 == 2); });
  EXPECT_EQ(text.rfind("Sorry, Error Quit. \n", 0), 0u);
}

TEST(EngRuntimeDeathTest, FatalErrorEndsTheProcessWithAFailureCode) {
  EXPECT_EXIT(ENG_FATAL(), ::testing::ExitedWithCode(platform::kFatalExitCode), "Sorry, Error Quit");
}

}  // namespace
