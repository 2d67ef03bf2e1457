// The page view's gestures: one tracker per left-button gesture, fed the
// press, the moves and the release in this order; the cursor of the tool
// while no gesture runs; the keys; the library request timer.
#include <QCursor>
#include <QGuiApplication>

#include "app/CPennetDoc.h"
#include "app/CPennetView.h"
#include "app/HintDialogs.h"
#include "app/PageViewMaths.h"
#include "page/SCommands.h"
#include "page/SDoc.h"
#include "platform/Hooks.h"

namespace app {

void CPennetView::SetTool(int tool) {
  page::PnGlobal::Get().toolNumber = tool;
  emit sigCommandStateChanged();
}

// A tool that stays is left as it is: the hand of a held Space key must
// not become the current tool.
void CPennetView::SetFallbackTool() {
  const int tool = page::FallbackTool(trackerTool_);
  if (tool != trackerTool_) SetTool(tool);
}

void CPennetView::DropTracker() {
  tracker_.reset();
  if (mouseGrabbed_) releaseMouse();
  mouseGrabbed_ = false;
}

void CPennetView::OnLButtonDown(unsigned flags, int x, int y) {
  page::PnGlobal& global = page::PnGlobal::Get();
  global.pendingLibRequest = page::PnGlobal::kLibNone;
  global.pendingLibApply = 0;
  page::SDoc& doc = GetDocument().GetSDoc();
  int rc = 0;
  if (!tracker_) {
    EraseHoverLines();
    trackerTool_ = spaceHeld_ ? page::kToolHand : global.toolNumber;
    bool resetTool = false;
    tracker_ = trackerFactory_(trackerTool_, doc, renderer_, {x, y}, this, resetTool);
    if (!tracker_) {
      if (resetTool) SetTool(page::kToolSelectObjects);
      return;
    }
    rc = tracker_->Init(&doc, &renderer_, ClientRect());
  }
  if (rc >= 0) rc = tracker_->OnButtonDown(flags, x, y);
  if (rc < 0) {
    DropTracker();
    FinishCommand(rc, true, page::kDrawScreen);
    SetTool(page::kToolSelectObjects);
    return;
  }
  tracker_->UpdateCursor();
  if (rc > 0) RedrawForTracker(rc);
}

// A failure half way through a drag is reported and undone like one on the
// press or the release, so the gesture leaves no partial change behind.
void CPennetView::OnMouseMove(unsigned flags, int x, int y) {
  if (!tracker_) {
    UpdateToolCursor(flags, x, y);
    return;
  }
  tracker_->UpdateCursor();
  const int rc = tracker_->OnMouseMove(flags, x, y);
  if (rc < 0) {
    DropTracker();
    FinishCommand(rc, true, page::kDrawScreen);
  } else if (rc > 0) {
    RedrawForTracker(rc);
  }
}

void CPennetView::OnLButtonUp(unsigned flags, int x, int y) {
  if (!tracker_) {
    if (mouseGrabbed_) releaseMouse();
    mouseGrabbed_ = false;
    return;
  }
  page::SDoc& doc = GetDocument().GetSDoc();
  if (!tracker_->IsContinuing()) platform::SetCursor(platform::kCursorWait);
  if (tracker_->ReleasesCaptureFirst() && mouseGrabbed_) {
    releaseMouse();
    mouseGrabbed_ = false;
  }
  const int rc = tracker_->OnButtonUp(flags, x, y);
  if (rc < 0) {
    DropTracker();
    FinishCommand(rc, true, page::kDrawScreen);
  } else {
    if (rc > 0) {
      RedrawForTracker(rc);
      GetDocument().SetModifiedFlag();
    }
    if (!tracker_->IsContinuing()) {
      page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get();
      const bool rotationNote = tracker_->ShowedRotation() && prefs != nullptr && prefs->m3DRotWarn == 0;
      const bool textInput = tracker_->IsTextInput();
      const int endRc = tracker_->OnEnd();
      DropTracker();
      FinishCommand(endRc < 0 ? endRc : (rotationNote ? 1 : 0), true, page::kDrawScreen);
      RunAfterGestureHints(rotationNote && endRc >= 0);
      if (textInput && endRc >= 0) EditShapeContent(doc.GetSelectedId(false), -1, -1);
    }
  }
  if (!tracker_) SetFallbackTool();
  doc.RefreshBars();
  emit sigCommandStateChanged();
}

// The rotation hint once for the life of the preferences; the hint on
// applying to persons once it became due.
void CPennetView::RunAfterGestureHints(bool rotationNote) {
  page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get();
  if (prefs == nullptr) return;
  if (rotationNote) {
    CRotWarnDialog dialog(this);
    dialogs_->Run(dialog);
    prefs->m3DRotWarn = 1;
  }
  if (prefs->mApplyWarn == 1) {
    prefs->mApplyWarn = 2;
    CHumanWarnDialog dialog(this);
    dialogs_->Run(dialog);
  }
}

void CPennetView::FinishTracker() {
  if (!tracker_ || !tracker_->IsContinuing()) return;
  tracker_->Finish();
  DropTracker();
  SetFallbackTool();
  RedrawForTracker(1);
  GetDocument().GetSDoc().RefreshBars();
  emit sigCommandStateChanged();
}

void CPennetView::OnLButtonDblClk(unsigned, int x, int y) {
  if (tracker_) {
    FinishTracker();
    return;
  }
  if (page::PnGlobal::Get().toolNumber != page::kToolSelectObjects) return;
  int handle = -1;
  page::SObj* hit = renderer_.HitTest(GetDocument().GetSDoc(), {x, y}, handle);
  if (hit == nullptr) return;
  const int id = hit->id;
  EditShapeContent(id, x, y);
  ToggleEditPoints(id);
}

bool CPennetView::OnKeyDown(int key, unsigned flags) {
  if (tracker_) {
    if (tracker_->IsContinuing() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      FinishTracker();
      return true;
    }
    return false;
  }
  const int step = (flags & page::kTrackShift) != 0 ? 10 : 1;
  switch (key) {
    case Qt::Key_Left: MoveSelectionByKey(-step, 0); return true;
    case Qt::Key_Up: MoveSelectionByKey(0, -step); return true;
    case Qt::Key_Right: MoveSelectionByKey(step, 0); return true;
    case Qt::Key_Down: MoveSelectionByKey(0, step); return true;
    default: return false;
  }
}

void CPennetView::UpdateToolCursor(unsigned, int x, int y) {
  EraseHoverLines();
  page::SDoc& doc = GetDocument().GetSDoc();
  CursorSituation at;
  at.tool = page::PnGlobal::Get().toolNumber;
  at.spaceHeld = spaceHeld_;
  if (!at.spaceHeld) {
    if (at.tool == page::kToolSelectObjects) {
      at.objectHit = renderer_.HitTest(doc, {x, y}, at.handle) != nullptr;
    } else if (at.tool == page::kToolPoseRotate || at.tool == page::kToolPoseMove) {
      int handle = -1;
      at.objectHit = renderer_.HitTest(doc, {x, y}, handle) != nullptr;
      if (at.objectHit) at.poseCode = renderer_.PoseHitCode(doc, {x, y});
    } else if (at.tool >= page::kToolLine && at.tool <= page::kToolPanelFrame) {
      // The panel frame a new shape would go into.
      if (const page::SObj* frame = renderer_.HitTestPanelFrame(doc, {x, y})) {
        renderer_.AddObjectOutline(*frame, hoverLines_);
        ShowLines(hoverLines_);
      }
    }
  }
  platform::SetCursor(ToolCursorId(at));
}

// A request of the library bar is served by the active page only: an
// at-once request as a click at (0, 0), a drag as a press there that the
// real mouse then continues.
void CPennetView::OnTimer() {
  page::PnGlobal& global = page::PnGlobal::Get();
  if (global.pendingLibRequest != page::PnGlobal::kLibNone) {
    if (global.activeView != this) return;
    if (global.pendingLibApply != 0) {
      SetTool(global.pendingLibRequest == page::PnGlobal::kLibApply ? page::kToolLibApply : page::kToolLibOpen);
      OnLButtonDown(0, 0, 0);
      OnLButtonUp(0, 0, 0);
    } else if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
      SetTool(page::kToolLibDrag);
      OnLButtonDown(0, 0, 0);
      if (tracker_) {
        grabMouse();
        mouseGrabbed_ = true;
      }
    }
    global.pendingLibRequest = page::PnGlobal::kLibNone;
    global.pendingLibApply = 0;
  } else if (global.activeView == this && !tracker_) {
    UpdateScrollSizes();
  }
}

}  // namespace app
