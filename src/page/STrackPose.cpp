// Posing figures and picking or painting their parts' colours.
#include "page/STrackPose.h"

#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComFigure.h"
#include "page/SComFlag.h"
#include "page/SDoc.h"

namespace page {

int PoseCursorId(int tool, int poseHitCode) {
  switch (poseHitCode) {
    case 0: return tool == kToolPoseMove ? 250 : 286;
    case 1: return 2018;
    case 2: return 169;
    case 3: return 168;
    case 4:
    case 5: return 2019;
    case 6: return 2021;
    case 7: return 2022;
    default: return platform::kCursorArrow;
  }
}

// ---- STrackPoseRot ---------------------------------------------------------------

SObj* STrackPoseRot::HitObject() const { return hitId_ >= 0 ? doc->FindObjectById(hitId_) : nullptr; }

int STrackPoseRot::OnButtonDown(unsigned /*flags*/, int x, int y) {
  startX = lastX = x;
  startY = lastY = y;
  cursorId_ = PoseCursorId(tool_, view->PoseHitCode(*doc, {x, y}));
  int handle = -1;
  SObj* hit = view->HitTest(*doc, {x, y}, handle);
  if (hit == nullptr) {
    const int rc = doc->Execute(std::make_unique<SComSelectAll>(doc, false));
    if (rc < 0) return rc;
    doc->CloseCommandGroup();
    return 1;
  }
  const int id = hit->id;
  const bool posing = (hit->flags & kObjEditing) != 0;
  if (posing) {
    part_ = hit->BeginPoseDrag(view->PageToFigureLocal(*hit, {x, y}), tool_);
    if (part_ >= 0) {
      hitId_ = id;
      before_ = doc->SaveAnimStateOf(id, part_);
      return 1;
    }
  }
  part_ = -1;
  // A press beside the parts of a posed figure, or on a shape that cannot
  // be posed, ends the gesture here.
  if (posing || !hit->HasPosableFigure()) return 0;
  // The figure goes into pose mode alone; the next press poses it.
  int rc = doc->Execute(std::make_unique<SComSelectAll>(doc, false));
  if (rc >= 0) rc = doc->Execute(std::make_unique<SComSelectObj>(doc, id, false, 0));
  if (rc >= 0) rc = doc->Execute(std::make_unique<SComFlagEditPoints>(doc, id));
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 1;
}

int STrackPoseRot::OnMouseMove(unsigned /*flags*/, int x, int y) {
  SObj* object = HitObject();
  if (object == nullptr) return 0;
  moved_ = true;
  lastX = x;
  lastY = y;
  const int rc = object->DragPose(view->PageToFigureLocal(*object, {x, y}));
  return rc < 0 ? rc : 1;
}

int STrackPoseRot::OnButtonUp(unsigned /*flags*/, int x, int y) {
  SObj* object = HitObject();
  if (object == nullptr) return 0;
  object->EndPoseDrag(view->PageToFigureLocal(*object, {x, y}));
  int rc = 0;
  std::unique_ptr<SAnimStates> after;
  if (moved_) after = doc->SaveAnimStateOf(hitId_, part_);
  // Without both states the change could not be undone or redone: no
  // command is made then.
  if (moved_ && before_ && after) {
    rc = doc->Execute(std::make_unique<SComChangeAnim>(doc, hitId_, part_, std::move(before_), std::move(after)));
    if (rc >= 0) doc->CloseCommandGroup();
  }
  object->FinishPoseDrag();
  // Without a step, keeping the state must not have changed the figure: a
  // figure that had no animation loses the one keeping it made.
  if (before_) object->DiscardAnimState(*before_);
  before_.reset();
  hitId_ = -1;
  return rc < 0 ? rc : 1;
}

// ---- STrackSpoitBucket -----------------------------------------------------------

int STrackSpoitBucket::OnButtonDown(unsigned /*flags*/, int x, int y) {
  startX = lastX = x;
  startY = lastY = y;
  int handle = -1;
  SObj* hit = view->HitTest(*doc, {x, y}, handle);
  if (hit == nullptr || handle >= 0) return kResultOffShape;
  int part = -1, face = -1;
  const int colour = hit->PickPartColor(view->PageToFigureLocal(*hit, {x, y}), part, face);
  if (colour < 0) return colour;
  PnBarLink* bars = PnGlobal::Get().bars;
  if (tool_ == kToolEyedropper) {
    if (bars != nullptr) bars->SetAtmColor(static_cast<platform::COLORREF>(colour));
    return 1;
  }
  // Without the bar there is no colour to paint with.
  if (bars == nullptr) return 0;
  const int rc = doc->Execute(std::make_unique<SComChangeCol>(doc, hit->id, part, face, bars->GetAtmColor()));
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 1;
}

}  // namespace page
