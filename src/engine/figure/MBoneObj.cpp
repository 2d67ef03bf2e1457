#include "engine/figure/MBoneObj.h"

#include <cstring>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ObjectFactory.h"
#include "engine/scene/SceneFigures.h"

namespace engine {

MBoneObj::MBoneObj() {
  addPose.Reset(true);
  MUtilIdentity(extraMatrixA);
  MUtilIdentity(extraMatrixB);
  extraMatrixA.flag = 0;
  extraMatrixB.flag = 0;
}

MBoneObj::~MBoneObj() {
  DeleteFigureArray(skinRecords);
  DeleteFigureArray(restPositions);
  DeleteFigureArray(undoRestPositions);
  DeleteFigureArray(bones);
  for (PointArray*& shape : regionShapes) DeleteFigureArray(shape);
  EngFree(extraBytes);
  extraBytes = nullptr;
  // The kept pose is the figure's too: released with it.
  delete savedPose;
  savedPose = nullptr;
  DropStepArrays();
}

void MBoneObj::DropStepArrays() {
  DeleteFigureArray(stepRestPositions);
  DeleteFigureArray(stepUndoRestPositions);
  DeleteFigureArray(stepSkinRecords);
}

void MBoneObj::PairBonesWithLines() {
  int i = 0;
  for (MLine* line : lines) {
    if (bones == nullptr || i >= bones->count) break;
    (*bones)[i++].line = line;
  }
}

namespace {

// Copies every element of `source` into a new array of capacity n / 2 + 2;
// null with out of memory recorded.
template <class A>
A* CopyArray(const A& source) {
  A* copy = NewFigureArray<A>(source.count / 2 + 2);
  if (copy == nullptr) return nullptr;
  for (int i = 0; i < source.count; ++i) {
    if (!copy->Add(source[i])) {
      DeleteFigureArray(copy);
      return nullptr;
    }
  }
  return copy;
}

template <class A>
bool ReplaceWithCopy(A*& target, const A& source) {
  A* copy = CopyArray(source);
  if (copy == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  DeleteFigureArray(target);
  target = copy;
  return true;
}

}  // namespace

void MBoneObj::CopyTo(MObject* target) {
  MMeshObj::CopyTo(target);
  if (EngContext().failState == kEngFailFailed) return;
  MBoneObj* figure = static_cast<MBoneObj*>(target);
  figure->rigKind = rigKind;
  figure->skinBound = figure->undoSkinBound = skinBound;
  ENG_FATAL_IF(skinRecords == nullptr || restPositions == nullptr || bones == nullptr);
  if (!ReplaceWithCopy(figure->skinRecords, *skinRecords)) return;
  if (!ReplaceWithCopy(figure->restPositions, *restPositions)) return;
  if (!ReplaceWithCopy(figure->undoRestPositions, *restPositions)) return;
  if (!ReplaceWithCopy(figure->bones, *bones)) return;
  figure->PairBonesWithLines();
  figure->addPose.CopyFrom(addPose);
  if (EngContext().failState == kEngFailFailed) return;
  unsigned char* bytes = nullptr;
  if (extraByteCount > 0) {
    bytes = static_cast<unsigned char*>(EngAlloc(static_cast<std::size_t>(extraByteCount)));
    if (bytes == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    std::memcpy(bytes, extraBytes, static_cast<std::size_t>(extraByteCount));
  }
  EngFree(figure->extraBytes);
  figure->extraBytes = bytes;
  figure->extraByteCount = extraByteCount;
  figure->extraMatrices.RemoveAll();
  for (int i = 0; i < extraMatrices.count; ++i) {
    if (!figure->extraMatrices.Add(extraMatrices[i])) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  figure->extraMatrixA = extraMatrixA;
  figure->extraMatrixB = extraMatrixB;
}

MObject* MBoneObj::Clone() { return FinishClone(new (std::nothrow) MBoneObj()); }

MBoneObj* FindBoneObj(MObject* object) {
  switch (object->GetType()) {
    case kObjectGroup:
    case kObjectScene: {
      MGroupObj* group = static_cast<MGroupObj*>(object);
      for (int i = 0; i < group->GetChildCount(); ++i)
        if (MBoneObj* found = FindBoneObj(group->ChildAt(i))) return found;
      return nullptr;
    }
    case kObjectGrid:
      return nullptr;
    case kObjectMesh:
      return object->IsBoneObject() ? static_cast<MBoneObj*>(object) : nullptr;
    default:
      ENG_FATAL();
  }
}

namespace {

MObject* NewFigure() { return new (std::nothrow) MBoneObj(); }

bool FigureIsSkinBound(MObject* figure) { return static_cast<MBoneObj*>(figure)->IsSkinBound(); }

// After the scene moved a figure's joints: its bones and the bound meshes
// follow.
void FigureFollowVertices(MObject* object, MDocObj* scene) {
  MBoneObj* figure = static_cast<MBoneObj*>(object);
  figure->UpdateBoneMatrices(1);
  if (EngContext().failState != kEngFailFailed) figure->DeformBoundObjects(scene);
}

}  // namespace

void InstallFigureObjectServices() {
  RegisterObjectCreator(kObjectFigure, NewFigure);
  FigureSceneServices services;
  services.isSkinBound = FigureIsSkinBound;
  services.updateAfterVertexMove = FigureFollowVertices;
  SetFigureSceneServices(services);
}

}  // namespace engine
