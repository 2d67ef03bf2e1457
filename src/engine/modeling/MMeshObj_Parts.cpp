// Modelling: turning faces over, orienting parts towards a viewpoint, and
// the connected parts of a mesh: gathering, flipping, discarding, removing,
// moving one into a new mesh and splitting a mesh into its parts.
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

PointRecord Sub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double DotP(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void SwapSides(MLine* line) {
  std::swap(line->forwardFace, line->backwardFace);
  std::swap(line->nextAround0, line->prevAround0);
  std::swap(line->nextAround1, line->prevAround1);
}

bool NeedsUVReorder(const MFace* face) { return face->IsTextured(); }

PointRecord FaceCentre(const MFace* face) {
  MVertex* c[3];
  face->GetVertices(c);
  return {(c[0]->position.x + c[1]->position.x + c[2]->position.x) / 3,
          (c[0]->position.y + c[1]->position.y + c[2]->position.y) / 3,
          (c[0]->position.z + c[1]->position.z + c[2]->position.z) / 3};
}

// The mean of the listed faces' corners (each corner once per face).
PointRecord CornerCentre(const PtrArray& faceList) {
  PointRecord g{0, 0, 0};
  for (int i = 0; i < faceList.count; ++i) {
    MVertex* c[3];
    At<MFace>(faceList, i)->GetVertices(c);
    for (MVertex* v : c) g = {g.x + v->position.x, g.y + v->position.y, g.z + v->position.z};
  }
  const double n3 = 3.0 * faceList.count;
  return {g.x / n3, g.y / n3, g.z / n3};
}

}  // namespace

// ---- turning faces over --------------------------------------------------------------

void MMeshObj::ReverseLines(int count, MLine* const* lineArray) {
  // Everything is saved before anything turns: a part turned half way over
  // would not hold together until its undo.
  const int stamp = TakeVisitStamp();
  PtrArray reordered;
  for (int i = 0; i < count; ++i) {
    MLine* line = lineArray[i];
    line->SaveUndo();
    if (Failed()) return;
    for (MFace* face : {line->backwardFace, line->forwardFace}) {
      if (face == nullptr || face->id == stamp || !NeedsUVReorder(face)) continue;
      face->id = stamp;
      face->SaveUndo();
      if (Failed() || !Append(reordered, face)) return;
    }
  }
  for (int i = 0; i < count; ++i) SwapSides(lineArray[i]);
  for (int i = 0; i < reordered.count; ++i) {
    MFaceUV* block = At<MFace>(reordered, i)->GetUVBlock();
    std::swap(block->corner[0], block->corner[1]);
  }
  if (count > 0) MarkChanged();
}

void MMeshObj::FlipPartAt(MVertex* v) {
  PtrArray lineList;
  GatherLinkedAt(v, nullptr, &lineList, nullptr);
  NextVisitStamp();
  if (!Failed()) ReverseLines(lineList.count, reinterpret_cast<MLine* const*>(lineList.count ? &lineList[0] : nullptr));
}

bool MMeshObj::IsFaceSetInverted(const PtrArray& faceList, const PointRecord& viewpoint) const {
  if (faceList.count == 0) return false;
  const PointRecord g = CornerCentre(faceList);
  int inward = 0, view = 0;
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    const PointRecord centre = FaceCentre(face);
    const PointRecord n = face->GetNormal();
    inward += DotP(n, Sub(centre, g)) < 1e-8 ? -1 : 1;
    view += DotP(n, Sub(centre, viewpoint)) < 1e-8 ? 1 : -1;
  }
  return view == -faceList.count || (view != faceList.count && inward < 0);
}

namespace {

// Whether the part's faces, weighted by their areas, face its centre
// rather than away from it; a flat or balanced part is left as it is.
bool FacesInward(const PtrArray& faceList) {
  const PointRecord g = CornerCentre(faceList);
  double outward = 0;
  for (int i = 0; i < faceList.count; ++i) {
    MVertex* c[3];
    At<MFace>(faceList, i)->GetVertices(c);
    outward += DotP(MFaceTriangleNormal(c[0]->position, c[1]->position, c[2]->position),
                    Sub(FaceCentre(At<MFace>(faceList, i)), g));
  }
  return outward < 0;
}

// Orients every linked part of the listed faces: towards the viewpoint
// (flipping it unconditionally without one), or away from its own centre.
enum class PartTurn { TowardsViewpoint, Outward };

void OrientPartsOf(MMeshObj& mesh, const PtrArray& faceList, const PointRecord* viewpoint,
                   PartTurn how = PartTurn::TowardsViewpoint) {
  const int b = mesh.TakeVisitStamp();
  for (int i = 0; i < faceList.count && !Failed(); ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (face->id == b) continue;
    MVertex* c[3];
    face->GetVertices(c);
    PtrArray lineList, partFaces;
    mesh.GatherLinkedAt(c[0], nullptr, &lineList, &partFaces);
    mesh.NextVisitStamp();
    if (Failed()) return;
    const bool turn = how == PartTurn::Outward ? FacesInward(partFaces)
                      : viewpoint == nullptr   ? true
                                               : mesh.IsFaceSetInverted(partFaces, *viewpoint);
    if (turn)
      mesh.ReverseLines(lineList.count, reinterpret_cast<MLine* const*>(&lineList[0]));
    for (int k = 0; k < partFaces.count; ++k) At<MFace>(partFaces, k)->id = b;
  }
}

}  // namespace

