// MDocObj: moving, turning and scaling the selected objects or vertices,
// the symmetric-object constraint, the length unit, placing the
// selection, the selection's direction, and the step transforms of
// duplication and alignment.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "engine/scene/SceneFigures.h"
#include "platform/Hooks.h"

namespace engine {

using namespace scene_detail;
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Parts {
  double y = 0, x = 0, z = 0;  // angles about Y, X and Z
  PointRecord scale{1, 1, 1};
  PointRecord translation{0, 0, 0};
};

Parts Decompose(const MatrixRecord& m) {
  Parts p;
  MUtilDecomposeMatrix(m, p.y, p.x, p.z, p.scale, p.translation);
  return p;
}

MatrixRecord Compose(const Parts& p, const MatrixRecord* extra = nullptr) {
  MatrixRecord m;
  MUtilComposeMatrix(p.y, p.x, p.z, p.scale, p.translation, extra, m);
  return m;
}


// Scale is baked into the contents unless animations drive the objects.
void BakeScale(MDocObj& scene, MObject* object) {
  if (!scene.IsAnimationActive(0)) object->ApplyScale();
}

// The meshes holding selected vertices, with one vertex per ring each.
void MoveVerticesBy(MDocObj& scene, MMeshObj* mesh, const MatrixRecord& sceneStep) {
  MatrixRecord world, inverse;
  scene.GetObjectWorldMatrix(mesh, &world, &inverse);
  MatrixRecord full;
  MUtilMultiply(sceneStep, world, full);  // world, then the step
  MUtilMultiply(inverse, full, full);     // then back into the mesh
  PtrArray vertices;
  mesh->GatherSelectedVertices(vertices);
  for (int k = 0; k < vertices.count && !SceneFailed(); ++k) {
    auto* v = static_cast<MVertex*>(vertices[k]);
    v->SaveUndoRing();
    if (SceneFailed()) return;
    PointRecord p;
    MUtilTransformPoint(full, v->GetPosition(), p);
    v->SetPosition(p);
  }
  mesh->MarkChanged();
}

}  // namespace

bool ConstrainSymmetricMatrix(MatrixRecord& m, int kind) {
  Parts p = Decompose(m);
  bool changed = false;
  if ((kind == 0 || kind == 1) && (std::fabs(p.y) > 1e-8 || std::fabs(p.z) > 1e-8)) {
    p.y = p.z = 0;
    changed = true;
  }
  if ((kind == 0 || kind == 2) && std::fabs(p.translation.x) > 1e-8) {
    p.translation.x = 0;
    changed = true;
  }
  m = Compose(p);
  return changed;
}

// ---- objects ------------------------------------------------------------------------------

void MDocObj::MoveSelection(const PointRecord& vector, MObject* object) {
  PtrArray targets;
  if (object != nullptr) {
    if (!targets.Add(object)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  } else {
    GetSelectedObjects(targets);
  }
  for (int i = 0; i < targets.count && !SceneFailed(); ++i) {
    auto* target = static_cast<MObject*>(targets[i]);
    MatrixRecord m;
    target->GetMatrix(m);
    Parts p = Decompose(m);
    p.translation = Add(p.translation, vector);
    m = Compose(p);
    if (target->IsSymmetric() && IsObjectOnMirrorLayer(target, true) && ConstrainSymmetricMatrix(m, 2))
      platform::Beep();
    target->SaveUndo();
    target->SetMatrix(m);
    BakeScale(*this, target);
  }
}

void MDocObj::RotateSelectedObjects(const PointRecord& pivot, double a, double b, double c, double d, double e,
                                    double f, unsigned char absolute) {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    MatrixRecord m;
    object->GetMatrix(m);
    const Parts p = Decompose(m);
    const PointRecord q = Sub(p.translation, pivot);
    MatrixRecord r;
    MUtilIdentity(r);
    MUtilTranslate(r, Neg(q), r);
    MUtilRotateZ(r, c, r);
    MUtilRotateX(r, b, r);
    MUtilRotateY(r, a, r);
    if (absolute == 0) {
      MUtilRotateY(r, -d, r);
      MUtilRotateX(r, -e, r);
      MUtilRotateZ(r, -f, r);
    }
    MUtilTranslate(r, q, r);
    m = Compose(p, &r);
    if (object->IsSymmetric() && IsObjectOnMirrorLayer(object, true) && ConstrainSymmetricMatrix(m, 1))
      platform::Beep();
    object->SaveUndo();
    object->SetMatrix(m);
    BakeScale(*this, object);
  }
}

void MDocObj::ScaleSelection(const PointRecord& pivot, const double factors[3], int) {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count; ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    MatrixRecord m;
    object->GetMatrix(m);
    MUtilTranslateAfter(m, Neg(pivot), m);
    MUtilScaleAfter(m, factors[0], factors[0], factors[0], m);
    MUtilTranslateAfter(m, pivot, m);
    object->SetMatrix(m);
  }
}

