// What a figure shows of its skeleton: overlay segments for bones, joints,
// twist, pins, influence prisms and the rotation rings of the one selected
// bone; picking those rings; and, in bone editing, the lines of the bound
// meshes shaded by the selected bones' influence. Also the services the
// bone rotation tracker asks of the figure.
#include <cmath>
#include <limits>

#include "engine/figure/FigureInternal.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QImp.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/render/GlLayer.h"

namespace engine {

using namespace figure_detail;

namespace {

PointRecord At(const MatrixRecord& w, const PointRecord& p) {
  PointRecord out;
  MUtilTransformPoint(w, p, out);
  return out;
}

// The view direction in world coordinates.
PointRecord ViewDirection(QView* view) {
  PointRecord direction;
  view->GetViewDirection(direction);
  return direction;
}

// The scene the object belongs to: its nearest ancestor of scene type, the
// object itself included; null outside a scene.
MDocObj* SceneOf(MObject* object) {
  for (MObject* o = object; o != nullptr; o = o->GetParent())
    if (o->GetType() == kObjectScene)
      if (auto* scene = dynamic_cast<MShadowScene*>(o)) return scene->ShadowDocument();
  return nullptr;
}

// Appends a segment; false (out of memory recorded) when the list is full.
bool Append(LineSegArray& out, const PointRecord& from, const PointRecord& to, int kind) {
  if (out.Add(LineSegRecord{from, to, kind, 0})) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}
bool Dot(LineSegArray& out, const PointRecord& p, int kind) { return Append(out, p, p, kind); }

}  // namespace

void MBoneObj::CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) {
  handleLine = nullptr;
  const int quick = view->GetQuickDrawLevel();
  if ((quick >= 1 && quick <= 3) || !view->IsCollectingOutlines()) return;
  MObject::CollectOverlaySegments(out, parentMatrix, view);
  if (Failed() || bones == nullptr) return;
  MatrixRecord own, w;
  GetMatrix(own);
  MUtilMultiply(parentMatrix, own, w);  // the figure's matrix, then V
  if (!IsSkinBound())
    for (int i = 0; i < bones->count && !Failed(); ++i) AddBoneShape(out, w, (*bones)[i]);
  const bool single = CountSelectedLines() == 1;
  for (int i = 0; i < bones->count && !Failed(); ++i) AddBoneOverlay(out, w, (*bones)[i], view, single);
  for (MVertex* joint : vertices) {
    if (Failed()) return;
    AddJointOverlay(out, w, view, joint);
  }
}

void MBoneObj::AddBoneOverlay(LineSegArray& out, const MatrixRecord& w, BoneRecord& bone, QView* view,
                              bool single) {
  MLine* line = bone.line;
  if ((line->flags & (kLineHidden | kLineHiddenDiagonal)) != 0) return;
  const PointRecord p0 = At(w, line->end0->position);
  const PointRecord p1 = At(w, line->end1->position);
  const bool selected = (line->flags & kLineSelected) != 0;
  const int quick = view->GetQuickDrawLevel();
  if (!Append(out, p0, p1, quick > 0 ? 4 : selected ? 2 : 17)) return;
  if ((!IsSkinBound() && bone.excluded != 0) || quick > 0) return;
  const PointRecord mid = Mul(Add(p0, p1), 0.5);
  if (!Dot(out, mid, 13)) return;
  if ((line->flags & kLineSiblingWalk) != 0 && !Dot(out, p0, 44)) return;
  if (!IsSkinBound() || MUtilDistanceSquared(p0, p1) < 1e-16) return;
  // The twist indicator: a short stick across the bone, turned by the twist.
  const PointRecord d = Sub(p1, p0);
  PointRecord c = Cross(d, Sub(bone.restEnd, bone.restStart));
  if (Dot(c, c) < 1e-16) {
    const double cosine = std::fabs(MUtilCosAngle({1, 0, 0}, {0, 0, 0}, d));
    c = Cross(d, cosine > 0.95 ? PointRecord{0, 1, 0} : PointRecord{1, 0, 0});
  }
  OsUtilNormalize(c);
  PointRecord turned;
  MUtilTransformVector(RotationAbout(d, bone.twist), c, turned);
  turned = Mul(turned, MUtilLength(d) * 0.25);
  PointRecord stick;
  MUtilTransformVector(w, turned, stick);
  if (!Append(out, mid, Add(mid, stick), selected ? 2 : 20)) return;
  PointRecord target;
  if (!selected && GetBonePinTarget(line, w, &target) == 1) {
    if (!Append(out, mid, target, 1) || !Dot(out, target, 30)) return;
  }
  if (single && selected) {
    rotationMode = 0;
    AddRotationHandles(out, w, bone, view);
  }
}

