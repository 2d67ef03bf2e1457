#pragma once
// The records a figure keeps per bone and per bound vertex.
#include "engine/core/EngArray.h"
#include "engine/core/EngGeometry.h"

namespace engine {

class MLine;

// One bone: its skeleton line, rest segment, the matrices that carry rest
// space into posed space (the middle part and ten blend zones at each
// joint), its posed rotation, blend limits, influence radius, twist, marks
// and the one-step undo copies.
struct BoneRecord {
  // The empty record clears only the flags of its 24 matrices; whoever
  // fills the record sets the rest.
  BoneRecord() {
    deformMatrix.flag = 0;
    for (MatrixRecord& m : startZones) m.flag = 0;
    for (MatrixRecord& m : endZones) m.flag = 0;
    posedMatrix.flag = 0;
    undoDeformMatrix.flag = 0;
    undoPosedMatrix.flag = 0;
  }

  MLine* line;
  PointRecord restStart;
  PointRecord restEnd;
  MatrixRecord deformMatrix;
  MatrixRecord startZones[10];  // zone 0 at the start joint, 9 next to startBlend
  MatrixRecord endZones[10];    // zone 0 next to endBlend, 9 at the end joint
  MatrixRecord posedMatrix;
  double startBlend;  // 0 to 0.5
  double endBlend;    // 0.5 to 1
  double radius;
  double twist;
  unsigned char changed;
  unsigned char excluded;
  MatrixRecord undoDeformMatrix;
  MatrixRecord undoPosedMatrix;
  double undoRadius;
  double undoTwist;
  unsigned char undoExcluded;
  PointRecord undoRestStart;
  PointRecord undoRestEnd;
  void* bindWork[4];  // the body binding's fit samples; unused here
};

// One bound vertex: up to four bones with weights and parameters along them
// (0 at the rest start, 1 at the rest end), and its undo copy.
struct SkinRecord {
  int count;
  int bones[4];
  double weights[4];
  double params[4];
  unsigned char locked;
  int undoCount;
  int undoBones[4];
  double undoWeights[4];
  double undoParams[4];
  unsigned char undoLocked;
};

using BoneRecordArray = RecordArray<BoneRecord, EngConstructSlots>;
using SkinRecordArray = RecordArray<SkinRecord>;
using RestPointArray = RecordArray<PointRecord>;

}  // namespace engine