void MDocObj::ScaleSelectionAxes(const PointRecord& pivot, const double factors[3], unsigned char vertexMode,
                                 unsigned char updateFigures, const PointRecord* axis) {
  if (vertexMode == 0 && std::fabs(factors[0] - factors[1]) < 1e-8 && std::fabs(factors[0] - factors[2]) < 1e-8) {
    ScaleSelection(pivot, factors, 0);
    return;
  }
  PtrArray meshes;
  if (vertexMode != 0)
    CollectElementSelectedMeshes(meshes);
  else
    CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    PtrArray vertices;
    if (vertexMode != 0)
      mesh->GatherSelectedVertices(vertices);
    else
      mesh->GatherAll(nullptr, nullptr, &vertices);
    if (SceneFailed()) return;
    mesh->SaveEditState();
    MatrixRecord world, inverse;
    GetObjectWorldMatrix(mesh, &world, &inverse);
    MoveRingsOnce(mesh, vertices, [&](const PointRecord& at) {
      PointRecord w;
      MUtilTransformPoint(world, at, w);
      PointRecord d = Sub(w, pivot);
      if (axis != nullptr)
        d = Add(d, Scaled(*axis, (factors[0] - 1) * Dot(d, *axis)));
      else
        d = PointRecord{d.x * factors[0], d.y * factors[1], d.z * factors[2]};
      PointRecord p;
      MUtilTransformPoint(inverse, Add(pivot, d), p);
      return p;
    });
    if (SceneFailed()) return;
    mesh->MarkChanged();
    if (updateFigures != 0) SceneFigureFollowVertices(mesh, this);
  }
}

void MDocObj::RotateSelectedVertices(const PointRecord& pivot, double a, double b, double c,
                                     unsigned char updateFigures) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  MatrixRecord r;
  MUtilIdentity(r);
  MUtilTranslate(r, pivot, r);
  MUtilRotateZ(r, c, r);
  MUtilRotateX(r, b, r);
  MUtilRotateY(r, a, r);
  MUtilTranslate(r, Neg(pivot), r);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    MoveVerticesBy(*this, mesh, r);
    if (updateFigures != 0) SceneFigureFollowVertices(mesh, this);
  }
}

void MDocObj::TransformSelectedObjects(const PointRecord& move, const double factors[3], const PointRecord& pivot,
                                       double a, double b, double c, double d, double e, double f,
                                       unsigned char absolute) {
  RotateSelectedObjects(pivot, a, b, c, d, e, f, absolute);
  if (!SceneFailed()) ScaleSelectionAxes(pivot, factors, 0, 1, nullptr);
  if (!SceneFailed()) MoveSelection(move, nullptr);
}

void MDocObj::TransformSelectedVertices(const PointRecord& move, const double factors[3], const PointRecord& pivot,
                                        double a, double b, double c) {
  RotateSelectedVertices(pivot, a, b, c, 1);
  if (!SceneFailed()) ScaleSelectionAxes(pivot, factors, 1, 1, nullptr);
  if (!SceneFailed()) MoveSelectedVertices(move, true);
}

int MDocObj::ApplyTransformRecord(const TransformRequest& request) {
  const unsigned char absolute = request.mode >= 0 ? 1 : 0;
  double scale[3] = {request.scale.x, request.scale.y, request.scale.z};
  if (std::sqrt(scale[0] * scale[0] + scale[1] * scale[1] + scale[2] * scale[2]) < 1e-8)
    scale[0] = scale[1] = scale[2] = 1e-8;
  if (!CanScaleSelection(scale)) return -1;
  const PointRecord& r = request.rotation;
  const PointRecord& ref = request.reference;
  if (HasSelectedObject())
    TransformSelectedObjects(request.move, scale, request.pivot, r.x, r.y, r.z, ref.x, ref.y, ref.z, absolute);
  else
    TransformSelectedVertices(request.move, scale, request.pivot, r.x, r.y, r.z);
  return 0;
}

bool MDocObj::CanScaleSelection(const double factors[3]) {
  if (std::fabs(factors[0] - factors[1]) < 1e-8) return true;
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count; ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    if (object->GetType() == kObjectGroup && static_cast<MGroupObj*>(object)->HasBoneChild(false)) return false;
  }
  return true;
}

void MDocObj::PlaceSelectionAt(const PointRecord& point) {
  PtrArray selected;
  GetSelectedObjects(selected);
  // Objects made in this step stay made in it after the move (an undo takes
  // them out); objects that were there before must come back, not vanish.
  PtrArray created;
  for (int i = 0; i < selected.count; ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    if (object->GetEditState() == kEditCreated && !AddOrFail(created, object)) return;
  }
  BoundsRecord box{0, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < selected.count; ++i) {
    BoundsRecord b;
    static_cast<MObject*>(selected[i])->GetWorldBounds(b);
    MUtilBoxUnion(box, b, box);
  }
  if (box.empty != 0) return;
  MoveSelection(PointRecord{point.x - (box.minX + box.maxX) / 2, point.y - box.minY, point.z - (box.minZ + box.maxZ) / 2},
                nullptr);
  for (int i = 0; i < created.count; ++i) static_cast<MObject*>(created[i])->SetEditState(kEditCreated);
}

