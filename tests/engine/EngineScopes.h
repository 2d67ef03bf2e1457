#pragma once
// Scopes for engine tests: a fatal exit that throws instead of ending the
// test program, and a clear failure state before and after.
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "platform/Hooks.h"
#include "support/MessageCapture.h"

namespace enginetest {

struct FatalExit : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ThrowingFatalScope {
 public:
  ThrowingFatalScope()
      : previous_(platform::SetFatalHook([](const std::string& text) { throw FatalExit(text); })) {}
  ~ThrowingFatalScope() { platform::SetFatalHook(previous_); }
  ThrowingFatalScope(const ThrowingFatalScope&) = delete;
  ThrowingFatalScope& operator=(const ThrowingFatalScope&) = delete;

 private:
  platform::FatalHook previous_;
};

// Clears the failure state and the allocation hook on entry and exit.
class CleanFailureScope {
 public:
  CleanFailureScope() { Reset(); }
  ~CleanFailureScope() { Reset(); }
  CleanFailureScope(const CleanFailureScope&) = delete;
  CleanFailureScope& operator=(const CleanFailureScope&) = delete;

 private:
  static void Reset() {
    engine::EngContext().ClearFailure();
    engine::EngClearAllocationFailure();
  }
};

using testsupport::MessageCapture;

}  // namespace enginetest