void MMeshObj::OrientParts(bool selectedOnly, const PointRecord& viewpoint) {
  PtrArray faceList;
  if (selectedOnly)
    GatherSelected(0, &faceList, nullptr, nullptr);
  else
    GatherAll(&faceList, nullptr, nullptr);
  if (Failed()) return;
  SaveEditState();
  OrientPartsOf(*this, faceList, &viewpoint);
}

void MMeshObj::OrientAll() {
  PtrArray faceList;
  GatherAll(&faceList, nullptr, nullptr);
  if (Failed()) return;
  SaveEditState();
  OrientPartsOf(*this, faceList, nullptr, PartTurn::Outward);
}

void MMeshObj::FlipSelectedParts() {
  PtrArray faceList;
  GatherSelected(0, &faceList, nullptr, nullptr);
  if (Failed()) return;
  SaveEditState();
  OrientPartsOf(*this, faceList, nullptr);
}

// ---- gathering a part ------------------------------------------------------------------

void MMeshObj::GatherConnected(MVertex* start, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList,
                               bool acrossRings) {
  const int s = GetVisitStamp();
  // The depth-first walk a recursion per vertex would make, its frames on
  // a heap stack: the vertex, the line its walk has reached (null before it
  // starts) and, once its lines are done, the ring member reached.
  struct Frame {
    MVertex* v;
    MLine* line;
    bool linesDone;
    MVertex* ring;
  };
  WorkStack<Frame> stack;
  auto visit = [&](MVertex* v) {
    v->id = s;
    if (!Append(vertexList, v)) return false;
    return stack.Push({v, nullptr, v->firstLine == nullptr, nullptr});
  };
  if (!visit(start)) return;
  while (!stack.Empty()) {
    Frame& frame = stack.Top();
    MVertex* const v = frame.v;
    if (!frame.linesDone) {
      frame.line = frame.line == nullptr ? v->firstLine : frame.line->GetNextAround(v);
      MLine* const line = frame.line;
      if (line->GetNextAround(v) == v->firstLine) frame.linesDone = true;
      if (line->id == s) continue;
      line->id = s;
      if (!Append(lineList, line)) return;
      for (MFace* face : {line->forwardFace, line->backwardFace}) {
        if (face == nullptr || face->id == s) continue;
        face->id = s;
        if (!Append(faceList, face)) return;
      }
      MVertex* far = line->OtherEnd(v);
      if (far->id != s && !visit(far)) return;
      continue;
    }
    if (!acrossRings) {
      stack.Pop();
      continue;
    }
    frame.ring = frame.ring == nullptr ? v->ringNext : frame.ring->ringNext;
    MVertex* const member = frame.ring;
    if (member == v) {
      stack.Pop();
      continue;
    }
    if (member->id != s && !visit(member)) return;
  }
}

void MMeshObj::GatherPartAt(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList) {
  GatherConnected(v, vertexList, lineList, faceList, true);
}

void MMeshObj::GatherLinkedAt(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList) {
  GatherConnected(v, vertexList, lineList, faceList, false);
}

void MMeshObj::GatherPartWithGroups(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList,
                                    PtrArray* shaderList) {
  const int s = GetVisitStamp();
  PtrArray ownVertices;
  PtrArray* gathered = vertexList != nullptr ? vertexList : &ownVertices;
  const int first = gathered->count;
  GatherPartAt(v, gathered, lineList, faceList);
  if (Failed()) return;
  const int last = gathered->count;
  for (int i = first; i < last; ++i) {
    MGroup* g = At<MVertex>(*gathered, i)->group;
    if (g != nullptr && g->id != s) CollectGroupTree(g, nullptr);
  }
  for (MVertex* other : vertices) {
    if (other->group == nullptr || other->group->id != s || other->id == s) continue;
    GatherPartAt(other, vertexList, lineList, faceList);
    if (Failed()) return;
  }
  for (MFace* face : faces) {
    MShader* shader = face->shader;
    if (shader == nullptr || shader->id == s) continue;
    shader->id = s;
    if (!Append(shaderList, shader)) return;
  }
}

// ---- discarding, removing, moving a part -------------------------------------------------

