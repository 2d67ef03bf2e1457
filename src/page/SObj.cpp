#include "page/SObj.h"

#include <algorithm>

namespace page {

// ---- flags and state -------------------------------------------------------

void SObj::SetSelected(bool selected) {
  if (selected) {
    flags |= kObjSelected;
    return;
  }
  flags &= ~kObjSelected;
  if (flags & kObjEditing) {
    if (fig) fig->SetEditPointsMode(false);
    flags &= ~kObjEditing;
  }
}

std::uint32_t SObj::FlagsSynced() const { return frame.isFrame ? (flags | kObjFrame) : (flags & ~kObjFrame); }

std::uint32_t SObj::GetFlagsSynced() {
  flags = FlagsSynced();
  return flags;
}

void SObj::SetFlagsAll(std::uint32_t newFlags) {
  // Undo puts flags back from snapshots: a shape left editing (or not)
  // behind its flag would show and take the wrong handles.
  const bool editing = (newFlags & kObjEditing) != 0;
  if (fig && editing != ((flags & kObjEditing) != 0)) fig->SetEditPointsMode(editing);
  flags = newFlags;
  frame.isFrame = (newFlags & kObjFrame) != 0;
}

void SObj::SetFig(std::unique_ptr<SFig> shape, bool keepValues) {
  fig = std::move(shape);
  if (fig && !keepValues) fig->AttachToObject(*this);
}

bool SObj::IsKind(int typeId) const {
  if (!fig) return false;
  const int own = fig->GetTypeId();
  if (own == typeId) return true;
  return typeId == kFig2D && (own == kFigRect || own == kFigOval || own == kFigLine || own == kFigPoly);
}

bool SObj::CanEditPoints() const {
  if (flags & kObjEditing) return false;
  return fig && fig->CanEditPoints(props2D);
}

void SObj::SetEditPointsMode(bool on) {
  if (((flags & kObjEditing) != 0) == on) return;
  if (fig) fig->SetEditPointsMode(on);
}

bool SObj::CanConvertToPicture() const {
  if (flags & kObjGroup) return false;
  return fig && fig->CanConvertToPicture();
}

bool SObj::CanStretch() const { return fig && fig->CanStretch(); }

bool SObj::HasPosableFigure() const { return fig && fig->HasPosableFigure(); }

// ---- property values -------------------------------------------------------

void SObj::ApplyProp2D(const Prop2DVal& value, bool masked) {
  value.CopyMaskedTo(props2D, masked);
  if (fig) fig->Apply2DProps(props2D, placement);
}

void SObj::ApplyProp3D(const Prop3DVal& value, bool masked) {
  value.CopyMaskedTo(props3D, masked);
  if (fig) fig->Apply3DProps(props3D, placement);
}

void SObj::ApplyPropLT(const PropLTVal& value, bool masked) {
  value.CopyMaskedTo(propsLT, masked);
  if (fig) fig->ApplyLTProps(propsLT, placement);
}

void SObj::ApplyPropSC(const PropSCVal& value, bool masked) {
  value.CopyMaskedTo(placement, masked);
  placement.width = std::max(placement.width, placement.margin + 1.0);
  placement.height = std::max(placement.height, placement.margin + 1.0);
  if (fig) fig->ApplySCProps(placement);
}

namespace {
// A value taken from an object holds its state and carries no change.
template <typename Value>
void TakeInto(const Value& own, Value& value) {
  own.CopyMaskedTo(value, false);
  value.ClearMask();
}
}  // namespace

void SObj::TakeProp2D(Prop2DVal& value) const { TakeInto(props2D, value); }
void SObj::TakeProp3D(Prop3DVal& value) const { TakeInto(props3D, value); }
void SObj::TakePropLT(PropLTVal& value) const { TakeInto(propsLT, value); }
void SObj::TakePropSC(PropSCVal& value) const { TakeInto(placement, value); }

// ---- forwarders to the shape -----------------------------------------------

int SObj::HitTestFigure(SPoint point) { return fig ? fig->HitTestFigure(point) : -1; }

int SObj::ApplyLibraryFile(const std::string& path, int figure, std::string& replaced) {
  return fig ? fig->ApplyLibraryFile(path, figure, replaced) : -1;
}

int SObj::RestoreLibraryFiles(const std::string& saved, int figure) {
  return fig ? fig->RestoreLibraryFiles(saved, figure) : -1;
}

int SObj::PickPartColor(SPoint point, int& objectIndex, int& face) {
  return fig ? fig->PickPartColor(point, objectIndex, face) : -18;
}

int SObj::SetPartColor(int objectIndex, int face, platform::COLORREF colour) {
  return fig ? fig->SetPartColor(objectIndex, face, colour, IsSelected()) : 0;
}

int SObj::BeginPoseDrag(SPoint point, int tool) { return fig ? fig->BeginPoseDrag(point, tool, props2D) : 0; }

int SObj::DragPose(SPoint point) { return fig ? fig->DragPose(point) : 0; }

int SObj::EndPoseDrag(SPoint point) { return fig ? fig->EndPoseDrag(point) : 0; }

int SObj::FinishPoseDrag() { return fig ? fig->FinishPoseDrag() : 0; }

int SObj::DiscardAnimState(const SAnimStates& saved) { return fig ? fig->DiscardAnimState(saved) : 0; }

int SObj::HitTestPose(SPoint point, int tool) { return fig ? fig->HitTestPose(point, tool, props2D) : 0; }

int SObj::GetAnimFrameCount() const { return fig ? fig->GetAnimFrameCount() : 1; }

void SObj::SetAnimFrame(int animFrame) {
  if (fig) fig->SetAnimFrame(animFrame);
}

void SObj::Run3DMove(Calc3DMoveVal& move) {
  if (fig) fig->Run3DMove(move);
}

std::unique_ptr<SFIGSpProp> SObj::SaveSpProp() const { return fig ? fig->SaveSpProp() : nullptr; }

void SObj::RestoreSpProp(const SFIGSpProp& saved) {
  if (const SFig* kept = saved.GetSaved()) {
    fig = kept->Clone();
    return;
  }
  if (fig) fig = fig->RestoreSpProp(saved);
}

int SObj::SetNormalizedPoints(std::span<const SPoint> points) {
  return fig ? fig->SetNormalizedPoints(points) : -1;
}

void SObj::ResetRotation(PropSCVal& P) {
  if (fig) fig->ResetRotation(P);
}

}  // namespace page