void MDocObj::ScaleScene(double factor, int clipboard, unsigned char keepAnimation) {
  if (clipboard != 0) {
    PtrArray objects;
    EngGlobalM().CopyObjectsTo(objects);
    for (int i = 0; i < objects.count; ++i) {
      auto* object = static_cast<MObject*>(objects[i]);
      MatrixRecord m;
      object->GetMatrix(m);
      MUtilScaleAfter(m, factor, factor, factor, m);
      object->SetMatrix(m);
    }
    return;
  }
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!object->IsSelected() || object->GetType() == kObjectGrid) continue;
    MatrixRecord m;
    object->GetMatrix(m);
    MUtilScaleAfter(m, factor, factor, factor, m);
    object->SaveUndo();
    object->SetMatrix(m);
  }
  // Recorded positions follow the objects.
  if (keepAnimation == 0) animations.ScaleBy(factor);
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i) static_cast<MObject*>(meshes[i])->lightInfo.lightDistance *= factor;
}

double MDocObj::GetUnitFactor(int code) {
  switch (code) {
    case 2: return 10.0;
    case 4: return 0.01;
    case 5: return 1.0 / 2.54;
    case 6: return 1.0 / 30.48;
    case 7: return 0.33;
    case 8: return 0.033;
    default: return 1.0;  // 1, 3, 9, 10, every code below 1, and codes beyond the table
  }
}

double MDocObj::SetLengthUnit(int code) {
  const double oldFactor = GetUnitFactor(unitCode);
  const double newFactor = GetUnitFactor(code);
  unitCode = code;
  SelectAll(true);
  ScaleScene(newFactor / oldFactor, 0, 0);
  SelectAll(false);
  EndEdit(0);
  return newFactor / oldFactor;
}

void MDocObj::GetSelectionDirection(int& kind, PointRecord& out) {
  kind = -1;
  PtrArray meshes, faces, lines;
  const bool objects = HasSelectedObject();
  if (objects)
    CollectSelectedMeshes(meshes);
  else
    CollectElementSelectedMeshes(meshes);
  if (SceneFailed() || meshes.count != 1) return;
  auto* mesh = static_cast<MMeshObj*>(meshes[0]);
  if (objects)
    mesh->GatherAll(&faces, &lines, nullptr);
  else
    mesh->GatherSelected(0, &faces, &lines, nullptr);
  if (SceneFailed()) return;
  PointRecord v;
  if (faces.count == 1 || faces.count == 2) {
    ENG_FATAL_IF(faces[0] == nullptr);
    v = static_cast<MFace*>(faces[0])->GetNormal();
    kind = 2;
  } else if (lines.count == 1) {
    ENG_FATAL_IF(lines[0] == nullptr);
    auto* line = static_cast<MLine*>(lines[0]);
    v = Sub(line->end1->GetPosition(), line->end0->GetPosition());
    kind = 1;
  } else {
    return;
  }
  MatrixRecord world;
  GetObjectWorldMatrix(mesh, &world, nullptr);
  MUtilTransformVector(world, v, out);
  OsUtilNormalize(out);
}

// ---- step transforms -----------------------------------------------------------------------

void MDocObj::ApplyTransformStep(const TransformStep& step) {
  if (!HasSelectedObject()) {
    MoveSelectedVertices(step.move, true);
    return;
  }
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    MatrixRecord m;
    object->GetMatrix(m);
    Parts p = Decompose(m);
    const bool symmetric = object->IsSymmetric();
    p.translation.y += step.move.y;
    p.translation.z += step.move.z;
    if (!symmetric) {
      p.translation.x += step.move.x;
    } else if (IsObjectOnMirrorLayer(object, true) && p.translation.x > 0) {
      p.translation.x = 0;
    }
    p.x += step.turnX * kPi / 180;
    if (!symmetric) {
      p.y += step.turnY * kPi / 180;
      p.z += step.turnZ * kPi / 180;
    }
    p.scale = PointRecord{p.scale.x * step.scale.x * 0.01, p.scale.y * step.scale.y * 0.01,
                          p.scale.z * step.scale.z * 0.01};
    if (MUtilLength(p.scale) < 1e-8) p.scale = PointRecord{1e-8, 1e-8, 1e-8};
    m = Compose(p);
    object->SaveUndo();
    object->SetMatrix(m);
    BakeScale(*this, object);
  }
}

void MDocObj::MoveSelectedVertices(const PointRecord& delta, bool reDeform) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  MatrixRecord step;
  MUtilIdentity(step);
  MUtilTranslate(step, delta, step);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    MoveVerticesBy(*this, mesh, step);
    if (reDeform) SceneFigureFollowVertices(mesh, this);
  }
}

}  // namespace engine
