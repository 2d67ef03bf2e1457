#include "engine/core/MGroupObj.h"

#include <new>
#include <string>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

// The smallest record a child can have: its tag, packed word and matrix.
constexpr std::int64_t kSmallestChildRecord = 4 + 4 + 128;

}  // namespace

MGroupObj::MGroupObj() {
  editState = kEditUnchanged;
  typeCode = kObjectGroup;
}

MGroupObj::~MGroupObj() {
  for (int i = 0; i < children.count; ++i) delete ChildAt(i);
  children.RemoveAll();
  if (typeCode == kObjectScene) CompactElementPoolsIfInstalled();
}

// ---- own operations ---------------------------------------------------------

bool MGroupObj::AddChild(MObject* child) {
  if (!children.Add(child)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  child->SetParent(this);
  MarkChanged();
  return true;
}

void MGroupObj::RemoveChild(MObject* child) {
  children.Remove(child);
  child->SetParent(nullptr);
  MarkChanged();
}

void MGroupObj::GetChildren(PtrArray& out) {
  for (int i = 0; i < children.count; ++i) {
    if (!out.Add(children[i])) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

int MGroupObj::GetChildCount() { return children.count; }

bool MGroupObj::FinishMirroredCopies(PtrArray* list) {
  PtrArray& walked = list != nullptr ? *list : children;
  int i = 0;
  while (i < walked.count) {
    MObject* object = static_cast<MObject*>(walked[i]);
    bool remove = false;
    switch (object->GetType()) {
      case kObjectGroup: {
        const bool empty = static_cast<MGroupObj*>(object)->FinishMirroredCopies(nullptr);
        if (Failed()) return false;
        remove = empty;
        break;
      }
      case kObjectEmpty:  // nothing to mirror: kept, as grids are
      case kObjectGrid:
        break;
      case kObjectMesh:
        if (object->IsSymmetric()) {
          remove = true;
        } else {
          object->ReverseAllFaces();
          if (Failed()) return false;
        }
        break;
      default:
        ENG_FATAL();
    }
    if (!remove) {
      ++i;
      continue;
    }
    // The same position of the list holds the next object afterwards.
    RemoveChild(object);
    if (list != nullptr) list->Remove(object);
    delete object;
  }
  return children.count == 0;
}

bool MGroupObj::HasBoneChild(bool force) {
  if (!force && EngContext().facePickActive != 0) return false;
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->IsBoneObject()) return true;
  return false;
}

bool MGroupObj::HasExcludedPart() {
  if (excluded != 0) return true;
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->excluded != 0) return true;
  return false;
}

// ---- overrides --------------------------------------------------------------

void MGroupObj::SetLayer(int value) {
  SaveUndo();
  if (Failed()) return;
  layer = value;
  for (int i = 0; i < children.count && !Failed(); ++i) ChildAt(i)->SetLayer(value);
}

void MGroupObj::CopyTo(MObject* target) {
  MObject::CopyTo(target);
  auto* group = dynamic_cast<MGroupObj*>(target);
  ENG_FATAL_IF(group == nullptr);
  for (int i = 0; i < children.count; ++i) {
    MObject* copy = ChildAt(i)->Clone();
    if (copy == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    if (!group->AddChild(copy)) {
      delete copy;
      return;
    }
  }
}

MObject* MGroupObj::Clone() { return FinishClone(new (std::nothrow) MGroupObj()); }

void MGroupObj::GetLocalBounds(BoundsRecord& out) {
  if (IsBoundsChanged()) {
    BoundsRecord box{};
    box.empty = 1;
    for (int i = 0; i < children.count; ++i) {
      BoundsRecord child;
      ChildAt(i)->GetWorldBounds(child);
      if (Failed()) {
        out = box;
        return;
      }
      MUtilBoxUnion(box, child, box);
    }
    localBounds = box;
    localBoundsStale = 0;
  }
  out = localBounds;
}

bool MGroupObj::IsBoundsChanged() {
  if (localBoundsStale != 0) return true;
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->IsWorldBoundsStale()) return true;
  return false;
}

bool MGroupObj::IsWorldBoundsStale() { return worldBoundsStale != 0 || IsBoundsChanged(); }

MatrixRecord MGroupObj::ReplaceMatrix(const MatrixRecord& n) {
  MatrixRecord old, inverse, change;
  GetMatrix(old);
  SetMatrix(n);
  GetInverseMatrix(inverse);
  MUtilMultiply(inverse, old, change);
  return change;
}

void MGroupObj::CarryChild(MObject* child, const MatrixRecord& change) {
  child->SaveUndo();
  MatrixRecord m;
  child->GetMatrix(m);
  MUtilMultiply(change, m, m);
  child->SetMatrix(m);
}

void MGroupObj::ApplyScale() {
  if (HasBoneChild(false)) return;
  if (editState != kEditCreated) SaveUndo();
  double angleY, angleX, angleZ;
  PointRecord scale, translation;
  MUtilDecomposeMatrix(matrix, angleY, angleX, angleZ, scale, translation);
  MatrixRecord unscaled;
  MUtilComposeMatrix(angleY, angleX, angleZ, PointRecord{1.0, 1.0, 1.0}, translation, nullptr, unscaled);
  const MatrixRecord change = ReplaceMatrix(unscaled);
  for (int i = 0; i < children.count && !Failed(); ++i) {
    MObject* child = ChildAt(i);
    CarryChild(child, change);
    if (editState == kEditCreated) child->SetEditState(kEditCreated);
    child->ApplyScale();
  }
  MarkChanged();
}

void MGroupObj::SetPivot(const PointRecord& point) {
  SaveUndo();
  double angleY, angleX, angleZ;
  PointRecord scale, translation;
  MUtilDecomposeMatrix(matrix, angleY, angleX, angleZ, scale, translation);
  MatrixRecord moved;
  MUtilComposeMatrix(angleY, angleX, angleZ, scale, point, nullptr, moved);
  const MatrixRecord change = ReplaceMatrix(moved);
  for (int i = 0; i < children.count; ++i) CarryChild(ChildAt(i), change);
  MarkChanged();
}

void MGroupObj::ResetPivot() {
  SaveUndo();
  double angleY, angleX, angleZ;
  PointRecord scale, translation;
  MUtilDecomposeMatrix(matrix, angleY, angleX, angleZ, scale, translation);
  MatrixRecord plain;
  MUtilComposeMatrix(0.0, 0.0, 0.0, scale, PointRecord{0.0, 0.0, 0.0}, nullptr, plain);
  const MatrixRecord change = ReplaceMatrix(plain);
  for (int i = 0; i < children.count; ++i) CarryChild(ChildAt(i), change);
  MarkChanged();
}

void MGroupObj::AssignIndex(int& counter) {
  index = counter++;
  for (int i = 0; i < children.count; ++i) ChildAt(i)->AssignIndex(counter);
}

void MGroupObj::SetIndex(int value) {
  index = value;
  for (int i = 0; i < children.count; ++i) ChildAt(i)->SetIndex(value);
}

bool MGroupObj::IsSymmetric() {
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->IsSymmetric()) return true;
  return false;
}

// ---- record -----------------------------------------------------------------

void MGroupObj::WriteTo(QFile& file) {
  MObject::WriteTo(file);
  file.WriteInt(children.count);
  for (int i = 0; i < children.count && !Failed(); ++i) ChildAt(i)->WriteTo(file);
  if (EngContext().formatVersion < -4 && !Failed()) file.WriteInt(0);
}

void MGroupObj::ReadFrom(QFile& file) {
  MObject::ReadFrom(file);
  if (Failed()) return;
  std::int32_t count = 0;
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, "group record")) return;
  if (count < 0 || count > file.BytesLeft() / kSmallestChildRecord) {
    EngRecordLoadFailure("group record: child count " + std::to_string(count) + " does not fit the file");
    return;
  }
  for (int i = 0; i < count; ++i) {
    MObject* child = ReadObject(file);
    if (Failed()) return;  // the children read so far stay
    if (!AddChild(child)) {
      delete child;
      return;
    }
  }
  if (EngContext().formatVersion < -4) {
    std::int32_t trailer = 0;
    file.ReadInt(trailer);
    if (EngCheckNotTruncated(file, "group record")) EngSkipRecordBytes(file, trailer, "group record");
  }
}

}  // namespace engine
