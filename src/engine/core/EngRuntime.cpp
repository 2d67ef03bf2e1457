#include "engine/core/EngRuntime.h"

#include "platform/Hooks.h"

namespace engine {

EngMemoryReserve::EngMemoryReserve() { Reserve(); }

EngMemoryReserve::~EngMemoryReserve() { Release(); }

void EngMemoryReserve::Reserve() {
  if (block != nullptr) return;
  void* probe = EngAlloc(kProbeSize);
  if (probe == nullptr) {
    platform::Beep();
    return;
  }
  for (int bytes = size; bytes >= kStep && block == nullptr; bytes -= kStep) block = EngAlloc(bytes);
  if (block == nullptr) platform::Beep();
  EngFree(probe);
}

void EngMemoryReserve::Release() {
  EngFree(block);
  block = nullptr;
}

EngCursorSet::EngCursorSet() : arrowCursor(platform::kCursorArrow), waitCursor(platform::kCursorWait) {}

void EngCursorSet::SetWaitCursor() const { platform::SetCursor(waitCursor); }

void EngCursorSet::SetArrowCursor() const { platform::SetCursor(arrowCursor); }

EngGlobalContext::EngGlobalContext() = default;

void EngRecordFailure(int reason) {
  EngGlobalContext& context = EngContext();
  if (context.failState != kEngFailFailed) {
    context.failState = kEngFailFailed;
    context.failReason = reason;
  }
  EngReleaseReserveIfOutOfMemory();
}

void EngReleaseReserveIfOutOfMemory() {
  EngGlobalContext& context = EngContext();
  if (context.failState == kEngFailFailed && context.failReason == kEngReasonOutOfMemory &&
      context.reserve != nullptr)
    context.reserve->Release();
}

void EngFatalError() {
  EngGlobalContext& context = EngContext();
  context.failState = kEngFailFailed;
  context.failReason = kEngReasonFatal;
  EngReleaseReserveIfOutOfMemory();
  platform::FatalExit("Sorry, Error Quit. \n" + context.fatalText);
}

void EngFatalAt(const char* file, int line) {
  EngContext().fatalText = std::string(file) + " " + std::to_string(line);
  EngFatalError();
}

}  // namespace engine
