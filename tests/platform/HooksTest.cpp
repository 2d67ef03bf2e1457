#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/Hooks.h"

namespace {

using namespace platform;

TEST(Hooks, HeadlessMessageAnswersTheDefaultButton) {
  EXPECT_EQ(ShowMessage("text", "caption", kMbOk), kIdOk);
  EXPECT_EQ(ShowMessage("text", "caption", kMbYesNo | kMbIconQuestion), kIdYes);
  EXPECT_EQ(ShowMessage("text", "caption", kMbYesNoCancel), kIdCancel);
}

TEST(Hooks, InstalledMessageHookSeesTextAndIsRestored) {
  std::string seen;
  auto previous = SetMessageHook([&](const std::string& t, const std::string& c, unsigned f) {
    seen = c + ":" + t + ":" + std::to_string(f);
    return kIdNo;
  });
  EXPECT_EQ(ShowMessage("hello", "Cap", kMbYesNo), kIdNo);
  EXPECT_EQ(seen, "Cap:hello:4");
  SetMessageHook(previous);
  EXPECT_EQ(ShowMessage("again", "Cap", kMbYesNo), kIdYes);
}

TEST(Hooks, FatalExitEndsTheProcessWithAFailureCode) {
  EXPECT_EXIT(FatalExit("Sorry, Error Quit. \nfile.cpp 12"), testing::ExitedWithCode(kFatalExitCode),
              "Sorry, Error Quit");
}

TEST(Hooks, ThrowingFatalHookLetsTestsObserveTheText) {
  auto previous = SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
  try {
    FatalExit("broken invariant");
    FAIL() << "FatalExit returned";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "broken invariant");
  }
  SetFatalHook(previous);
}

}  // namespace
