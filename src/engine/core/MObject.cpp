#include "engine/core/MObject.h"

#include <cmath>
#include <new>
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "platform/Clock.h"

namespace engine {

MObject::MObject() {
  MUtilIdentity(matrix);
  MUtilIdentity(inverseMatrix);
  MUtilIdentity(savedMatrix);
  localBounds = BoundsRecord{};
  localBounds.empty = 1;
  worldBounds = localBounds;
  // Not projected yet: no handle can be hit before the view projects.
  for (PointRecord& handle : cornerHandles) handle = {0.0, 0.0, -1.0};
  for (PointRecord& handle : faceHandles) handle = {0.0, 0.0, -1.0};
}

MObject::~MObject() { index = kDestroyedMark; }

// ---- layer and change marks -------------------------------------------------

int MObject::GetLayer() { return layer; }

void MObject::SetLayer(int value) {
  SaveUndo();
  if (EngContext().failState != kEngFailNone) return;
  layer = value;
}

bool MObject::MarkMoved() {
  inverseStale = 1;
  worldBoundsStale = 1;
  projectedView = nullptr;
  return true;
}

bool MObject::MarkChanged() {
  localBoundsStale = 1;
  worldBoundsStale = 1;
  projectedView = nullptr;
  return true;
}

// ---- copying ----------------------------------------------------------------

void MObject::CopyTo(MObject* target) {
  target->typeCode = typeCode;
  target->matrix = matrix;
  target->selected = selected;
  target->inverseStale = inverseStale;
  target->localBoundsStale = localBoundsStale;
  target->worldBoundsStale = worldBoundsStale;
  target->localBounds = localBounds;
  target->worldBounds = worldBounds;
  target->inverseMatrix = inverseMatrix;
  target->layer = layer;
  target->flags = flags;
  shadowInfo.CopySettingsTo(target->shadowInfo);
  target->lightInfo = lightInfo;
  target->extraValue = extraValue;
  target->parent = nullptr;
  target->projectedView = nullptr;
}

MObject* MObject::Clone() { return FinishClone(new (std::nothrow) MObject()); }

MObject* MObject::FinishClone(MObject* copy) {
  if (copy == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  if (EngContext().failState == kEngFailFailed) {
    delete copy;
    return nullptr;
  }
  CopyTo(copy);
  // A subclass's copy of its contents can fail half-way; never hand out a
  // half copy.
  if (EngContext().failState == kEngFailFailed) {
    delete copy;
    return nullptr;
  }
  copy->SetEditState(kEditUnchanged);
  return copy;
}

// ---- undo snapshot ----------------------------------------------------------

void MObject::SetEditState(int state) { editState = state; }

int MObject::GetEditState() { return editState; }

void MObject::SaveState() {
  savedMatrix = matrix;
  savedLayer = layer;
  savedFlags = flags;
}

bool MObject::IsMatrixUnchanged() {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (std::fabs(matrix.m[r][c] - savedMatrix.m[r][c]) > 1e-8) return false;
  return true;
}

void MObject::SaveUndo() {
  if (editState == kEditTransformSaved || editState == kEditMeshStep) return;
  SaveState();
  editState = kEditTransformSaved;
}

void MObject::SwapUndo() {
  std::swap(matrix, savedMatrix);
  std::swap(layer, savedLayer);
  std::swap(flags, savedFlags);
  MarkMoved();
  MarkChanged();
}

int MObject::GetType() { return typeCode; }

// ---- boxes and transform ----------------------------------------------------

void MObject::GetLocalBounds(BoundsRecord& out) {
  out = BoundsRecord{};
  out.empty = 1;
}

void MObject::GetWorldBounds(BoundsRecord& out) {
  if (IsWorldBoundsStale()) {
    BoundsRecord local;
    GetLocalBounds(local);
    if (local.empty != 0) {
      worldBounds = local;
    } else {
      MUtilTransformBox(local, matrix, worldBounds);
      worldBounds.empty = 0;
    }
    worldBoundsStale = 0;
  }
  out = worldBounds;
}

bool MObject::IsBoundsChanged() { return localBoundsStale != 0; }

bool MObject::IsWorldBoundsStale() { return worldBoundsStale != 0; }

void MObject::ApplyScale() {}

void MObject::GetMatrix(MatrixRecord& out) {
  if (matrix.m[3][3] != 1.0) matrix.m[3][3] = 1.0;
  out = matrix;
}

void MObject::SetMatrix(const MatrixRecord& m) {
  matrix = m;
  matrix.m[0][3] = 0.0;
  matrix.m[1][3] = 0.0;
  matrix.m[2][3] = 0.0;
  matrix.m[3][3] = 1.0;
  MarkMoved();
}

void MObject::GetInverseMatrix(MatrixRecord& out) {
  if (inverseStale != 0) {
    MUtilInvert(matrix, inverseMatrix);
    inverseStale = 0;
  }
  out = inverseMatrix;
}

void MObject::SetParent(MGroupObj* group) { parent = group; }

MGroupObj* MObject::GetParent() { return parent; }

void MObject::AssignIndex(int& counter) { index = counter++; }

int MObject::GetIndex() { return index; }

void MObject::SetIndex(int value) { index = value; }

// ---- selection and kind -----------------------------------------------------

void MObject::Select(bool value) {
  SetSelectedFlag(value);
  if (value) selectTime = platform::GetTickCount();
}

void MObject::SetSelectedFlag(bool value) { selected = value ? 1 : 0; }

bool MObject::IsSelected() { return selected != 0; }

std::uint32_t MObject::GetSelectTime() { return selectTime; }

bool MObject::IsSymmetric() { return false; }

bool MObject::IsBoneObject() { return false; }

void MObject::SetPivot(const PointRecord&) {}

void MObject::ResetPivot() {}

// ---- shadow pass ------------------------------------------------------------

void MObject::DrawShadows(QView*, MShadowScene*) {}

void MObject::PrepareShadowImage(MDocObj*) {}

void MObject::PaintShadowSilhouette(MDocObj*, platform::Image*, int) {}

void MObject::CollectByShadowMode(int, PtrArray*) {}

void MObject::ReverseAllFaces() {}

bool MObject::IsShadowOnly() {
  bool shadowOnly = false;
  for (MObject* level = this; level != nullptr; level = level->GetParent()) {
    const int mode = level->shadowInfo.shadowMode;
    if (mode == kShadowCasts || mode == kShadowReceives)
      shadowOnly = level->shadowInfo.shadowOnly == 1;
    else if (mode == kShadowNone)
      shadowOnly = false;
  }
  return shadowOnly;
}

}  // namespace engine
