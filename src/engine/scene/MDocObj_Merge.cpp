// MDocObj: detaching objects from their groups, merging meshes into one,
// joining vertices and drawing lines through picked elements, and snapping
// one picked element onto another.
#include <cmath>
#include <new>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "platform/Hooks.h"

namespace engine {

using namespace scene_detail;
namespace {

PointRecord Cross(const PointRecord& a, const PointRecord& b) {
  PointRecord out;
  OsUtilCrossProduct(a, b, out);
  return out;
}
PointRecord Unit(PointRecord v) {
  OsUtilNormalize(v);
  return v;
}

bool Contains(const PtrArray& list, void* item) {
  for (int i = 0; i < list.count; ++i)
    if (list[i] == item) return true;
  return false;
}

}  // namespace

// ---- detach and merge -----------------------------------------------------------------

void MDocObj::DetachObject(MObject* object) {
  MGroupObj* owner = object->GetParent();
  ENG_FATAL_IF(owner == nullptr);
  owner->RemoveChild(object);
  while (owner != this && owner->GetChildCount() == 0) {
    MGroupObj* above = owner->GetParent();
    if (above == nullptr) break;
    above->RemoveChild(owner);
    delete owner;
    owner = above;
  }
}

MMeshObj* MDocObj::MergeObjects(PtrArray& objects) {
  ENG_FATAL_IF(objects.count < 2);
  auto* result = static_cast<MMeshObj*>(objects[0]);
  for (int i = 1; i < objects.count && !SceneFailed(); ++i) {
    auto* other = static_cast<MMeshObj*>(objects[i]);
    const bool symmetric = other->IsSymmetric() || result->IsSymmetric();
    if (other->IsSymmetric() && !result->IsSymmetric()) std::swap(result, other);
    MatrixRecord otherWorld, resultInverse, relative;
    GetObjectWorldMatrix(other, &otherWorld, nullptr);
    GetObjectWorldMatrix(result, nullptr, &resultInverse);
    MUtilMultiply(resultInverse, otherWorld, relative);
    // Attached first: a mesh that could not be taken in stays where it is.
    result->AttachMesh(other, relative, nullptr, nullptr);
    if (SceneFailed()) return result;
    result->SetMirrorMode(symmetric ? 1 : 0);
    DetachObject(other);
    delete other;
  }
  if (!SceneFailed()) result->CleanUpShaders(true);
  return result;
}

MMeshObj* MDocObj::JoinVertices(MMeshObj* a, MMeshObj* b, MVertex* va, MVertex* vb) {
  if (DifferInMirrorLayer(a, b)) {
    EngRecordFailure(kEngReasonMixedMirrorLayers);
    return nullptr;
  }
  if (a == b && a->SwitchQuadDiagonal(va, vb, true)) return nullptr;
  if (SceneFailed()) return nullptr;
  ElementRefArray references;
  if (!references.Add(ElementRef{va->GetPosition(), va, -3, a, 0}) ||
      !references.Add(ElementRef{vb->GetPosition(), vb, -3, b, 0})) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  MMeshObj* mesh = JoinElements(references);
  if (SceneFailed() || mesh == nullptr) return nullptr;
  mesh->MergeVertexInto(va, vb);
  return SceneFailed() ? nullptr : mesh;
}

MMeshObj* MDocObj::JoinElements(ElementRefArray& references) {
  bool mirror = false, plain = false;
  for (int i = 0; i < references.count; ++i)
    if (references[i].owner != nullptr) (IsObjectOnMirrorLayer(references[i].owner, true) ? mirror : plain) = true;
  if (mirror && plain) {
    EngRecordFailure(kEngReasonMixedMirrorLayers);
    return nullptr;
  }
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->ClearCopyLinks();
  if (SceneFailed()) return nullptr;

  // The preference that turns the direct path off is the first scene option.
  // The scan: the direct path is possible while every reference is a
  // vertex or a line point of an owner and consecutive ones share a face.
  const bool directOff = EngContext().prefs != nullptr && EngContext().prefs->sceneOptionA != 0;
  bool needsMirror = false, direct = true;
  PtrArray vertexList, lineList, owners, tops, faces;
  PointArray points;
  for (int i = 0; i < references.count && !SceneFailed(); ++i) {
    ElementRef& r = references[i];
    if (r.kind == -2) needsMirror = true;
    if (directOff) continue;
    if (r.owner == nullptr || (r.kind != -3 && r.kind != -4)) direct = false;
    if (direct) {
      if (!AddOrFail(vertexList, r.kind == -3 ? r.element : nullptr) ||
          !AddOrFail(lineList, r.kind == -4 ? r.element : nullptr) || !points.Add(r.position))
        return nullptr;
      if (i + 1 < references.count) {
        const ElementRef& next = references[i + 1];
        auto vertexOf = [](const ElementRef& ref) {
          return ref.kind == -3 ? static_cast<MVertex*>(ref.element) : nullptr;
        };
        auto lineOf = [](const ElementRef& ref) { return ref.kind == -4 ? static_cast<MLine*>(ref.element) : nullptr; };
        MFace* face = static_cast<MMeshObj*>(r.owner)->FindFaceBetween(vertexOf(r), lineOf(r), vertexOf(next),
                                                                       lineOf(next), nullptr);
        if (face == nullptr || Contains(faces, face))
          direct = false;
        else if (!AddOrFail(faces, face))
          return nullptr;
      }
    }
  }
  for (int i = 0; i < references.count && !SceneFailed(); ++i) {
    MObject* owner = references[i].owner;
    if (owner == nullptr || Contains(owners, owner)) continue;
    if (!AddOrFail(owners, owner)) return nullptr;
    MObject* top = GetTopLevelObject(owner);
    if (!Contains(tops, top) && !AddOrFail(tops, top)) return nullptr;
  }
  if (SceneFailed()) return nullptr;

  if (!directOff && direct && owners.count == 1) {
    auto* owner = static_cast<MMeshObj*>(owners[0]);
    MatrixRecord inverse;
    GetObjectWorldMatrix(owner, nullptr, &inverse);
    for (int i = 0; i < points.count; ++i) MUtilTransformPoint(inverse, points[i], points[i]);
    owner->CutPathAcrossQuads(vertexList, lineList, points);
    return SceneFailed() ? nullptr : owner;
  }

  MMeshObj* receiver = nullptr;
  MMeshObj* made = nullptr;
  PtrArray clones;
  if (owners.count == 0) {
    made = new (std::nothrow) MMeshObj();
    if (made == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
    if (made == nullptr || SceneFailed() || !AddChild(made)) {
      delete made;
      return nullptr;
    }
    if (needsMirror) made->SetMirrorMode(1);
    receiver = made;
  } else if (owners.count == 1) {
    receiver = static_cast<MMeshObj*>(owners[0]);
    receiver->SaveUndoAroundPoints(references);
  } else {
    if (!AddUndoCopies(tops, clones)) return nullptr;
    for (int i = 0; i < clones.count; ++i) {
      PtrArray cloneMeshes;
      CollectMeshes(static_cast<MObject*>(clones[i]), cloneMeshes);
      for (int k = 0; k < cloneMeshes.count; ++k) static_cast<MMeshObj*>(cloneMeshes[k])->RemapPartnersToCopies();
    }
    if (!SceneFailed()) receiver = MergeObjects(owners);
  }
  if (!SceneFailed() && needsMirror && receiver->IsMirrorMode() == 0) {
    auto* half = new (std::nothrow) MMeshObj();
    if (half == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
    if (half != nullptr && !SceneFailed() && AddChild(half)) {
      half->SetMirrorMode(1);
      PtrArray pair;
      if (pair.Add(half) && pair.Add(receiver)) receiver = MergeObjects(pair);
      else EngRecordFailure(kEngReasonOutOfMemory);
    } else {
      delete half;
    }
  }
  if (!SceneFailed()) {
    MatrixRecord inverse;
    GetObjectWorldMatrix(receiver, nullptr, &inverse);
    for (int i = 0; i < references.count; ++i)
      MUtilTransformPoint(inverse, references[i].position, references[i].position);
    receiver->DrawLines(references);
  }
  if (SceneFailed()) {
    if (made != nullptr && receiver == made) {
      DetachObject(made);
      delete made;
    } else if (owners.count > 1) {
      RemoveOriginalsKeepingCopies(tops);
    }
    return nullptr;
  }
  for (int k = 0; k < clones.count; ++k) RemoveObject(static_cast<MObject*>(clones[k]));
  if (made != nullptr) {
    BoundsRecord box;
    made->GetLocalBounds(box);
    if (box.empty == 0) {
      PointRecord centre = BoxCentre(box);
      if (made->IsMirrorMode() != 0) centre.x = 0;
      made->SetPivot(centre);
    }
  }
  if (owners.count != 1) {
    receiver->Checkpoint(false);
    receiver->SetEditState(kEditCreated);
    MObject* top = GetTopLevelObject(receiver);
    ENG_FATAL_IF(top->GetIndex() < 0);
    top->SetEditState(kEditCreated);
  }
  receiver->MarkChanged();
  return receiver;
}

// ---- snapping -------------------------------------------------------------------------------

namespace {

// The direction of a line or face of the element, in scene space.
PointRecord ElementDirection(MDocObj& scene, const SnapElement& e) {
  PointRecord v{0, 0, 1};
  if (e.line != nullptr)
    v = Sub(e.line->end1->GetPosition(), e.line->end0->GetPosition());
  else if (e.face != nullptr)
    v = e.face->GetNormal();
  MatrixRecord world;
  scene.GetObjectWorldMatrix(e.mesh, &world, nullptr);
  PointRecord out;
  MUtilTransformVector(world, v, out);
  return Unit(out);
}

bool HasDirection(const SnapElement& e) { return e.line != nullptr || e.face != nullptr; }

}  // namespace

void MDocObj::AlignElementDirections(const SnapElement& source, const SnapElement& destination,
                                     const PointRecord& pivot, MatrixRecord& m) {
  const PointRecord a = ElementDirection(*this, source);
  const PointRecord b = ElementDirection(*this, destination);
  const PointRecord ab = Cross(a, b);
  const bool parallel = MUtilLength(ab) < 1e-8;
  const PointRecord fallback{2 - a.x, 2 - a.y, a.z};
  PointRecord u = a, v = b;
  if (source.line == nullptr) u = Unit(Cross(a, parallel ? fallback : ab));
  if (destination.line == nullptr) v = parallel ? Unit(Cross(b, fallback)) : Unit(Cross(ab, b));
  if (Dot(u, v) < 0) u = PointRecord{-u.x, -u.y, -u.z};
  PointRecord w = Cross(u, v);
  const double s = MUtilLength(w);
  if (s <= 0.01) return;
  w = Unit(w);
  MatrixRecord r;
  MUtilIdentity(r);
  MUtilTranslate(r, pivot, r);
  MUtilRotateAxis(r, std::fabs(std::asin(std::fmin(s, 1.0))), w, r);
  MUtilTranslate(r, PointRecord{-pivot.x, -pivot.y, -pivot.z}, r);
  MUtilMultiply(r, m, m);
}

void MDocObj::SnapElementToElement(const SnapElement& source, const SnapElement& destination) {
  if (GetTopLevelObject(source.mesh) == GetTopLevelObject(destination.mesh))
    SnapVerticesToElement(source, destination);
  else
    SnapObjectToElement(source, destination);
}

void MDocObj::SnapObjectToElement(const SnapElement& source, const SnapElement& destination) {
  MObject* top = GetTopLevelObject(source.mesh);
  top->SaveUndo();
  if (SceneFailed()) return;
  MatrixRecord m;
  top->GetMatrix(m);
  MUtilTranslateAfter(m, Sub(destination.point, source.point), m);
  if (source.vertex == nullptr && destination.vertex == nullptr && HasDirection(source) && HasDirection(destination))
    AlignElementDirections(source, destination, destination.point, m);
  if (top->IsSymmetric() && IsObjectOnMirrorLayer(top, true) && ConstrainSymmetricMatrix(m, 0)) platform::Beep();
  top->SetMatrix(m);
}

void MDocObj::SnapVerticesToElement(const SnapElement& source, const SnapElement& destination) {
  MMeshObj* mesh = source.mesh;
  mesh->SaveEditState();
  if (SceneFailed()) return;
  MatrixRecord r;
  MUtilIdentity(r);
  MUtilTranslateAfter(r, Sub(destination.point, source.point), r);
  PtrArray vertices;
  if (source.vertex != nullptr) {
    if (!AddOrFail(vertices, source.vertex)) return;
  } else {
    if (destination.vertex == nullptr && HasDirection(destination))
      AlignElementDirections(source, destination, destination.point, r);
    if (source.line != nullptr) {
      if (!AddOrFail(vertices, source.line->end0) || !AddOrFail(vertices, source.line->end1)) return;
    } else {
      ENG_FATAL_IF(source.face == nullptr);
      MVertex* corners[4] = {nullptr, nullptr, nullptr, nullptr};
      const int n = GetQuadCorners(source.face, nullptr, nullptr, corners, nullptr, nullptr, nullptr);
      for (int k = 0; k < n; ++k)
        if (!AddOrFail(vertices, corners[k])) return;
    }
  }
  for (int k = 0; k < vertices.count; ++k) {
    MGroup* group = static_cast<MVertex*>(vertices[k])->group;
    if (group == nullptr) continue;
    PtrArray part;
    mesh->CollectGroupMembers(group, nullptr, nullptr, &part);
    if (SceneFailed()) return;
    vertices.RemoveAll();
    for (int j = 0; j < part.count; ++j)
      if (!AddOrFail(vertices, part[j])) return;
    break;
  }
  MatrixRecord world, inverse, full;
  GetObjectWorldMatrix(mesh, &world, &inverse);
  MUtilMultiply(r, world, full);
  MUtilMultiply(inverse, full, full);
  MoveRingsOnce(mesh, vertices, [&full](const PointRecord& at) {
    PointRecord p;
    MUtilTransformPoint(full, at, p);
    return p;
  });
  mesh->MarkChanged();
}

}  // namespace engine
