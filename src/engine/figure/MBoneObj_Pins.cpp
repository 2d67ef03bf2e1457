// The figure's pose additions at work: recording the offset and the pins
// from the current joints, enforcing them through two-bone inverse
// kinematics, and the pin commands.
#include <cmath>

#include "engine/figure/FigureInternal.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/figure/BoneIK.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {


PointRecord WorldVector(const MatrixRecord& w, const PointRecord& v) {
  PointRecord out;
  MUtilTransformVector(w, v, out);
  return out;
}

}  // namespace

double MBoneObj::GetWorldMatrixAndScale(MatrixRecord& out) {
  out = WorldMatrixOf(this);
  return MUtilLength(WorldVector(out, {1, 0, 0}));
}

void MBoneObj::DivideByWorldScale(const MatrixRecord& world, PointRecord& v) {
  const double s = MUtilLength(WorldVector(world, {1, 0, 0}));
  if (s > 0) v = Mul(v, 1.0 / s);
}

void MBoneObj::UpdateAddPoseOffset(const MatrixRecord& world) {
  if (addPose.offsetVertex < 0) {
    PointRecord rest, current;
    GetRootPositions(&rest, &current);
    addPose.offsetVector = Sub(current, rest);
    return;
  }
  MVertex* joint = GetVertexByIndex(addPose.offsetVertex);
  if (joint == nullptr) return;  // a stored index that names no joint is left alone
  MUtilTransformPoint(world, joint->position, addPose.offsetVector);
}

void MBoneObj::UpdateAddPoseEntry(const MatrixRecord& world, double scale, int entry) {
  int first = -1, bone = -1, vertex = -1;
  addPose.GetEntry(entry, &first, &bone, &vertex, nullptr, nullptr);
  MVertex* r = GetVertexByIndex(vertex);
  if (r == nullptr) return;
  const int key = addPose.entryKeys[entry];
  PointRecord& v = addPose.entryVectors[entry];
  if (key < 0) {
    MUtilTransformPoint(world, r->position, v);
  } else if (first < 0) {
    if (bones == nullptr || bone >= bones->count) return;
    PointRecord start;
    GetStartJointPosition(start, (*bones)[bone].line);
    v = Mul(Sub(start, r->position), scale);
  } else {
    MVertex* j = GetVertexByIndex(first);
    if (j == nullptr) return;
    v = Mul(Sub(j->position, r->position), scale);
  }
}

void MBoneObj::UpdateAddPose() {
  MatrixRecord world;
  const double scale = GetWorldMatrixAndScale(world);
  UpdateAddPoseOffset(world);
  for (int i = 0; i < addPose.GetEntryCount(); ++i) UpdateAddPoseEntry(world, scale, i);
}

void MBoneObj::UpdateAddPoseAt(MLine* line, MVertex* joint) {
  MatrixRecord world;
  const double scale = GetWorldMatrixAndScale(world);
  auto involved = [&](int index) {
    MVertex* v = GetVertexByIndex(index);
    return v != nullptr && (v == joint || (line != nullptr && line->HasEnd(v)));
  };
  if (addPose.offsetVertex >= 0 && involved(addPose.offsetVertex)) UpdateAddPoseOffset(world);
  for (int i = 0; i < addPose.GetEntryCount(); ++i) {
    int first = -1, bone = -1, vertex = -1;
    addPose.GetEntry(i, &first, &bone, &vertex, nullptr, nullptr);
    const bool boneLine = addPose.entryKeys[i] >= 0 && first < 0 && bones != nullptr && bone < bones->count &&
                          (*bones)[bone].line == line && line != nullptr;
    if (involved(vertex) || (first >= 0 && involved(first)) || boneLine) UpdateAddPoseEntry(world, scale, i);
  }
}