void MBoneObj::AddRotationHandles(LineSegArray& out, const MatrixRecord& w, BoneRecord& bone, QView* view) {
  handleLine = bone.line;
  const PointRecord p0 = bone.line->end0->position;
  const PointRecord p1 = bone.line->end1->position;
  const double s = MUtilDistance(p0, p1);
  const PointRecord mid = Mul(Add(p0, p1), 0.5);
  MatrixRecord inverse;
  MUtilInvert(w, inverse);
  PointRecord e;
  MUtilTransformVector(inverse, ViewDirection(view), e);
  static const int kKinds[3][3] = {{35, 34, 36}, {38, 37, 39}, {41, 40, 43}};
  for (int ring = 0; ring < 3; ++ring) {
    PointRecord a;
    GetBoneAxis(a, bone.line, ring + 1);
    const PointRecord h = std::fabs(a.y) > std::fabs(a.x) ? PointRecord{1, 0, 0} : PointRecord{0, 1, 0};
    PointRecord u = Cross(a, h);
    if (Dot(u, u) <= 1e-16)
      u = {0, 0, 1};
    else
      OsUtilNormalize(u);
    const PointRecord v = Cross(a, u);
    int side[32];
    for (int k = 0; k < 32; ++k) {
      const double angle = k * 2 * M_PI / 32;
      const PointRecord p = Add(mid, Mul(Add(Mul(u, std::sin(angle)), Mul(v, std::cos(angle))), s));
      handleModelPoints[32 * ring + k] = p;
      const double along = Dot(Sub(p, mid), e);
      side[k] = along > s / 2 ? 1 : along < -s / 2 ? -1 : 0;
    }
    for (int k = 0; k < 32; ++k) {
      const int sum = side[k] + side[(k + 1) % 32];
      const int kind = sum >= 2 ? kKinds[ring][2] : sum == 1 ? kKinds[ring][1] : kKinds[ring][0];
      if (!Append(out, At(w, handleModelPoints[32 * ring + k]), At(w, handleModelPoints[32 * ring + (k + 1) % 32]),
                  kind))
        return;
    }
  }
}

void MBoneObj::GetBoneAxis(PointRecord& out, MLine* line, int kind) {
  const BoneRecord* bone = FindBoneByLine(line);
  if (bone == nullptr) {
    out = {0, 0, 1};
    return;
  }
  const PointRecord direction = Sub(line->end1->position, line->end0->position);
  switch (kind) {
    case 1:
      out = direction;
      break;
    case 2:
      MUtilTransformVector(bone->deformMatrix, {0, 0, 1}, out);
      break;
    case 3: {
      PointRecord z;
      MUtilTransformVector(bone->deformMatrix, {0, 0, 1}, z);
      out = Cross(z, direction);
      break;
    }
    default:
      ENG_FATAL();
  }
  OsUtilNormalize(out);
}

void MBoneObj::AddBoneShape(LineSegArray& out, const MatrixRecord& w, const BoneRecord& bone) {
  const MLine* line = bone.line;
  if ((line->flags & (kLineHidden | kLineHiddenDiagonal)) != 0 || bone.excluded != 0) return;
  const PointRecord p0 = line->end0->position;
  const PointRecord p1 = line->end1->position;
  const PointRecord d = Sub(p1, p0);
  if (MUtilLength(d) < 1e-8) return;
  const double cosine = std::fabs(MUtilCosAngle({1, 0, 0}, {0, 0, 0}, d));
  PointRecord u = Cross(d, cosine > 0.95 ? PointRecord{0, 1, 0} : PointRecord{1, 0, 0});
  OsUtilNormalize(u);
  u = Mul(u, bone.radius);
  const MatrixRecord step = RotationAbout(d, M_PI / 3);
  PointRecord previousA{}, previousB{};
  for (int i = 0; i <= 6; ++i) {
    const PointRecord a = At(w, Add(p0, u));
    const PointRecord b = At(w, Add(p1, u));
    if (i >= 1 && (!Append(out, a, b, 12) || !Append(out, a, previousA, 12) || !Append(out, b, previousB, 12)))
      return;
    previousA = a;
    previousB = b;
    PointRecord turned;
    MUtilTransformVector(step, u, turned);
    u = turned;
  }
}

void MBoneObj::AddJointOverlay(LineSegArray& out, const MatrixRecord& w, QView* view, MVertex* joint) {
  if ((joint->flags & kVertexHidden) != 0) return;
  const PointRecord p = At(w, joint->position);
  const bool selected = (joint->flags & kVertexSelected) != 0;
  const int kind =
      view->GetQuickDrawLevel() > 0 ? 14 : selected ? 21 : (joint->flags & kVertexRootJoint) != 0 ? 19 : 18;
  if (!Dot(out, p, kind)) return;
  PointRecord target;
  const int role = GetJointAddPoseRole(joint, w, &target);
  if (role == 0 || selected) return;
  static const int kTargetKinds[5] = {0, 31, 32, 33, 42};
  if (Append(out, p, target, 1)) Dot(out, target, kTargetKinds[role]);
}

