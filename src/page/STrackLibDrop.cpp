// The library drops: cursors and frame outlines while the drag moves, the
// drop at the point or in the middle of the page, and the command each kind
// of material makes.
#include "page/STrackLibDrop.h"

#include <utility>

#include "imaging/Utilities.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComFigure.h"
#include "page/SComFlagDel.h"
#include "page/SComInp.h"
#include "page/SComPlace.h"
#include "page/SDoc.h"
#include "page/STrackFactory.h"
#include "page/StringTable.h"

namespace page {
namespace {

// The message when a material is opened onto a page of several objects.
constexpr int kStrOpenNeedsOneObject = 324;
// SComCut's mode that deletes without filling the copy buffer.
constexpr int kCutModeDelete = 1;

LibraryLocalHook& LocalHook() {
  static LibraryLocalHook hook;
  return hook;
}

HumanLayoutHook& LayoutHook() {
  static HumanLayoutHook hook;
  return hook;
}

// The web material store's seam: until it installs its hook, every library
// path is already local.
int MakeLibraryPathLocal(std::string& path, bool companion) {
  return LocalHook() ? LocalHook()(path, companion) : 0;
}

bool ConfirmHumanLayout() { return LayoutHook() ? LayoutHook()() : true; }

// Clears a flag however the scope ends.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

LibraryLocalHook SetLibraryLocalHook(LibraryLocalHook hook) { return std::exchange(LocalHook(), std::move(hook)); }

HumanLayoutHook SetHumanLayoutHook(HumanLayoutHook hook) { return std::exchange(LayoutHook(), std::move(hook)); }

// ---- the gesture --------------------------------------------------------------

STrackLibDrop::STrackLibDrop(int kind) : path(PnGlobal::Get().pendingLibPath), dropKind(kind) {
  imaging::PnUtilGetExtension(path, ext);
}

bool STrackLibDrop::InClient(int x, int y) const {
  return x >= clientRect.left && x < clientRect.right && y >= clientRect.top && y < clientRect.bottom;
}

void STrackLibDrop::ShowCursor(int cursorId) {
  cursorId_ = cursorId;
  platform::SetCursor(cursorId);
}

int STrackLibDrop::OnMouseMove(unsigned flags, int x, int y) {
  if (busy) return 0;
  if (InClient(x, y))
    UpdateDropCursor(flags, x, y);
  else
    ShowCursor(platform::kCursorArrow);
  if (highlightsFrames) {
    // Keep only the outline the last move drew, so the view inverts it away.
    constexpr std::ptrdiff_t kOutlineLines = 4;
    if (frameShown && static_cast<std::ptrdiff_t>(lines.size()) > kOutlineLines)
      lines.erase(lines.begin(), lines.end() - kOutlineLines);
    else if (!frameShown)
      lines.clear();
    frameShown = false;
    if (const SObj* frame = view->HitTestPanelFrame(*doc, {x, y})) {
      view->AddObjectOutline(*frame, lines);
      frameShown = true;
    }
  }
  return 1;
}

int STrackLibDrop::OnButtonUp(unsigned flags, int x, int y) {
  if (busy) return 0;
  BusyScope scope(busy);
  lines.clear();
  const int rc = MakeLibraryPathLocal(path, true);
  if (rc < 0) return rc;
  return dropKind == kToolLibOpen ? OpenAtCentre(flags) : DropAtPoint(flags, x, y);
}

int STrackLibDrop::DropAtPoint(unsigned flags, int x, int y) {
  if (!InClient(x, y)) return 1;
  const SObj* frame = view->HitTestPanelFrame(*doc, {x, y});
  std::unique_ptr<SCom> command;
  int rc = MakeDropCommand(flags, x, y, frame != nullptr ? frame->id : -1, command);
  if (rc < 0 || !command) return rc;
  rc = doc->Execute(std::move(command));
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 1;
}

int STrackLibDrop::OpenAtCentre(unsigned flags) {
  if (doc->GetObjectCount() > 1) {
    platform::ShowMessage(PnLoadString(kStrOpenNeedsOneObject));
    return 0;
  }
  // The command is made before the page's object goes, so a drop that makes
  // none (a cancelled question) leaves the page as it was.
  std::unique_ptr<SCom> command;
  int rc = MakeDropCommand(flags, 0, 0, -1, command);
  if (rc < 0 || !command) return rc;
  rc = doc->Execute(std::make_unique<SComSelectAll>(doc, true));
  if (rc >= 0) rc = doc->Execute(std::make_unique<SComCut>(doc, kCutModeDelete));
  if (rc >= 0) rc = doc->Execute(std::move(command));
  if (rc < 0) return rc;
  const SPoint offset = doc->GetCentringOffset();
  rc = doc->Execute(std::make_unique<SComMoveObj>(doc, offset.x, offset.y, false));
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 1;
}

SObj* STrackLibDrop::FindPersonAt(int x, int y, int& person) {
  SObj* hit = view->HitTestFigure(*doc, {x, y}, person);
  if (hit == nullptr || person < 0) {
    person = -1;
    return nullptr;
  }
  AppPrefs* prefs = PnGlobal::Get().prefs.get();
  if (prefs != nullptr && prefs->mApplyWarn == 0 && doc->HasSelection()) prefs->mApplyWarn = 1;
  return hit;
}

bool STrackLibDrop::IsOverPerson(int x, int y) {
  int person = -1;
  return view->HitTestFigure(*doc, {x, y}, person) != nullptr && person >= 0;
}

bool STrackLibDrop::MakeApplyCommand(int x, int y, bool pose, std::unique_ptr<SCom>& command, int& result) {
  command.reset();
  result = kResultOk;
  int id = -1, person = -1;  // -1, -1: every figure of the selection
  if (dropKind == kToolLibDrag) {
    const SObj* hit = FindPersonAt(x, y, person);
    if (hit == nullptr) return false;
    id = hit->id;
  } else if (dropKind == kToolLibApply) {
    if (!doc->HasSelection()) {
      result = kResultNothingSelected;
      return true;
    }
  } else {
    return false;
  }
  if (pose)
    command = std::make_unique<SComApplyAnim>(doc, path, id, person);
  else
    command = std::make_unique<SComApplyTool>(doc, path, id, person);
  return true;
}

int STrackLibDrop::MakeApplyOnlyCommand(int x, int y, bool pose, std::unique_ptr<SCom>& command) {
  int result = kResultOk;
  return MakeApplyCommand(x, y, pose, command, result) ? result : kResultDropOffFigure;
}

void STrackLibDrop::ShowPersonCursor(int x, int y) {
  ShowCursor(IsOverPerson(x, y) ? kCursorDrop : platform::kCursorArrow);
}

// ---- the kinds of drop -------------------------------------------------------

STrackLibDropObj::STrackLibDropObj(int kind) : STrackLibDrop(kind) { highlightsFrames = true; }

void STrackLibDropObj::UpdateDropCursor(unsigned /*flags*/, int /*x*/, int /*y*/) { ShowCursor(kCursorDrop); }

int STrackLibDropObj::MakeDropCommand(unsigned /*flags*/, int x, int y, int frameId,
                                      std::unique_ptr<SCom>& command) {
  return MakeInsertFileCommand(*doc, path, view->ScreenToPage({x, y}), frameId, command);
}

void STrackLibDropPose::UpdateDropCursor(unsigned /*flags*/, int x, int y) { ShowPersonCursor(x, y); }

int STrackLibDropPose::MakeDropCommand(unsigned /*flags*/, int x, int y, int /*frameId*/,
                                       std::unique_ptr<SCom>& command) {
  return MakeApplyOnlyCommand(x, y, true, command);
}

void STrackLibDropTool::UpdateDropCursor(unsigned /*flags*/, int x, int y) { ShowPersonCursor(x, y); }

int STrackLibDropTool::MakeDropCommand(unsigned /*flags*/, int x, int y, int /*frameId*/,
                                       std::unique_ptr<SCom>& command) {
  return MakeApplyOnlyCommand(x, y, false, command);
}

STrackLibDropHuman::STrackLibDropHuman(int kind) : STrackLibDrop(kind) { highlightsFrames = true; }

void STrackLibDropHuman::UpdateDropCursor(unsigned /*flags*/, int x, int y) {
  ShowCursor(IsOverPerson(x, y) ? kCursorDropOnPerson : kCursorDrop);
}

int STrackLibDropHuman::MakeDropCommand(unsigned /*flags*/, int x, int y, int frameId,
                                        std::unique_ptr<SCom>& command) {
  int result = kResultOk;
  if (MakeApplyCommand(x, y, false, command, result)) return result;
  // On the paper: a person alone is hard to work with, so the user is asked.
  if (!ConfirmHumanLayout()) return kResultOk;
  command = std::make_unique<SComInp3D>(doc, path, view->ScreenToPage({x, y}), frameId);
  return kResultOk;
}

}  // namespace page
