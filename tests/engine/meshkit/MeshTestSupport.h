#pragma once
// The base of the mesh tests: the clean engine context of the object tests
// (throwing fatal hook, beep counter, failure state cleared before and
// after), plus helpers to run an operation that must end in the fatal exit
// and to make the nth allocation from now fail.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/ObjectTestSupport.h"
#include "engine/core/EngAlloc.h"
#include "engine/mesh/MMeshObj.h"
#include "meshkit/MeshDump.h"
#include "meshkit/MeshFixtures.h"
#include "meshkit/MeshValidator.h"

namespace meshkit {

class MeshTest : public objecttest::EngineObjectTest {
 protected:
  // Whether the operation ended in the fatal exit (the test hook throws).
  template <class F>
  static bool EndsInFatalExit(F operation) {
    try {
      operation();
    } catch (const std::runtime_error&) {
      engine::EngContext().ClearFailure();
      return true;
    }
    return false;
  }
};

// Runs `attempt` with the nth allocation failing, for n = 1, 2, ... until
// an attempt meets no injected failure; `check` runs after each failed
// attempt (with the failure still recorded). Answers the number of
// allocations the operation needs.
template <class Attempt, class Check>
int ForEachAllocationFailure(Attempt attempt, Check check, int limit = 200) {
  for (int nth = 1; nth <= limit; ++nth) {
    engine::EngContext().ClearFailure();
    bool failed = false;
    {
      engine::EngAllocFailureScope fail(nth);
      attempt();
      failed = engine::EngContext().failState == engine::kEngFailFailed;
    }
    if (!failed) return nth - 1;
    check(nth);
  }
  ADD_FAILURE() << "the operation still failed after " << limit << " injected failures";
  return limit;
}

}  // namespace meshkit