void MBoneObj::ProjectToScreen(const MatrixRecord& projection, int mode) {
  MMeshObj::ProjectToScreen(projection, mode);
  if (mode != 0 || handleLine == nullptr) return;
  MatrixRecord own, full;
  GetMatrix(own);
  MUtilMultiply(projection, own, full);
  for (int i = 0; i < 96; ++i) MUtilProjectPoint(full, handleModelPoints[i], handleScreenPoints[i]);
}

bool MBoneObj::IsNearPoint(const PointRecord&) { return true; }

MLine* MBoneObj::PickLine(const PointRecord& point, const PointRecord& rayStart, const PointRecord& rayEnd,
                          MFace* face, double* depth, bool* ofFace, const PtrArray* lineList, bool anyLine) {
  handleHitKind = 0;
  double meshDepth = std::numeric_limits<double>::infinity();
  MLine* meshHit = MMeshObj::PickLine(point, rayStart, rayEnd, face, &meshDepth, ofFace, lineList, anyLine);
  auto meshAnswer = [&]() {
    if (meshHit != nullptr) *depth = meshDepth;
    return meshHit;
  };
  if (handleLine == nullptr) return meshAnswer();
  const double c = 3 * EngContext().pickScale * EngContext().pageHitScale;
  int best = -1;
  double bestKey = 0;
  for (int ring = 0; ring < 3; ++ring) {
    for (int k = 0; k < 32; ++k) {
      const PointRecord& a = handleScreenPoints[32 * ring + k];
      const PointRecord& b = handleScreenPoints[32 * ring + (k + 1) % 32];
      if (a.z < 0 || b.z < 0) continue;
      if (!(point.x > std::min(a.x, b.x) - c && point.x < std::max(a.x, b.x) + c)) continue;
      if (!(point.y > std::min(a.y, b.y) - c && point.y < std::max(a.y, b.y) + c)) continue;
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double len2 = dx * dx + dy * dy;
      const double d2 = len2 > 0 ? MUtilPointLineDistanceSquared2D(a.x, a.y, b.x, b.y, point.x, point.y)
                                 : (point.x - a.x) * (point.x - a.x) + (point.y - a.y) * (point.y - a.y);
      if (!(d2 < 2 * c * c)) continue;
      const double key = a.z + b.z;
      if (best < 0 || key < bestKey) {
        best = 32 * ring + k;
        bestKey = key;
      }
    }
  }
  if (best < 0) return meshAnswer();
  const int ring = best / 32;
  const int next = 32 * ring + (best % 32 + 1) % 32;
  const PointRecord m0 = handleModelPoints[best];
  const PointRecord m1 = handleModelPoints[next];
  PointRecord e = Sub(m1, m0);
  PointRecord r = Sub(rayEnd, rayStart);
  OsUtilNormalize(r);
  const PointRecord normal = Cross(e, Cross(r, e));
  double t = 1.0;
  if (MUtilLinePlaneParam(rayStart, rayEnd, normal, m0, t) != 0) t = 1.0;
  if (meshHit != nullptr && meshDepth <= t) return meshAnswer();
  handleHitKind = ring + 1;
  PointRecord direction{handleScreenPoints[next].x - handleScreenPoints[best].x,
                        handleScreenPoints[next].y - handleScreenPoints[best].y, 0};
  OsUtilNormalize(direction);
  handleHitDirection = direction;
  *depth = t;
  if (ofFace != nullptr) *ofFace = false;
  return handleLine;
}

void MBoneObj::CollectLinesBetween(PtrArray& out) {
  for (MLine* line : lines) {
    if ((line->flags & (kLineHidden | kLineHiddenDiagonal)) != 0) continue;
    if (!out.Add(line)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MBoneObj::DrawBody(QView* view, const DrawRecord&) {
  // The figure's own mesh (its joints and bones) is never drawn: the bones
  // show as overlays, the skin through the bound meshes.
  if (view->GetQuickDrawLevel() == 3) DrawFeaturePoints(view);
  const CrPrefs* prefs = EngContext().prefs;
  if (prefs == nullptr || prefs->lineDisplayMode != 2) return;
  if (view->GetDrawMode() != 6) DrawBones(SceneOf(this), view);
}

void MBoneObj::DrawBones(MDocObj* scene, QView* view) {
  const int mode = view->GetDrawMode();
  if (mode == 3 || mode == 5) return;
  if (ComputeSelectedInfluence(scene)) DrawInfluenceLines(scene, view);
}

bool MBoneObj::ComputeSelectedInfluence(MDocObj*) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return false;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return false;
  int k = 0;
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MVertex* v : meshes[m].mesh->GetVertexList()) {
      if (k >= skinRecords->count) return true;
      const SkinRecord& r = (*skinRecords)[k++];
      double sum = 0;
      for (int j = 0; j < r.count && j < 4; ++j)
        if (r.bones[j] >= 0 && r.bones[j] < bones->count &&
            ((*bones)[r.bones[j]].line->flags & kLineSelected) != 0)
          sum += r.weights[j];
      // The work value holds the influence in thousandths.
      v->workValue = static_cast<int>(sum * 1000.0 + 0.5);
    }
  }
  return true;
}

