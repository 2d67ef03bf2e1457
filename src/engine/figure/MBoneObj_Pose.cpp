// Capturing the pose into an MPose and writing pose files, recognising the
// standard skeletons, applying a pose (bone rotations breadth-first from the
// roots, with optional length ratios) and the length-ratio commands.
#include <cmath>

#include "engine/figure/FigureInternal.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {

double LengthSquared(const PointRecord& a) { return a.x * a.x + a.y * a.y + a.z * a.z; }

}  // namespace

void MBoneObj::GetPoseHeader(PoseHeader& out) {
  for (int& v : out.values) v = 0;
  out.values[0] = bones != nullptr ? bones->count : 0;
  for (MVertex* joint : vertices) {
    const int c = joint->CountLines();
    if (c >= 1) ++out.values[std::min(c, 10)];
  }
  int slot = 11;
  for (int i = 0; bones != nullptr && i < bones->count && slot <= 15; ++i)
    if ((*bones)[i].line != nullptr && ((*bones)[i].line->end0->flags & kVertexRootJoint) != 0)
      out.values[slot++] = i;
}

void MBoneObj::GetPoseBones(PoseBoneArray& out) {
  if (bones == nullptr) return;
  for (int i = 0; i < bones->count; ++i) {
    const BoneRecord& b = (*bones)[i];
    PoseBoneRecord r{b.restStart, b.restEnd, {0, 0, 0}};
    PointRecord scale, translation;
    MUtilDecomposeMatrix(b.posedMatrix, r.angles[0], r.angles[1], r.angles[2], scale, translation);
    if (!out.Add(r)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

bool MBoneObj::IsPoseCompatible(bool kind) {
  PoseHeader h;
  GetPoseHeader(h);
  const int* v = h.values;
  return v[0] == 20 && v[1] == 5 && v[2] == 14 && v[3] == 1 && v[4] == 1 && v[11] == 2 && v[12] == (kind ? 4 : 3) &&
         v[13] == (kind ? 17 : 0);
}

bool MBoneObj::MatchesPoseHeader(const PoseHeader& header) {
  PoseHeader own;
  GetPoseHeader(own);
  return PoseHeaderEqual(header, own);
}

void MBoneObj::GetPose(MPose& pose) {
  UpdateAddPose();
  GetPoseHeader(pose.header);
  pose.bones.RemoveAll();
  GetPoseBones(pose.bones);
  if (Failed()) return;
  pose.addPose.CopyFrom(addPose);
}

int MBoneObj::WritePose(QFile& file, bool enable, int kind, int extraIndex) {
  MPose pose;
  GetPose(pose);
  if (Failed()) {
    EngContext().ClearFailure();
    throw kEngFileErrorOutOfMemory;
  }
  if (enable) pose.addPose.SetEnabled(true);
  pose.addPose.skeletonKind = kind;
  pose.addPose.extraIndex = extraIndex;
  int size = 0;
  pose.WriteTo(nullptr, &size, 0, nullptr);
  pose.WriteTo(&file, nullptr, size, nullptr);
  return 0;
}

void MBoneObj::ApplyPoseRotations(MPose& pose) {
  if (bones == nullptr) return;
  ENG_FATAL_IF(pose.bones.count != bones->count);
  const int count = bones->count;
  int current = TakeVisitStamp();
  PointArray lengths;
  const DoubleArray& ratios = addPose.ratios;
  for (int i = 0; i < count; ++i) {
    const BoneRecord& b = (*bones)[i];
    PointRecord d = Sub(b.line->end1->position, b.line->end0->position);
    if (ratios.count > 0) {
      const double ratio = i < ratios.count ? ratios[i] : 1.0;
      const double m = MUtilDistance(b.restStart, b.restEnd) * ratio;
      if (LengthSquared(d) > 1e-16) {
        const double s = m / std::sqrt(LengthSquared(d));
        d = {d.x * s, d.y * s, d.z * s};
      } else {
        d = {0, 0, m};
      }
    }
    if (!lengths.Add(d)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    if ((b.line->end0->flags & kVertexRootJoint) != 0) b.line->end0->id = current;
  }
  const PointRecord origin{0, 0, 0};
  int handled = 1;
  for (int passes = 0; handled > 0 && passes < 2 * count; ++passes) {
    const int next = TakeVisitStamp();
    handled = 0;
    for (int i = 0; i < count; ++i) {
      BoneRecord& b = (*bones)[i];
      MVertex* start = b.line->end0;
      MVertex* end = b.line->end1;
      if (start->id != current) continue;
      ++handled;
      if (pose.addPose.IsBoneFlagged(i)) {
        end->id = next;
        continue;
      }
      const PoseBoneRecord& r = pose.bones[i];
      PointRecord h = Sub(r.end, r.start);
      OsUtilNormalize(h);
      PointRecord n = lengths[i];
      const double length = std::sqrt(LengthSquared(n));
      OsUtilNormalize(n);
      MatrixRecord m;
      MUtilComposeMatrix(r.angles[0], r.angles[1], r.angles[2], {1, 1, 1}, origin, nullptr, m);
      const double angle = std::acos(MUtilCosAngle(n, origin, h));
      if (!MUtilIsNaN(angle)) {
        PointRecord axis;
        OsUtilCrossProduct(n, h, axis);
        MatrixRecord identity, turn;
        MUtilIdentity(identity);
        MUtilRotateAxis(identity, angle, axis, turn);
        MUtilMultiply(m, turn, b.posedMatrix);  // the turn, then M
      } else {
        b.posedMatrix = m;
      }
      b.posedMatrix.flag = 0;
      end->SaveUndo();
      if (Failed()) return;
      PointRecord dir;
      MUtilTransformVector(m, {h.x * length, h.y * length, h.z * length}, dir);
      PointRecord p{start->position.x + dir.x, start->position.y + dir.y, start->position.z + dir.z};
      if ((end->flags & kVertexOnMirror) != 0) p.x = 0;
      end->SetPosition(p);
      end->id = next;
    }
    current = next;
  }
}

void MBoneObj::SetPose(MDocObj* scene, MPose& pose) {
  // A pose of another skeleton (a pose file made for another figure) is
  // declined before anything changes.
  if (bones == nullptr || pose.BoneCount() != bones->count) {
    if (EngContext().failState == kEngFailNone) {
      EngContext().failState = kEngFailDeclined;
      EngContext().failReason = kEngReasonDeclined;
    }
    return;
  }
  SaveEditState();
  if (Failed()) return;
  ClearSelection();
  MPose* applied = &pose;
  MPose kept;
  if (pose.addPose.skeletonKind >= 0) {
    GetPose(kept);
    if (Failed()) return;
    kept.CopyUnflaggedBones(pose);
    applied = &kept;
  }
  ResetPose(scene);
  if (Failed()) return;
  EnableAddPose(applied);
  if (Failed()) return;
  ApplyPoseRotations(*applied);
  if (!Failed()) ApplyAddPose(scene, false);
  for (int i = 0; i < 2 && !Failed(); ++i) {
    UpdateBoneMatrices(2);
    if (!Failed()) DeformBoundObjects(scene);
  }
  DisableAddPose();
}

void MBoneObj::EnableAddPose(MPose* pose) {
  addPose.GetRatioList(&lengthRatios);
  if (pose != nullptr) {
    addPose.CopyFrom(pose->addPose);
    if (Failed()) return;
  }
  addPose.skeletonKind = -1;
  DoubleArray& ratios = addPose.ratios;
  if (ratios.count == lengthRatios.count && ratios.count > 0)
    for (int i = 0; i < ratios.count; ++i) ratios[i] *= lengthRatios[i];
  if (ratios.count > 0 && addPose.IsEnabled()) return;
  addPose.SetRatioList(lengthRatios);
}

void MBoneObj::DisableAddPose() {
  addPose.SetRatioList(lengthRatios);
  addPose.SetEnabled(false);
}

MVertex* MBoneObj::GetVertexByIndex(int index) {
  if (index < 0) return nullptr;
  int i = 0;
  for (MVertex* v : vertices)
    if (i++ == index) return v;
  return nullptr;
}

int MBoneObj::GetVertexIndex(const MVertex* joint) {
  int i = 0;
  for (MVertex* v : vertices) {
    if (v == joint) return i;
    ++i;
  }
  return -1;
}

void MBoneObj::GetRootPositions(PointRecord* rest, PointRecord* current) {
  PointRecord r{0, 0, 0}, c{0, 0, 0};
  bool found = false;
  for (int pass = 0; pass < 2 && !found && bones != nullptr; ++pass) {
    for (int i = 0; i < bones->count && !found; ++i) {
      const BoneRecord& b = (*bones)[i];
      if (b.line == nullptr) continue;
      MVertex* joint = pass == 0 ? b.line->end0 : b.line->end1;
      if ((joint->flags & kVertexRootJoint) == 0) continue;
      r = pass == 0 ? b.restStart : b.restEnd;
      c = joint->position;
      found = true;
    }
  }
  if (rest != nullptr) *rest = r;
  if (current != nullptr) *current = c;
}

void MBoneObj::MoveAllJoints(const PointRecord& d) {
  for (MVertex* joint : vertices) {
    joint->SaveUndo();
    if (Failed()) return;
    PointRecord p{joint->position.x + d.x, joint->position.y + d.y, joint->position.z + d.z};
    if ((joint->flags & kVertexOnMirror) != 0) p.x = 0;
    joint->SetPosition(p);
  }
}

MLine* MBoneObj::GetLineEndingAt(MVertex* joint) {
  MLine* found = nullptr;
  MLine* last = nullptr;
  ForEachLineAround(joint, [&](MLine* line) {
    last = line;
    if (line->end1 != joint) return true;
    found = line;
    return false;
  });
  return found != nullptr ? found : last;
}

void MBoneObj::GetStartJointPosition(PointRecord& out, const MLine* line) { out = line->end0->position; }

void MBoneObj::StoreBoneLengthRatios() {
  if (bones == nullptr) return;
  addPose.ResizeRatioList(bones->count);
  if (Failed()) return;
  for (int i = 0; i < bones->count; ++i) {
    const BoneRecord& b = (*bones)[i];
    const double rest = MUtilDistance(b.restStart, b.restEnd);
    addPose.ratios[i] = rest < 1e-8 ? 1.0 : MUtilDistance(b.line->end0->position, b.line->end1->position) / rest;
  }
}

void MBoneObj::SaveAndStoreLengthRatios() {
  addPose.GetRatioList(&savedLengthRatios);
  StoreBoneLengthRatios();
}

void MBoneObj::RestoreLengthRatios() { addPose.SetRatioList(savedLengthRatios); }

void MBoneObj::ReapplyLengthRatios() {
  if (addPose.ratios.count == 0) return;
  MPose pose;
  GetPose(pose);
  if (Failed()) return;
  ApplyPoseRotations(pose);
  if (!Failed()) UpdateBoneMatrices(2);
}

}  // namespace engine
