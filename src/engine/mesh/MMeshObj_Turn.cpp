// Mesh object: turning the line shared by two triangles so that it joins
// their far corners, and saving for undo what such a turn touches.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

bool FailedHard() { return EngContext().failState == kEngFailFailed; }

void Refuse() {
  if (EngContext().failState != kEngFailNone) return;
  EngContext().failState = kEngFailDeclined;
  EngContext().failReason = kEngReasonDeclined;
}

// The corner of the face that is not an end of the line; null (failure
// state 2, reason 5) when the face does not lie on the line.
MVertex* OppositeCorner(const MFace* face, const MLine* line) {
  MVertex* corners[3];
  face->GetVertices(corners);
  MVertex* opposite = nullptr;
  for (MVertex* c : corners) {
    if (line->HasEnd(c)) continue;
    if (opposite != nullptr) {
      EngRecordFailure(kEngReasonFatal);
      return nullptr;
    }
    opposite = c;
  }
  if (opposite == nullptr) EngRecordFailure(kEngReasonFatal);
  return opposite;
}

}  // namespace

void MMeshObj::SaveVertexStar(MVertex* v) {
  v->SaveUndo();
  ForEachLineAround(v, [&](MLine* line) {
    if (FailedHard()) return false;
    line->SaveUndo();
    MVertex* far = line->OtherEnd(v);
    far->SaveUndo();
    if (MFace* face = line->LeavingFace(v)) face->SaveUndo();
    if (FailedHard()) return false;
    return ForEachLineAround(far, [](MLine* around) {
      around->SaveUndo();
      return !FailedHard();
    });
  });
}

void MMeshObj::SaveLineEndsStar(MLine* line) {
  SaveVertexStar(line->end0);
  if (!FailedHard()) SaveVertexStar(line->end1);
}

MLine* MMeshObj::FlipLine(MLine* line) {
  // The face on the backward side first: its material goes to both new faces.
  MFace* first = line->backwardFace != nullptr ? line->backwardFace : line->forwardFace;
  MFace* second = first == line->backwardFace ? line->forwardFace : nullptr;
  if (first == nullptr) {
    EngRecordFailure(kEngReasonFatal);
    return nullptr;
  }
  MVertex* const p = line->end0;
  MVertex* const q = line->end1;
  MVertex* const farFirst = OppositeCorner(first, line);
  MVertex* const farSecond = second != nullptr ? OppositeCorner(second, line) : nullptr;
  if (FailedHard()) return nullptr;
  if (second == nullptr) {
    // A border line has nothing to turn towards; its face stays.
    Refuse();
    return nullptr;
  }
  if (farFirst->FindLine(farSecond) != nullptr) {
    Refuse();
    return nullptr;
  }
  MShader* const shader = first->shader;
  // The coordinates of each corner, when both faces show one texture.
  const bool keepUVs = first->IsTextured() && second->shader == shader && first->uv != nullptr && second->uv != nullptr;
  MFaceUV::Pair uvP{}, uvQ{}, uvFirst{}, uvSecond{};
  if (keepUVs) {
    uvP = first->uv->corner[first->CornerIndex(p)];
    uvQ = first->uv->corner[first->CornerIndex(q)];
    uvFirst = first->uv->corner[first->CornerIndex(farFirst)];
    uvSecond = second->uv->corner[second->CornerIndex(farSecond)];
  }
  // The faces go but their other lines stay (with their flags, groups and
  // colours); the line itself goes, its ends stay.
  first->Remove(2);
  second->Remove(2);
  line->Remove(1);
  // first ran q, p, farFirst (the backward side runs from end1 to end0),
  // second p, q, farSecond; the new faces turn the same way.
  MFace* a = AddFace(farFirst, q, farSecond, shader);
  MFace* b = a != nullptr ? AddFace(farSecond, p, farFirst, shader) : nullptr;
  if (a == nullptr || b == nullptr) return nullptr;
  if (keepUVs) {
    for (MFace* face : {a, b}) {
      farFirst->SetFaceUV(face, uvFirst.u, uvFirst.v);
      farSecond->SetFaceUV(face, uvSecond.u, uvSecond.v);
    }
    q->SetFaceUV(a, uvQ.u, uvQ.v);
    p->SetFaceUV(b, uvP.u, uvP.v);
  }
  return farFirst->FindLine(farSecond);
}

}  // namespace engine
