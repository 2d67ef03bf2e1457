// Mesh object: the materials of faces, tidying the material list, and the
// texture coordinates of the corners at a vertex.
#include "engine/core/CRGlobalM.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

bool FailedHard() { return EngContext().failState == kEngFailFailed; }

// Saved first (so the undo step has it as it was), then out of the list.
void SaveAndRemove(MShader* shader) {
  shader->SaveUndo();
  if (!FailedHard()) shader->Remove();
}

}  // namespace

void MMeshObj::AssignShader(const PtrArray& faceList, MShader* shader) {
  SaveEditState();
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = static_cast<MFace*>(faceList[i]);
    face->SaveUndo();
    if (FailedHard()) return;
    face->SetShader(shader);
    if (FailedHard()) return;
  }
}

void MMeshObj::CleanUpShaders(bool mergeEqual) {
  SaveEditState();
  const int stamp = TakeVisitStamp();
  for (MFace* face : faces)
    if (face->shader != nullptr) face->shader->id = stamp;
  for (MItem* e = shaders.First(); e != nullptr;) {
    MShader* shader = static_cast<MShader*>(e);
    e = e->next;
    if (shader->id == stamp) continue;
    SaveAndRemove(shader);
    if (FailedHard()) return;
  }
  if (mergeEqual) MergeEqualShaders();
}

bool MMeshObj::CountTexturedShaders(int* count) const {
  int n = 0;
  if (EngContext().textureMode != 0)
    for (const MShader* shader : shaders)
      if (shader->HasTexture()) ++n;
  if (count != nullptr) *count = n;
  return n > 0;
}

void MMeshObj::MoveVertexUV(MVertex* v, const PtrArray* faceList, double du, double dv) {
  auto move = [&](MFace* face) {
    if (!face->IsTextured()) return true;
    MVertex* corners[3];
    face->GetVertices(corners);
    int corner = -1;
    for (int k = 0; k < 3 && corner < 0; ++k)
      if (v->IsInRing(corners[k])) corner = k;
    ENG_FATAL_IF(corner < 0);
    MFaceUV* block = face->GetUVBlock();
    // The coordinates are part of the face: it is saved before they change.
    face->SaveUndo();
    if (FailedHard()) return false;
    block->corner[corner].u -= du;
    block->corner[corner].v -= dv;
    return true;
  };
  if (faceList != nullptr) {
    for (int i = 0; i < faceList->count; ++i)
      if (!move(static_cast<MFace*>((*faceList)[i]))) return;
    return;
  }
  // Every face around the ring once: each face leaves exactly one of its
  // corners along one of its lines.
  ForEachRingMember(v, [&](MVertex* member) {
    return ForEachLineAround(member, [&](MLine* line) {
      MFace* face = line->LeavingFace(member);
      return face == nullptr || move(face);
    });
  });
}

void MMeshObj::MoveSelectedVertexUVs(double du, double dv) {
  SaveEditState();
  if (EngContext().textureMode == 0) return;
  PtrArray selected;
  GatherSelectedVertices(selected);
  for (int i = 0; i < selected.count && !FailedHard(); ++i)
    MoveVertexUV(static_cast<MVertex*>(selected[i]), nullptr, du, dv);
}

}  // namespace engine
