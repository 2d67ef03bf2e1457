#include "page/SComPlace.h"

#include <algorithm>
#include <cmath>

#include "page/ResultCodes.h"

namespace page {
namespace {

void SavePlacements(const SDoc& doc, SSavedValues& saved) { doc.CollectPropVals(PropSCVal(), saved); }

// Whole pixels; SDoc::SetPageSize raises what is below 1.
int ToPixels(double v) { return std::isfinite(v) ? static_cast<int>(std::clamp(v, -1.0, 1e9)) : 1; }

}  // namespace

// ---- move ----------------------------------------------------------------------

int SComMoveObj::Do() {
  SavePlacements(Doc(), saved_);
  return Redo();
}

int SComMoveObj::Redo() {
  Doc().MoveObjects(dx_, dy_, all_);
  return 0;
}

int SComMoveObj::Undo() {
  // Moving back by the negated offset can leave a rounding step behind.
  Doc().ApplyPropVals(saved_, !all_);
  return 0;
}

// ---- grid and page size ------------------------------------------------------------

SComSetGrid::SComSetGrid(SDoc* doc, const SGridInfo& grid) : SCom(doc), new_(grid) {
  new_.spacing = std::max(new_.spacing, 1);
  new_.divisions = std::max(new_.divisions, 1);
}

int SComSetGrid::Do() {
  old_ = Doc().grid;
  return Redo();
}

int SComSetGrid::Redo() {
  Doc().grid = new_;
  return 0;
}

int SComSetGrid::Undo() {
  Doc().grid = old_;
  return 0;
}

int SComOrgSize::Swap() {
  SDoc& doc = Doc();
  const int oldWidth = doc.GetPageWidth();
  const int oldHeight = doc.GetPageHeight();
  const int oldResolution = doc.resolution;
  doc.SetPageSize(ToPixels(width_), ToPixels(height_));
  // Printing and conversions divide by the resolution.
  doc.resolution = std::max(resolution_, 1);
  width_ = oldWidth;
  height_ = oldHeight;
  resolution_ = oldResolution;
  return 0;
}

// ---- handle drags --------------------------------------------------------------------

SComMagObj::SComMagObj(SDoc* doc, int objectId, SPoint anchor, SPoint handle, SPoint drag, int mode)
    : SCom(doc),
      objectId_(objectId >= 0 ? objectId : doc->GetSelectedId(false)),
      anchor_(anchor),
      handle_(handle),
      drag_(drag),
      mode_(mode) {}

int SComMagObj::Do() {
  ClearSaved();
  SavePlacements(Doc(), saved_);
  return Redo();
}

int SComMagObj::Redo() {
  if (objectId_ < 0) return kResultNoMemory;
  Doc().ScaleByHandle(objectId_, anchor_, handle_, drag_, mode_);
  return 0;
}

int SComMagObj::Undo() {
  Doc().ApplyPropVals(saved_, true);
  return 0;
}

void SComMagObj::UpdateDrag(SPoint drag) { UpdateDragAndMode(drag, mode_); }

void SComMagObj::UpdateDragAndMode(SPoint drag, int mode) {
  Undo();
  drag_ = drag;
  mode_ = mode;
  Redo();
}

int SComRotObj::Redo() {
  if (objectId_ < 0) return kResultNoMemory;
  Doc().RotateByHandle(objectId_, anchor_, handle_, drag_, mode_ == 1);
  return 0;
}

SComSpCtrl::SComSpCtrl(SDoc* doc, int objectId, SPoint anchor, SPoint handle, SPoint drag, int value,
                       int handleNumber)
    : SComMagObj(doc, objectId, anchor, handle, drag, handleNumber), value_(value) {
  if (objectId_ >= 0) before_ = doc->SaveSpPropOf(objectId_);
}

int SComSpCtrl::Redo() {
  if (objectId_ < 0) return kResultNoMemory;
  Doc().MoveSpecialHandle(objectId_, drag_, mode_, value_);
  return 0;
}

int SComSpCtrl::Undo() {
  if (before_) Doc().RestoreSpPropOf(objectId_, *before_);
  return SComMagObj::Undo();
}

// ---- alignment and mirroring -----------------------------------------------------------

int SComAlignPosition::Do() {
  SavePlacements(Doc(), saved_);
  return Redo();
}

int SComAlignPosition::Redo() {
  Doc().AlignPositions(*calc_);
  return 0;
}

int SComAlignPosition::Undo() {
  Doc().ApplyPropVals(saved_, true);
  return 0;
}

int SComAlignSize::Redo() {
  Doc().AlignSizes(*calc_);
  return 0;
}

int SComMirrorPic::Redo() {
  Doc().MirrorSelection();
  return 0;
}

}  // namespace page
