// The skeleton walked as a tree (parent and child joints, a bone with
// everything below it, adjacency), the figure's record backups and its one
// undo step kept beside the mesh's.
#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/figure/FigureInternal.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

bool MBoneObj::AreBonesAdjacent(int a, double, int b, double) {
  MLine* la = (*bones)[a].line;
  MLine* lb = (*bones)[b].line;
  if (la->end0 == lb->end0 || la->end0 == lb->end1) return la->end0->CountLines() == 2;
  if (la->end1 == lb->end0 || la->end1 == lb->end1) return la->end1->CountLines() == 2;
  for (MVertex* joint : {la->end0, la->end1}) {
    const bool found = !ForEachLineAround(joint, [&](MLine* line) {
      if (line == la || line == lb) return true;
      return !(lb->HasEnd(line->end0) || lb->HasEnd(line->end1));
    });
    if (found) return true;
  }
  return false;
}

SkinRecord& MBoneObj::ClearSkinRecord(SkinRecord& r) {
  r.count = 0;
  r.locked = 0;
  return r;
}

SkinRecord& MBoneObj::BackupSkinRecord(SkinRecord& r) {
  r.undoCount = r.count;
  for (int j = 0; j < 4; ++j) {
    r.undoBones[j] = r.bones[j];
    r.undoWeights[j] = r.weights[j];
    r.undoParams[j] = r.params[j];
  }
  r.undoLocked = r.locked;
  return r;
}

SkinRecord& MBoneObj::SwapSkinRecordBackup(SkinRecord& r) {
  std::swap(r.count, r.undoCount);
  for (int j = 0; j < 4; ++j) {
    std::swap(r.bones[j], r.undoBones[j]);
    std::swap(r.weights[j], r.undoWeights[j]);
    std::swap(r.params[j], r.undoParams[j]);
  }
  std::swap(r.locked, r.undoLocked);
  return r;
}

bool MBoneObj::IsBoneOrNeighbourExcluded(const BoneRecord& r) {
  if (r.excluded != 0) return true;
  for (MVertex* joint : {r.line->end0, r.line->end1}) {
    const bool found = !ForEachLineAround(joint, [&](MLine* line) {
      const BoneRecord* b = FindBoneByLine(line);
      return b == nullptr || b->excluded == 0;
    });
    if (found) return true;
  }
  return false;
}

BoneRecord& MBoneObj::BackupBoneRecord(BoneRecord& r) {
  r.undoTwist = r.twist;
  r.undoRadius = r.radius;
  r.undoPosedMatrix = r.posedMatrix;
  r.undoDeformMatrix = r.deformMatrix;
  r.undoExcluded = r.excluded;
  r.undoRestStart = r.restStart;
  r.undoRestEnd = r.restEnd;
  return r;
}

BoneRecord& MBoneObj::SwapBoneRecordBackup(BoneRecord& r) {
  std::swap(r.twist, r.undoTwist);
  std::swap(r.radius, r.undoRadius);
  std::swap(r.posedMatrix, r.undoPosedMatrix);
  std::swap(r.deformMatrix, r.undoDeformMatrix);
  std::swap(r.excluded, r.undoExcluded);
  std::swap(r.restStart, r.undoRestStart);
  std::swap(r.restEnd, r.undoRestEnd);
  return r;
}

MVertex* MBoneObj::GetParentJoint(MVertex* joint) {
  if (joint == nullptr) return nullptr;
  MVertex* parentJoint = nullptr;
  ForEachLineAround(joint, [&](MLine* line) {
    if (line->end1 != joint) return true;
    parentJoint = line->end0;
    return false;
  });
  return parentJoint;
}

MVertex* MBoneObj::GetChildJoint(MVertex* joint) {
  if (joint == nullptr || joint->CountLines() < 2) return nullptr;
  MVertex* child = nullptr;
  ForEachLineAround(joint, [&](MLine* line) {
    if (line->end0 != joint) return true;
    child = line->end1;
    return false;
  });
  return child;
}

namespace {

// The lines a walk below `line` starts from: its siblings at its first
// joint (from `line` on) when asked, else the line alone.
template <class F>
void ForEachStartingLine(MLine* line, bool force, bool siblings, F&& f) {
  MVertex* joint = line->end0;
  const bool isRoot = (joint->flags & kVertexRootJoint) != 0;
  if ((line->flags & kLineSiblingWalk) != 0 || (siblings && (force || !isRoot))) {
    MLine* l = line;
    do {
      MLine* following = l->GetNextAround(joint);
      if (l->end0 == joint) f(l);
      l = following;
    } while (l != line);
  } else {
    f(line);
  }
}

}  // namespace