void MBoneObj::DrawInfluenceLines(MDocObj*, QView* view) {
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  GlSetRenderState(4);
  MatrixRecord own;
  GetMatrix(own);
  for (int m = 0; m < meshes.count; ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    if (mesh->IsBoneObject()) continue;
    MatrixRecord t;
    MUtilMultiply(meshes[m].toParent, own, t);  // the figure's matrix, then the mesh's
    for (MLine* line : mesh->lines) {
      if ((line->flags & (kLineHidden | kLineHiddenDiagonal)) != 0 || line->GetWidth() == 0) continue;
      const double width = (view->IsThinLines() ? 1 : line->GetWidth()) * EngContext().renderScale;
      GlLineWidth(static_cast<float>(static_cast<int>(width)));
      const PointRecord a = At(t, line->end0->position);
      const PointRecord b = At(t, line->end1->position);
      GlColoredLine({static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z)},
                    {static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.z)},
                    {0.0f, line->end0->workValue / 1000.0f, 0.0f}, {0.0f, line->end1->workValue / 1000.0f, 0.0f});
    }
  }
  GlLineWidth(1);
}

bool MBoneObj::RebuildRigIfUnbound(MDocObj* scene) {
  const CrPrefs* prefs = EngContext().prefs;
  if (prefs == nullptr || prefs->lineDisplayMode != 2 || IsSkinBound()) return true;
  CaptureRestState(scene, false);
  if (Failed()) return false;
  BuildRig(scene);
  return !Failed();
}

void MBoneObj::RotateBonesAbout(const PointRecord& centre, const MatrixRecord& rotation, const PtrArray& list) {
  for (int i = 0; i < list.count; ++i) {
    BoneRecord* bone = FindBoneByLine(static_cast<MLine*>(list[i]));
    ENG_FATAL_IF(bone == nullptr);
    MatrixRecord out;
    MUtilMultiply(rotation, bone->posedMatrix, out);
    out.flag = 0;
    bone->posedMatrix = out;
  }
  for (int i = 0; i < list.count; ++i) {
    MVertex* end = static_cast<MLine*>(list[i])->end1;
    PointRecord turned;
    MUtilTransformPoint(rotation, Sub(end->position, centre), turned);
    PointRecord p = Add(centre, turned);
    if ((end->flags & kVertexOnMirror) != 0) p.x = 0;
    end->SetPosition(p);
  }
}

void MBoneObj::SaveVertexPositions(PointArray& out) {
  for (MVertex* joint : vertices) {
    if (!out.Add(joint->position)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MBoneObj::RestoreVertexPositions(const PointArray& saved) {
  int i = 0;
  for (MVertex* joint : vertices) {
    if (i >= saved.count) break;
    PointRecord p = saved[i++];
    if ((joint->flags & kVertexOnMirror) != 0) p.x = 0;
    joint->SetPosition(p);
  }
}

void MBoneObj::RotateAddPoseTargets(MVertex* joint, const MatrixRecord& rotation, const PtrArray& list) {
  MatrixRecord back;
  MUtilInvert(rotation, back);
  back.flag = 0;
  for (int i = 0; i < addPose.GetEntryCount(); ++i) {
    if (addPose.entryKeys[i] >= 0) continue;
    MVertex* pinned = GetVertexByIndex(addPose.entryVertices[i]);
    if (pinned == nullptr) continue;
    MLine* line = GetLineEndingAt(pinned);
    for (int step = 0; step < 2 && line != nullptr; ++step) line = GetLineEndingAt(line->end0);
    if (line == nullptr || line->HasEnd(joint)) continue;
    bool listed = false;
    for (int j = 0; j < list.count; ++j)
      if (list[j] == line) listed = true;
    if (!listed) continue;
    PtrArray below;
    CollectBonesBelow(false, line, below, false);
    if (Failed()) return;
    RotateBonesAbout(line->end0->position, back, below);
  }
}

}  // namespace engine
