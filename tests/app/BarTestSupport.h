#pragma once
// A page view double for the bars' tests: it records every value a bar
// applies (cloned, with its new-command flag and redraw mode) and answers
// the pan calculation as a test sets it. While a RecordingView lives it is
// PnGlobal's active view.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/CFCButton.h"
#include "page/PnGlobal.h"
#include "page/PropVal.h"
#include "platform/Hooks.h"
#include "support/MessageCapture.h"

namespace bartest {

struct AppliedValues {
  std::vector<std::unique_ptr<page::PropVal>> values;
  int newCommand = -1;
  int mode = -1;

  template <class T>
  const T& As(std::size_t i = 0) const {
    return static_cast<const T&>(*values.at(i));
  }
  int Mask(std::size_t i = 0) const { return values.at(i)->mask; }
};

class RecordingView : public page::PnViewLink {
 public:
  RecordingView() : previous_(page::PnGlobal::Get().activeView) { page::PnGlobal::Get().activeView = this; }
  ~RecordingView() override { page::PnGlobal::Get().activeView = previous_; }

  void ApplyBarValues(std::span<page::PropVal* const> values, int newCommand, int mode) override {
    AppliedValues call;
    for (page::PropVal* value : values) call.values.push_back(value->Clone());
    call.newCommand = newCommand;
    call.mode = mode;
    calls.push_back(std::move(call));
  }

  // A pan of a 3D figure moves its target to (dx, dy, 7); other shapes leave
  // the calculation undone.
  void RunOnFirstSelected(page::CalcVal& calc) override {
    ++calcRuns;
    auto* move = dynamic_cast<page::Calc3DMoveVal*>(&calc);
    if (move == nullptr || !figureSelected) return;
    move->targetX = move->dx;
    move->targetY = move->dy;
    move->targetZ = 7;
    move->done = true;
  }

  // (new-command flag, mode) of each call, in order.
  std::vector<std::pair<int, int>> FlagsAndModes() const {
    std::vector<std::pair<int, int>> out;
    for (const AppliedValues& call : calls) out.emplace_back(call.newCommand, call.mode);
    return out;
  }

  std::vector<AppliedValues> calls;
  bool figureSelected = false;
  int calcRuns = 0;

 private:
  page::PnViewLink* previous_;
};

using testsupport::MessageCapture;

// Chooses a command of a menu button's popup as the user would.
inline void ChooseMenuCommand(app::CFCButton& button, int commandId) {
  for (QAction* action : button.PopupMenu()->actions()) {
    if (!action->isSeparator() && action->data().toInt() == commandId) {
      action->trigger();
      return;
    }
  }
  ADD_FAILURE() << "no menu command " << commandId;
}

// Keeps the current tool and the bar preferences of a test to itself.
class ScopedGlobals {
 public:
  ScopedGlobals()
      : tool_(page::PnGlobal::Get().toolNumber),
        showTool_(page::PnGlobal::Get().prefs->mShowTool),
        show3DTool_(page::PnGlobal::Get().prefs->mShow3DTool) {}
  ~ScopedGlobals() {
    page::PnGlobal::Get().toolNumber = tool_;
    page::PnGlobal::Get().prefs->mShowTool = showTool_;
    page::PnGlobal::Get().prefs->mShow3DTool = show3DTool_;
  }

 private:
  int tool_;
  int showTool_;
  int show3DTool_;
};

}  // namespace bartest
