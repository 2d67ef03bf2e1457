#pragma once
// Sets how many threads the drawing and pixel work may use for one scope,
// then goes back to the machine's number.
#include "platform/Parallel.h"

namespace testsupport {

class ScopedWorkerThreads {
 public:
  explicit ScopedWorkerThreads(int count) { platform::SetWorkerThreads(count); }
  ~ScopedWorkerThreads() { platform::SetWorkerThreads(0); }
  ScopedWorkerThreads(const ScopedWorkerThreads&) = delete;
  ScopedWorkerThreads& operator=(const ScopedWorkerThreads&) = delete;
};

}  // namespace testsupport