bool MBoneObj::DragBoneStartTo(MDocObj*, MLine* line, const PointRecord& displacement) {
  if (line == nullptr) return true;
  MatrixRecord world, inverse;
  GetWorldMatrixAndScale(world);
  MUtilInvert(world, inverse);
  inverse.flag = 0;
  MVertex* end = line->end0;
  MVertex* joint = GetParentJoint(end);
  MVertex* root = joint != nullptr && joint->CountLines() == 2 ? GetParentJoint(joint) : nullptr;
  auto toWorld = [&](const MVertex* v) {
    PointRecord p;
    MUtilTransformPoint(world, v->position, p);
    return p;
  };
  const PointRecord pe = toWorld(end);
  PointRecord pj, pr;
  if (joint != nullptr) pj = toWorld(joint);
  if (root != nullptr) pr = toWorld(root);
  const TwoBoneChain chain =
      MakeTwoBoneChain(pe, joint != nullptr ? &pj : nullptr, root != nullptr ? &pr : nullptr);

  // The end joint and everything below it move as one piece: the ends of
  // the lines that start at it and of every line below those. The
  // selection is left alone.
  PtrArray moving;
  if (!moving.Add(end)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  const int stamp = TakeVisitStamp();
  ForEachLineAround(end, [&](MLine* l) {
    if (l->end0 != end || l->id == stamp) return true;
    return ForEachLineBelow(l, stamp, [&](MLine* below) {
      if (moving.Add(below->end1)) return true;
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    });
  });
  if (Failed()) return false;

  PointRecord target = Add(pe, displacement);
  PointRecord newJoint;
  if (SolveTwoBoneDrag(chain, joint != nullptr ? pj : pe, target, newJoint)) {
    PointRecord local;
    MUtilTransformPoint(inverse, newJoint, local);
    joint->SaveUndo();
    if (Failed()) return false;
    if ((joint->flags & kVertexOnMirror) != 0) local.x = 0;
    joint->SetPosition(local);
  }
  PointRecord step;
  MUtilTransformVector(inverse, Sub(target, pe), step);
  for (int i = 0; i < moving.count; ++i) {
    MVertex* v = static_cast<MVertex*>(moving[i]);
    v->SaveUndo();
    if (Failed()) return false;
    v->SetPosition(KeptOnMirror(v->flags, Add(v->position, step)));
  }
  return true;
}

void MBoneObj::ApplyAddPose(MDocObj* scene, bool keepPlace) {
  MatrixRecord world, inverse;
  GetWorldMatrixAndScale(world);
  MUtilInvert(world, inverse);
  inverse.flag = 0;
  PointRecord d{0, 0, 0};
  bool move = true;
  if (addPose.offsetVertex < 0) {
    PointRecord rest, current;
    GetRootPositions(&rest, &current);
    d = Sub(Add(addPose.offsetVector, rest), current);
  } else if (MVertex* joint = GetVertexByIndex(addPose.offsetVertex)) {
    PointRecord local;
    MUtilTransformPoint(inverse, addPose.offsetVector, local);
    d = Sub(local, joint->position);
  } else {
    move = false;  // an offset joint that names no joint moves nothing
  }
  if (!keepPlace && move) {
    MoveAllJoints(d);
    if (Failed()) return;
  }
  for (int i = 0; i < addPose.GetEntryCount(); ++i) {
    int first = -1, bone = -1, vertex = -1;
    PointRecord v;
    double weight = 0;
    addPose.GetEntry(i, &first, &bone, &vertex, &v, &weight);
    if (weight < 0.5) continue;
    const double k = 2 * (weight - 0.5);
    MVertex* r = GetVertexByIndex(vertex);
    if (r == nullptr) continue;  // a pin of a joint this skeleton lacks
    const int key = addPose.entryKeys[i];
    MLine* m = nullptr;
    PointRecord displacement;
    if (key < 0) {
      ForEachLineAround(r, [&](MLine* line) {
        if (line->end1 != r) return true;
        m = line;
        return false;
      });
      if (m == nullptr) m = r->firstLine;
      PointRecord at;
      MUtilTransformPoint(world, r->position, at);
      displacement = Sub(v, at);
    } else if (first < 0) {
      if (bones == nullptr || bone >= bones->count) continue;
      DivideByWorldScale(world, v);
      m = (*bones)[bone].line;
      displacement = WorldVector(world, Sub(Add(r->position, v), m->end0->position));
    } else {
      MVertex* j = GetVertexByIndex(first);
      if (j == nullptr) continue;
      DivideByWorldScale(world, v);
      const PointRecord pj = j->position, pr = r->position;
      const PointRecord c = Mul(Add(pj, pr), 0.5);
      const PointRecord toJ = WorldVector(world, Sub(Add(c, Mul(v, 0.5)), pj));
      if (!DragBoneStartTo(scene, GetLineEndingAt(j), Mul(toJ, k))) return;
      m = GetLineEndingAt(r);
      displacement = WorldVector(world, Sub(Sub(c, Mul(v, 0.5)), pr));
    }
    if (!DragBoneStartTo(scene, m, Mul(displacement, k))) return;
  }
}

int MBoneObj::GetJointAddPoseRole(MVertex* joint, const MatrixRecord& world, PointRecord* out) {
  const int index = GetVertexIndex(joint);
  if (index < 0) return 0;
  if (addPose.offsetVertex == index) {
    if (out != nullptr) *out = addPose.offsetVector;
    return 3;
  }
  for (int i = 0; i < addPose.GetEntryCount(); ++i) {
    int first = -1, bone = -1, vertex = -1;
    PointRecord v;
    addPose.GetEntry(i, &first, &bone, &vertex, &v, nullptr);
    const int key = addPose.entryKeys[i];
    if (key < 0 && vertex == index) {
      if (out != nullptr) *out = v;
      return 4;
    }
    if (key >= 0 && vertex == index) {
      if (out != nullptr) MUtilTransformPoint(world, joint->position, *out);
      return 2;
    }
    if (key >= 0 && first == index) {
      MVertex* r = GetVertexByIndex(vertex);
      if (out != nullptr && r != nullptr) {
        DivideByWorldScale(world, v);
        MUtilTransformPoint(world, Add(r->position, v), *out);
      }
      return 1;
    }
  }
  return 0;
}

int MBoneObj::GetBonePinTarget(MLine* line, const MatrixRecord& world, PointRecord* out) {
  if (bones == nullptr) return 0;
  for (int i = 0; i < addPose.GetEntryCount(); ++i) {
    int first = -1, bone = -1, vertex = -1;
    PointRecord v;
    addPose.GetEntry(i, &first, &bone, &vertex, &v, nullptr);
    if (addPose.entryKeys[i] < 0 || first >= 0 || bone >= bones->count || (*bones)[bone].line != line) continue;
    if (out != nullptr) {
      PointRecord base;
      MVertex* r = GetVertexByIndex(vertex);
      if (vertex == addPose.offsetVertex)
        base = addPose.offsetVector;
      else if (r != nullptr)
        MUtilTransformPoint(world, r->position, base);
      else
        base = {0, 0, 0};
      DivideByWorldScale(world, v);
      *out = Add(base, WorldVector(world, v));
    }
    return 1;
  }
  return 0;
}

namespace {

struct Selection {
  PtrArray lines;
  PtrArray joints;
};

}  // namespace

int MBoneObj::PinSelectedVertex() {
  UpdateSelectionCache();
  PtrArray joints;
  GatherSelected(0, nullptr, nullptr, &joints);
  if (Failed() || joints.count != 1) return 1;
  addPose.offsetVertex = GetVertexIndex(static_cast<MVertex*>(joints[0]));
  return 0;
}

int MBoneObj::PinSelection() {
  UpdateSelectionCache();
  Selection s;
  GatherSelected(0, nullptr, &s.lines, &s.joints);
  if (Failed()) return 1;
  PtrArray free;
  for (int i = 0; i < s.joints.count; ++i) {
    MVertex* j = static_cast<MVertex*>(s.joints[i]);
    const bool lineSelected = !ForEachLineAround(j, [](MLine* l) { return (l->flags & kLineSelected) == 0; });
    if (!lineSelected && !free.Add(j)) return 1;
  }
  if (s.lines.count > 0 && free.count == 1) {
    const int reference = GetVertexIndex(static_cast<MVertex*>(free[0]));
    for (int i = 0; i < s.lines.count; ++i) {
      int bone = -1;
      if (FindBoneByLine(static_cast<MLine*>(s.lines[i]), &bone) == nullptr) return 1;
      addPose.AddEntry(-1, bone, reference);
      if (Failed()) return 1;
    }
    return 0;
  }
  if (s.lines.count == 0 && free.count == 2) {
    const int result = addPose.AddEntry(GetVertexIndex(static_cast<MVertex*>(free[0])), -1,
                                        GetVertexIndex(static_cast<MVertex*>(free[1])));
    return Failed() ? 1 : result;
  }
  return 1;
}

int MBoneObj::PinSelectedJointsToWorld() {
  UpdateSelectionCache();
  PtrArray joints;
  GatherSelected(0, nullptr, nullptr, &joints);
  if (Failed() || joints.count == 0) return 1;
  MatrixRecord world;
  GetWorldMatrixAndScale(world);
  for (int i = 0; i < joints.count; ++i)
    if (GetJointAddPoseRole(static_cast<MVertex*>(joints[i]), world, nullptr) != 0) return 1;
  for (int i = 0; i < joints.count; ++i) {
    addPose.AddEntry(-1, -1, GetVertexIndex(static_cast<MVertex*>(joints[i])));
    if (Failed()) return 1;
  }
  return 0;
}

int MBoneObj::UnpinSelected() {
  int removed = 0;
  auto selected = [&](int index) {
    MVertex* v = GetVertexByIndex(index);
    return v != nullptr && (v->flags & kVertexSelected) != 0;
  };
  if (addPose.offsetVertex >= 0 && selected(addPose.offsetVertex)) {
    addPose.offsetVertex = -1;
    ++removed;
  }
  for (int i = addPose.GetEntryCount() - 1; i >= 0; --i) {
    int first = -1, bone = -1, vertex = -1;
    addPose.GetEntry(i, &first, &bone, &vertex, nullptr, nullptr);
    const int key = addPose.entryKeys[i];
    bool goes = selected(vertex);
    if (key >= 0 && first < 0 && bones != nullptr && bone < bones->count) {
      const MLine* l = (*bones)[bone].line;
      goes = goes || (l->end0->flags & kVertexSelected) != 0 || (l->end1->flags & kVertexSelected) != 0;
    }
    if (key >= 0 && first >= 0) goes = goes || selected(first);
    if (goes) {
      addPose.RemoveEntry(i);
      ++removed;
    }
  }
  return removed;
}

void MBoneObj::SelectPinnedJoints(bool all) {
  ClearSelection();
  auto select = [&](int index) {
    if (MVertex* v = GetVertexByIndex(index)) v->flags |= kVertexSelected;
  };
  if (!all) {
    if (addPose.offsetVertex >= 0) select(addPose.offsetVertex);
  } else {
    for (int i = 0; i < addPose.GetEntryCount(); ++i) {
      int first = -1, bone = -1, vertex = -1;
      addPose.GetEntry(i, &first, &bone, &vertex, nullptr, nullptr);
      select(vertex);
      if (addPose.entryKeys[i] >= 0 && first >= 0) select(first);
      if (addPose.entryKeys[i] >= 0 && first < 0 && bones != nullptr && bone < bones->count)
        (*bones)[bone].line->flags |= kLineSelected;
    }
  }
  UpdateSelectionCache();
}

}  // namespace engine
