#include "platform/Hooks.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform {
namespace {

int HeadlessMessage(const std::string& text, const std::string& caption, unsigned flags) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  switch (flags & kMbButtonMask) {
    case kMbYesNo:
      return kIdYes;
    case kMbYesNoCancel:
      return kIdCancel;
    default:
      return kIdOk;
  }
}

void HeadlessFatal(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

MessageHook& MessageSlot() {
  static MessageHook hook = HeadlessMessage;
  return hook;
}
BeepHook& BeepSlot() {
  static BeepHook hook = [] {};
  return hook;
}
CursorHook& CursorSlot() {
  static CursorHook hook = [](int) {};
  return hook;
}
FatalHook& FatalSlot() {
  static FatalHook hook = HeadlessFatal;
  return hook;
}

}  // namespace

int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
  return MessageSlot() ? MessageSlot()(text, caption, flags) : HeadlessMessage(text, caption, flags);
}

void Beep() {
  if (BeepSlot()) BeepSlot()();
}

void SetCursor(int cursorCode) {
  if (CursorSlot()) CursorSlot()(cursorCode);
}

void FatalExit(const std::string& text) {
  if (FatalSlot())
    FatalSlot()(text);
  else
    HeadlessFatal(text);
  std::fflush(nullptr);
  std::_Exit(kFatalExitCode);
}

MessageHook SetMessageHook(MessageHook hook) { return std::exchange(MessageSlot(), std::move(hook)); }
BeepHook SetBeepHook(BeepHook hook) { return std::exchange(BeepSlot(), std::move(hook)); }
CursorHook SetCursorHook(CursorHook hook) { return std::exchange(CursorSlot(), std::move(hook)); }
FatalHook SetFatalHook(FatalHook hook) { return std::exchange(FatalSlot(), std::move(hook)); }

}  // namespace platform
