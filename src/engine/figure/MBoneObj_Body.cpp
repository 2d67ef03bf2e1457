// The bound meshes of a figure, the marker colours of body meshes and the
// numbers by which bound vertices find their rest positions and skin
// records.
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

namespace {

// A colour component against one half: 1 above, 0 below, -1 at exactly
// one half (which matches neither).
int Level(double component) { return component > 0.5 ? 1 : component < 0.5 ? 0 : -1; }
int LevelOfByte(unsigned char byte) { return Level(byte * 0.0039); }

// The kind of a colour by its three levels; 0 when none matches.
int ColourKind(int r, int g, int b) {
  struct Row {
    int kind, r, g, b;
  };
  static const Row kRows[] = {{kBodyRed, 1, 0, 0},     {kBodyBlue, 0, 0, 1},  {kBodyMagenta, 1, 0, 1},
                              {kBodyCyan, 0, 1, 1},    {kBodyGreen, 0, 1, 0}, {kBodyYellow, 1, 1, 0}};
  for (const Row& row : kRows)
    if (row.r == r && row.g == g && row.b == b) return row.kind;
  return 0;
}

bool CollectBelow(MGroupObj* group, const MatrixRecord& above, BoundMeshArray& out) {
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MObject* child = group->ChildAt(i);
    MatrixRecord own, composed;
    child->GetMatrix(own);
    MUtilMultiply(above, own, composed);  // the child's matrix, then the groups above it
    const int type = child->GetType();
    if (type == kObjectGroup) {
      if (!CollectBelow(static_cast<MGroupObj*>(child), composed, out)) return false;
    } else if (type == kObjectMesh) {
      BoundMesh entry;
      entry.mesh = static_cast<MMeshObj*>(child);
      entry.toParent = composed;
      entry.toParent.flag = 0;
      MUtilInvert(entry.toParent, entry.fromParent);
      entry.fromParent.flag = 0;
      if (!out.Add(entry)) return false;
    }
  }
  return true;
}

}  // namespace

bool BodyLineHasColourKind(const MLine* line, int kind) {
  return kind != 0 && ColourKind(LevelOfByte(line->colourR), LevelOfByte(line->colourG), LevelOfByte(line->colourB)) ==
                          kind;
}

bool BodyVertexHasColourKind(const MVertex* vertex, int kind) {
  return !ForEachLineAround(vertex, [&](MLine* line) { return !BodyLineHasColourKind(line, kind); });
}

bool BodyLineIsPickable(const MLine* line) { return (line->flags & kLineHidden) == 0 && line->group != nullptr; }

bool BodyVertexHasPickableLine(const MVertex* vertex) {
  return !ForEachLineAround(vertex, [&](MLine* line) { return !BodyLineIsPickable(line); });
}

bool MBoneObj::CollectBoundMeshes(BoundMeshArray& out) {
  MGroupObj* group = GetParent();
  if (group == nullptr) return true;
  MatrixRecord identity;
  MUtilIdentity(identity);
  if (!CollectBelow(group, identity, out)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  return true;
}

void MBoneObj::CountRigElements(int& boneCount, int& boundCount) {
  boneCount = lines.Length();
  boundCount = 0;
  if (MGroupObj* group = GetParent()) CountBoundVertices(group, boundCount);
}

void MBoneObj::CountBoundVertices(MGroupObj* group, int& total) {
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MObject* child = group->ChildAt(i);
    switch (child->GetType()) {
      case kObjectGroup:
        CountBoundVertices(static_cast<MGroupObj*>(child), total);
        break;
      case kObjectMesh:
        if (!child->IsBoneObject()) total += static_cast<MMeshObj*>(child)->GetVertexList().Length();
        break;
      default:  // the floor grid and empty objects hold no vertices
        break;
    }
  }
}

void MBoneObj::ToRestSpace(const BoundMesh& mesh, const PointRecord& p, PointRecord& out) {
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  PointRecord q;
  MUtilTransformPoint(inverse, p, q);
  MUtilTransformPoint(mesh.toParent, q, out);
}

void MBoneObj::FromRestSpace(const BoundMesh& mesh, const PointRecord& p, PointRecord& out) {
  MatrixRecord own;
  GetMatrix(own);
  PointRecord q;
  MUtilTransformPoint(mesh.fromParent, p, q);
  MUtilTransformPoint(own, q, out);
}

void MBoneObj::GetRestMatrices(const BoundMesh& mesh, MatrixRecord& toRest, MatrixRecord& fromRest) {
  MatrixRecord own, inverse;
  GetMatrix(own);
  GetInverseMatrix(inverse);
  MUtilMultiply(mesh.toParent, inverse, toRest);  // the figure's inverse acts first, as in ToRestSpace
  MUtilMultiply(own, mesh.fromParent, fromRest);
  toRest.flag = 0;
  fromRest.flag = 0;
}

bool MBoneObj::RigFitsBody() {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return false;
  int boneCount = 0, boundCount = 0;
  CountRigElements(boneCount, boundCount);
  return boneCount == bones->count && boundCount == restPositions->count && boundCount == skinRecords->count;
}

int MBoneObj::GetFaceColourClass(const MFace* face) const {
  if (face->shader == nullptr) return -1;
  const PointRecord& c = face->shader->diffuseColor;
  switch (ColourKind(Level(c.x), Level(c.y), Level(c.z))) {
    case kBodyRed: return kFaceRed;
    case kBodyBlue: return kFaceBlue;
    case kBodyMagenta: return kFaceMagenta;
    case kBodyCyan: return kFaceCyan;
    case kBodyGreen: return kFaceGreen;
    case kBodyYellow: return kFaceYellow;
    default: return -1;
  }
}

void MBoneObj::ClassifyBodyFaces(MDocObj*) {
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MFace* face : meshes[m].mesh->GetFaceList()) face->workValue = GetFaceColourClass(face);
  }
}

bool MBoneObj::IsFaceOfClass(const MFace* face, int faceClass) const { return face->workValue == faceClass; }

void MBoneObj::NumberBodyVertices(MDocObj*) {
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  int k = 0;
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MVertex* v : meshes[m].mesh->GetVertexList()) v->faceS = ++k;
  }
}

namespace {

// The array index a bound vertex's number names, or -1.
int NumberIndex(const MVertex* vertex, int count) {
  const double number = vertex->faceS;
  if (!(number >= 1.0) || number > count) return -1;
  return static_cast<int>(number) - 1;
}

}  // namespace

PointRecord& MBoneObj::GetRestPosition(PointRecord& out, const MVertex* vertex) {
  const int i = restPositions != nullptr ? NumberIndex(vertex, restPositions->count) : -1;
  out = i >= 0 ? (*restPositions)[i] : PointRecord{0, 0, 0};
  return out;
}

SkinRecord* MBoneObj::GetSkinRecordOfVertex(const MVertex* vertex) {
  const int i = skinRecords != nullptr ? NumberIndex(vertex, skinRecords->count) : -1;
  return i >= 0 ? &(*skinRecords)[i] : nullptr;
}

void MBoneObj::SetRestPosition(const MVertex* vertex, const PointRecord& point) {
  const int i = restPositions != nullptr ? NumberIndex(vertex, restPositions->count) : -1;
  if (i >= 0) (*restPositions)[i] = point;
}

}  // namespace engine
