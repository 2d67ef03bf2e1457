#include "page/SComInput2D.h"

#include "page/PnFatal.h"
#include "page/ResultCodes.h"

namespace page {

// ---- the new shape ------------------------------------------------------------

SComInput2D::SComInput2D(SDoc* doc, int kind, SPoint corner1, SPoint corner2, double angle,
                         const Prop2DVal& values, int frameId, bool join)
    : SCom(doc),
      kind_(kind),
      corner1_(corner1),
      corner2_(corner2),
      angle_(angle),
      values_(values),
      frameId_(frameId),
      join_(join) {}

SComInput2D::~SComInput2D() { SDoc::DeleteObjects(removed_); }

std::unique_ptr<SObj> SComInput2D::CreateObject() {
  return SDoc::MakeInputObject(kind_, corner1_, corner2_, angle_, values_);
}

int SComInput2D::Do() {
  savedIds_.clear();
  Doc().SaveIdState(savedIds_);
  return Redo();
}

int SComInput2D::Redo() {
  SDoc& doc = Doc();
  nextIdBefore_ = doc.nextId;
  std::unique_ptr<SObj> made = CreateObject();
  if (!made) return kResultUnsupportedType;
  SObj* object = made.get();
  const int id = doc.AddObject(std::move(made), -1, -1);
  if (id < 0) return id;
  createdId_ = id;
  if (join_) {
    doc.SelectOnly(object);
    if (SObj* frame = frameId_ >= 0 ? doc.FindObjectById(frameId_) : nullptr) {
      frame->SetSelected(true);
      doc.PutSelectionIntoFrame(removed_, frame);
      doc.SelectOnly(object);
    }
  }
  return 0;
}

int SComInput2D::Undo() {
  SDoc& doc = Doc();
  doc.InsertObjects(removed_, false);
  removed_.clear();
  SDoc::DeleteObject(doc.RemoveObjectById(createdId_));
  doc.nextId = nextIdBefore_;
  doc.RestoreIdState(savedIds_, true);
  return 0;
}

// ---- adjustments ------------------------------------------------------------------

SObj& SComAfter2D::Object(int fatalLine) const {
  SObj* object = Doc().FindObjectById(id_);
  PN_FATAL_IF(object == nullptr, "SCom2", fatalLine);
  return *object;
}

int SComAfter2D::Do() {
  const SObj& object = Object();
  object.TakeProp2D(kept2D_);
  object.TakePropSC(keptPlacement_);
  savedIds_.clear();
  Doc().SaveIdState(savedIds_);
  return Redo();
}

int SComAfter2D::Undo() {
  SObj& object = Object(312);
  object.ApplyProp2D(kept2D_, false);
  // The 2D values move the box by their margin; the kept box is exact.
  object.ApplyPropSC(keptPlacement_, false);
  Doc().RestoreIdState(savedIds_, true);
  return 0;
}

int SComAfter2DALine::Redo() {
  SObj& object = Object();
  Prop2DVal V;
  object.TakeProp2D(V);
  V.arrow = Prop2DVal::kArrowEnd;
  object.ApplyProp2D(V, false);
  return 0;
}

int SComAfter2DTrim::Redo() {
  Doc().MakePanelFrame(id_);
  return 0;
}

int SComAfter2DTrimout::Redo() {
  Doc().MakePanelFrame(id_);
  SObj& object = Object();
  Prop2DVal V;
  object.TakeProp2D(V);
  V.lineColorMode = Prop2DVal::kColorNone;
  V.fillColorMode = Prop2DVal::kColorNone;
  object.ApplyProp2D(V, false);
  Doc().MoveLastBeforeSelection();
  return 0;
}

int SComAfter2DForceShape::Redo() {
  SObj& object = Object();
  Prop2DVal V;
  object.TakeProp2D(V);
  if (pathFlags_ >= 0) V.pathFlags = pathFlags_;
  if (lineColorMode_ >= 0) V.lineColorMode = lineColorMode_;
  if (fillColorMode_ >= 0) V.fillColorMode = fillColorMode_;
  object.ApplyProp2D(V, false);
  return 0;
}

}  // namespace page
