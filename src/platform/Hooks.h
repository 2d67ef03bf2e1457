#pragma once
// Process-wide user-interface hooks. Every layer below the windows reports
// through these; the defaults are headless (stderr, nothing) and the
// application installs its windowed versions at start-up. Tests may install
// recording or throwing versions.
#include <functional>
#include <string>

namespace platform {

// Message box buttons and icons (combine one of each).
enum MessageFlags : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInfo = 0x40,
};
constexpr unsigned kMbButtonMask = 0xF;

// Message box answers.
enum MessageResult : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

using MessageHook = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
using BeepHook = std::function<void()>;
using CursorHook = std::function<void(int cursorCode)>;
// Shows the text of a fatal error. Must not return normally to let the
// process go on with corrupt state: the caller exits right after it. A test
// hook may throw instead.
using FatalHook = std::function<void(const std::string& text)>;

// Cursor codes shared by the engine and the page editor.
enum CursorCode : int { kCursorWait = -3, kCursorSizeAll = -2, kCursorArrow = -1 };

// Shows a modal message; the headless default writes it to stderr and
// answers the default button (OK, or Yes / Cancel for the question forms).
int ShowMessage(const std::string& text, const std::string& caption = "Pennet", unsigned flags = kMbOk);
void Beep();
void SetCursor(int cursorCode);

// Ends the program after an internal check failed: shows the text through
// the fatal hook (a message box in the application) and exits with a
// non-zero code. Never returns.
[[noreturn]] void FatalExit(const std::string& text);
constexpr int kFatalExitCode = 70;

// Installing returns the previous hook so a scope can put it back.
MessageHook SetMessageHook(MessageHook hook);
BeepHook SetBeepHook(BeepHook hook);
CursorHook SetCursorHook(CursorHook hook);
FatalHook SetFatalHook(FatalHook hook);

}  // namespace platform