void MBoneObj::SelectChainFrom(bool force, MLine* line, PointRecord* out, bool siblings) {
  if (out != nullptr) *out = line->end0->position;
  NextVisitStamp();
  const int stamp = GetVisitStamp();
  NextVisitStamp();
  ForEachStartingLine(line, force, siblings, [&](MLine* l) { SelectLineAndBelow(stamp, l); });
  UpdateSelectionCache();
}

void MBoneObj::SelectLineAndBelow(int stamp, MLine* start) {
  ForEachLineBelow(start, stamp, [](MLine* line) {
    line->flags |= kLineSelected;
    line->end0->flags |= kVertexSelected;
    line->end1->flags |= kVertexSelected;
    return true;
  });
}

void MBoneObj::CollectBonesBelow(bool force, MLine* line, PtrArray& out, bool siblings) {
  NextVisitStamp();
  const int stamp = GetVisitStamp();
  NextVisitStamp();
  ForEachStartingLine(line, force, siblings, [&](MLine* l) {
    if (EngContext().failState != kEngFailFailed && l->id != stamp) CollectLinesBelow(stamp, l, out);
  });
}

void MBoneObj::SetCurrentFeaturePoint(const PointRecord& point) {
  const int i = featureCurrent[0];
  if (i >= 0 && i < kFeaturePointLimit) featurePoints[0][i] = point;
}

bool MBoneObj::IsBoneAtRest(MLine* line) {
  const BoneRecord* r = FindBoneByLine(line);
  if (r == nullptr) return true;  // a line without a bone has nothing posed
  MatrixRecord identity;
  MUtilIdentity(identity);
  if (!MUtilMatrixEqual(r->posedMatrix, identity)) return false;
  const PointRecord& a = line->end0->position;
  const PointRecord& b = line->end1->position;
  return std::fabs((b.x - a.x) - (r->restEnd.x - r->restStart.x)) <= 1e-8 &&
         std::fabs((b.y - a.y) - (r->restEnd.y - r->restStart.y)) <= 1e-8 &&
         std::fabs((b.z - a.z) - (r->restEnd.z - r->restStart.z)) <= 1e-8;
}

void MBoneObj::Checkpoint(bool) {
  // The figure keeps only the step being made: the mesh drops its ring.
  MMeshObj::Checkpoint(false);
  DropStepArrays();
  undoSkinBound = skinBound;
  if (bones != nullptr)
    for (int i = 0; i < bones->count; ++i) BackupBoneRecord((*bones)[i]);
  if (skinRecords != nullptr)
    for (int i = 0; i < skinRecords->count; ++i) BackupSkinRecord((*skinRecords)[i]);
  if (restPositions != nullptr && undoRestPositions != nullptr)
    for (int i = 0; i < restPositions->count && i < undoRestPositions->count; ++i)
      (*undoRestPositions)[i] = (*restPositions)[i];
  undoFeatureIndex[0] = featureCurrent[0];
  undoFeatureIndex[1] = featureCurrent[1];
  featurePointsSaved = 0;
}

void MBoneObj::SaveFeaturePointsUndo() {
  SaveEditState();
  if (featurePointsSaved != 0) return;  // the step already holds the points it started with
  std::copy(&featurePoints[0][0], &featurePoints[0][0] + 2 * kFeaturePointLimit, &undoFeaturePoints[0][0]);
  featurePointsSaved = 1;
}

void MBoneObj::ExchangeUndoStep(int redo) {
  MMeshObj::ExchangeUndoStep(redo);
  std::swap(skinBound, undoSkinBound);
  if (bones != nullptr)
    for (int i = 0; i < bones->count; ++i) SwapBoneRecordBackup((*bones)[i]);
  if (stepSkinRecords != nullptr) {
    // A rebinding replaced the arrays in this step: the other set comes
    // back whole.
    std::swap(skinRecords, stepSkinRecords);
    std::swap(restPositions, stepRestPositions);
    std::swap(undoRestPositions, stepUndoRestPositions);
  } else {
    if (skinRecords != nullptr)
      for (int i = 0; i < skinRecords->count; ++i) SwapSkinRecordBackup((*skinRecords)[i]);
    if (restPositions != nullptr && undoRestPositions != nullptr)
      for (int i = 0; i < restPositions->count && i < undoRestPositions->count; ++i)
        std::swap((*restPositions)[i], (*undoRestPositions)[i]);
  }
  if (featureActive[0] == 1) std::swap(featureCurrent[0], undoFeatureIndex[0]);
  if (featurePointsSaved != 0)
    std::swap_ranges(&featurePoints[0][0], &featurePoints[0][0] + 2 * kFeaturePointLimit, &undoFeaturePoints[0][0]);
  bool anySelected = false;
  for (MLine* line : lines)
    if ((line->flags & kLineSelected) != 0) anySelected = true;
  if (!anySelected)
    for (MVertex* joint : vertices) joint->flags &= ~kVertexSelected;
}

}  // namespace engine