void MMeshObj::DiscardPartAt(MVertex* v) {
  PtrArray vertexList, lineList, faceList;
  GatherPartAt(v, &vertexList, &lineList, &faceList);
  NextVisitStamp();
  if (Failed()) return;
  // The morphs let go of the vertices before they are deleted.
  MItemList<MVertex> doomed;
  for (int i = 0; i < vertexList.count; ++i) {
    MVertex* vertex = At<MVertex>(vertexList, i);
    vertex->Unlink();
    doomed.Add(vertex);
  }
  DetachMorphVertices(doomed);
  for (int i = 0; i < lineList.count; ++i) {
    At<MLine>(lineList, i)->Unlink();
    delete At<MLine>(lineList, i);
  }
  for (int i = 0; i < faceList.count; ++i) {
    At<MFace>(faceList, i)->Unlink();
    delete At<MFace>(faceList, i);
  }
  MarkChanged();
}

void MMeshObj::RemovePartAt(MVertex* v) {
  PtrArray vertexList, lineList, faceList;
  GatherPartAt(v, &vertexList, &lineList, &faceList);
  NextVisitStamp();
  if (Failed()) return;
  // The whole part is saved before any of it goes.
  SaveListsForUndo(&faceList, &lineList, &vertexList);
  if (Failed()) return;
  for (int i = 0; i < faceList.count; ++i) At<MFace>(faceList, i)->Remove(2);
  for (int i = 0; i < lineList.count; ++i) At<MLine>(lineList, i)->Remove(1);
  for (int i = 0; i < vertexList.count; ++i) At<MVertex>(vertexList, i)->Remove();
  MarkChanged();
}

namespace {

template <class T>
void MoveStamped(MItemList<T>& from, MItemList<T>& to, MItemList<T>& newHolder, int stamp) {
  for (T* e = from.First(); e != nullptr;) {
    T* following = e->Next();
    if (e->id == stamp) {
      e->Unlink();
      to.Add(e);
      e->holder = &newHolder;
    }
    e = following;
  }
}

}  // namespace

MMeshObj* MMeshObj::MovePartToNewMesh(MVertex* v) {
  NextVisitStamp();
  const int b = GetVisitStamp();
  GatherPartWithGroups(v, nullptr, nullptr, nullptr, nullptr);
  NextVisitStamp();
  if (Failed()) return nullptr;
  MMeshObj* part = new (std::nothrow) MMeshObj();
  if (part == nullptr || Failed()) {
    delete part;
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  part->tolerance = tolerance;
  part->mirrorMode = mirrorMode;
  part->visitStamp = visitStamp;
  for (MShader* shader : shaders) {
    shader->copy = nullptr;
    if (shader->id != b) continue;
    MShader* clone = shader->Clone();
    if (clone == nullptr) {
      delete part;
      return nullptr;
    }
    clone->holder = &part->removedShaders;
    clone->state = kItemCreated;
    part->shaders.Add(clone);
  }
  part->shaders.Reverse();
  MoveStamped(vertices, part->vertices, part->removedVertices, b);
  MoveStamped(lines, part->lines, part->removedLines, b);
  MoveStamped(faces, part->faces, part->removedFaces, b);
  MoveStamped(groups, part->groups, part->removedGroups, b);
  // This mesh's morphs let go of the vertices that left it.
  DetachMorphVertices(part->vertices);
  for (MFace* face : part->faces) {
    if (face->shader != nullptr && face->shader->copy != nullptr) face->SetShader(face->shader->Copy());
    part->MarkChanged();
  }
  return part;
}

void MMeshObj::SplitIntoParts(PtrArray& meshList) {
  // A mesh with morphs stays whole, and keeps its undo and its selection.
  if (HasMorphs() || vertices.IsEmpty()) return;
  Checkpoint(false);
  ClearSelection();
  NextVisitStamp();
  const int p = GetVisitStamp();
  GatherPartWithGroups(vertices.First(), nullptr, nullptr, nullptr, nullptr);
  NextVisitStamp();
  const int first = meshList.count;
  while (!Failed()) {
    MVertex* rest = nullptr;
    for (MVertex* v : vertices)
      if (v->id != p) {
        rest = v;
        break;
      }
    if (rest == nullptr) break;
    MMeshObj* part = MovePartToNewMesh(rest);
    if (part == nullptr) break;
    part->Checkpoint(false);
    if (!Append(meshList, part)) {
      MatrixRecord identity;
      MUtilIdentity(identity);
      AttachMesh(part, identity, nullptr, nullptr);
      delete part;
      break;
    }
  }
  if (Failed()) {
    // Every part goes back: the mesh is as it was.
    MatrixRecord identity;
    MUtilIdentity(identity);
    for (int i = first; i < meshList.count; ++i) {
      MMeshObj* part = At<MMeshObj>(meshList, i);
      AttachMesh(part, identity, nullptr, nullptr);
      delete part;
    }
    meshList.count = first;
    return;
  }
  MarkChanged();
  UpdateMirrorMode();
  for (int i = first; i < meshList.count; ++i) At<MMeshObj>(meshList, i)->UpdateMirrorMode();
}

}  // namespace engine
