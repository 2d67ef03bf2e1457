// Modelling: copying a listed part into a new mesh, and making the mirrored
// half of a mirror-mode mesh real (marked by a material, so that it can be
// taken away again).
#include <unordered_set>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kFormerPlaneVertex = 0x20;
constexpr std::uint32_t kFormerPlaneLine = 0x40;

bool OnPlane(const MVertex* v) { return (v->flags & kVertexOnMirror) != 0; }

// From the wing, the first line around the end (stepping on in the wing's
// direction) that carries the stamp; at the latest the line itself.
MLine* NearestStamped(MLine* line, MVertex* end, bool next, int stamp) {
  MLine* wing = next ? line->GetNextAround(end) : line->GetPrevAround(end);
  for (int steps = 0; wing != line && wing->id != stamp && steps < 100000; ++steps)
    wing = next ? wing->GetNextAround(end) : wing->GetPrevAround(end);
  return wing->id == stamp ? wing : line;
}

// Clones every material and group of the source into the target (state 1),
// then points the target's elements at the clones.
bool CloneShadersAndGroups(MMeshObj& source, MMeshObj& target) {
  for (MShader* shader : source.shaders) {
    MShader* clone = shader->Clone();
    if (clone == nullptr) return false;
    clone->holder = &target.removedShaders;
    clone->state = kItemCreated;
    target.shaders.Add(clone);
  }
  for (MGroup* group : source.groups) {
    MGroup* clone = group->Clone();
    if (clone == nullptr) return false;
    clone->holder = &target.removedGroups;
    clone->state = kItemCreated;
    target.groups.Add(clone);
  }
  target.shaders.Reverse();
  target.groups.Reverse();
  for (MGroup* group : target.groups) group->RemapRefs();
  for (MVertex* v : target.vertices)
    if (v->group != nullptr) v->group = v->group->Copy();
  for (MLine* line : target.lines)
    if (line->group != nullptr) line->group = line->group->Copy();
  for (MFace* face : target.faces) {
    face->SetShader(face->shader != nullptr ? face->shader->Copy() : nullptr);
    if (Failed()) return false;
  }
  return true;
}

}  // namespace

MMeshObj* MMeshObj::CopyMarkedToNewMesh(const PtrArray* faceList, const PtrArray* lineList) {
  const int a = TakeVisitStamp();
  const int c = TakeVisitStamp();
  ClearCopyLinks();
  for (int i = 0; faceList != nullptr && i < faceList->count; ++i)
    if (At<MFace>(*faceList, i)->CountFltabs() > 0) {
      // Lines drawn on a face do not travel with it.
      Refuse();
      return nullptr;
    }
  for (int i = 0; faceList != nullptr && i < faceList->count; ++i) {
    MFace* face = At<MFace>(*faceList, i);
    face->id = a;
    MLine* l[3];
    MVertex* v[3];
    face->GetLines(l);
    face->GetVertices(v);
    for (int k = 0; k < 3; ++k) l[k]->id = v[k]->id = a;
  }
  for (int i = 0; lineList != nullptr && i < lineList->count; ++i) {
    MLine* line = At<MLine>(*lineList, i);
    line->id = line->end0->id = line->end1->id = a;
  }
  MMeshObj* part = new (std::nothrow) MMeshObj();
  if (part == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  auto fail = [&]() -> MMeshObj* {
    for (MShader* shader : shaders) shader->copy = nullptr;
    for (MGroup* group : groups) group->copy = nullptr;
    ClearCopyLinks();
    delete part;
    return nullptr;
  };
  if (Failed()) return fail();
  MObject::CopyTo(part);
  part->mirrorMode = mirrorMode;
  part->tolerance = tolerance;
  part->visitStamp = visitStamp;
  // Vertices and lines in mesh order (the new lists are reversed at the end).
  for (MVertex* v : vertices) {
    if (v->id != a) continue;
    MVertex* copy = part->AddVertex(v->position);
    if (copy == nullptr) return fail();
    v->CopyAttributesTo(copy);
    v->copy = copy;
  }
  for (MLine* line : lines) {
    if (line->id != a) continue;
    MLine* copy = part->AddLine(line->end0->Copy(), line->end1->Copy(), nullptr, nullptr, nullptr, nullptr);
    if (copy == nullptr) return fail();
    line->CopyAttributesTo(copy);
    line->copy = copy;
  }
  // Each copy's wings: the nearest copied lines around each end, so every
  // copied cycle is the source's cycle without the lines left behind.
  for (MLine* line : lines) {
    if (line->id != a) continue;
    MLine* copy = line->Copy();
    ENG_FATAL_IF(copy == nullptr);
    copy->nextAround0 = NearestStamped(line, line->end0, true, a)->Copy();
    copy->prevAround0 = NearestStamped(line, line->end0, false, a)->Copy();
    copy->nextAround1 = NearestStamped(line, line->end1, true, a)->Copy();
    copy->prevAround1 = NearestStamped(line, line->end1, false, a)->Copy();
  }
  for (MFace* face : faces) {
    if (face->id != a) continue;
    MLine* l[3];
    face->GetLines(l);
    MLine* copies[3] = {l[0]->Copy(), l[1]->Copy(), l[2]->Copy()};
    MFace* copy = part->AddFaceFromLines(copies, face->shader);
    if (copy == nullptr) return fail();
    copy->flags = face->flags;
    for (int k = 0; k < 3; ++k) copy->cornerModes[k] = face->cornerModes[k];
    copy->copy = nullptr;
    face->copy = copy;
    if (copy->uv != nullptr && face->uv != nullptr) *copy->uv = *face->uv;
  }
  part->vertices.Reverse();
  part->lines.Reverse();
  part->faces.Reverse();
  if (!CloneShadersAndGroups(*this, *part)) return fail();
  // Rings of copied members are rings again.
  for (MVertex* v : vertices) {
    if (v->id != a) continue;
    ForEachRingMember(v, [&](MVertex* member) {
      if (member != v && member->id == a) {
        v->Copy()->JoinRing(member->Copy());
        member->id = c;
      }
    });
  }
  for (MShader* shader : shaders) shader->copy = nullptr;
  for (MGroup* group : groups) group->copy = nullptr;
  ClearCopyLinks();
  PtrArray partLines, partVertices;
  part->GatherAll(nullptr, &partLines, &partVertices);
  if (Failed()) return fail();
  part->TidyListedElements(&partLines, &partVertices);
  if (Failed()) return fail();
  part->MarkChanged();
  return part;
}

// ---- the mirrored half made real -------------------------------------------------------

void MMeshObj::MirrorToFull(MShader* shader) {
  SaveEditState();
  UpdateMirrorMode();
  // A hidden diagonal on the plane between a face lying in it and one that
  // does not is turned, so that no quad is cut by the plane.
  PtrArray turning;
  for (MLine* line : lines) {
    if (!(line->flags & kLineHiddenDiagonal) || !line->IsOnMirrorPlane() || line->forwardFace == nullptr ||
        line->backwardFace == nullptr)
      continue;
    if (line->forwardFace->AllCornersOnMirror() != line->backwardFace->AllCornersOnMirror() &&
        !Append(turning, line))
      return;
  }
  for (int i = 0; i < turning.count && !Failed(); ++i) {
    SaveLineEndsStar(At<MLine>(turning, i));
    if (!Failed()) FlipLine(At<MLine>(turning, i));
    if (EngContext().failState == kEngFailDeclined) EngContext().ClearFailure();
  }
  for (MVertex* v : vertices)
    if ((OnPlane(v) || v->ringNext != v) && !Failed()) SaveVertexStar(v);
  if (Failed()) return;
  SpreadMirrorFlagsInRings();
  SetMirrorMode(0);

  const int d = TakeVisitStamp();   // the source half
  const int fStamp = TakeVisitStamp();  // a group with its copy made
  const int p = TakeVisitStamp();   // a group shared by both halves
  const int n = TakeVisitStamp();   // a new group
  for (MFace* face : faces) face->id = face->AllCornersOnMirror() ? d : 0;
  for (MLine* line : lines) line->id = d;
  for (MVertex* v : vertices) v->id = d;
  for (MGroup* g : groups) {
    g->SaveUndo();
    if (Failed()) return;
    g->id = d;
    g->copy = nullptr;
  }
  // Plane groups, with every group of their trees.
  std::unordered_set<MGroup*> planeRoots;
  for (MVertex* v : vertices)
    if (OnPlane(v) && v->group != nullptr) planeRoots.insert(v->group->GetRoot());
  for (MLine* line : lines)
    if (line->IsOnMirrorPlane() && line->group != nullptr) planeRoots.insert(line->group->GetRoot());
  for (MGroup* g : groups)
    if (planeRoots.count(g->GetRoot())) g->id = p;

  auto groupOfCopy = [&](MGroup* g) -> MGroup* {
    if (g == nullptr) return nullptr;
    if (g->id == p) return g;
    if (g->id == fStamp) return g->Copy();
    ENG_FATAL_IF(g->id != d);
    MGroup* twin = AddGroup();
    if (twin == nullptr) return nullptr;
    twin->id = n;
    twin->parent = g->parent;
    g->id = fStamp;
    g->copy = twin;
    return twin;
  };
  // The source's elements, listed before the copies join the lists.
  PtrArray sourceVertices, sourceLines, sourceFaces;
  GatherAll(&sourceFaces, &sourceLines, &sourceVertices);
  if (Failed()) return;
  for (int i = 0; i < sourceVertices.count; ++i) {
    MVertex* v = At<MVertex>(sourceVertices, i);
    MVertex* copy = AddVertex({-v->position.x, v->position.y, v->position.z});
    if (copy == nullptr) return;
    v->CopyAttributesTo(copy);
    copy->group = groupOfCopy(v->group);
    if (Failed()) return;
    v->copy = copy;
    if (OnPlane(v)) {
      copy->position.x = 0;
      v->JoinRing(copy);
    }
  }
  for (int i = 0; i < sourceLines.count; ++i) {
    MLine* line = At<MLine>(sourceLines, i);
    MLine* copy = AddLine(line->end0->Copy(), line->end1->Copy(), nullptr, nullptr, nullptr, nullptr);
    if (copy == nullptr) return;
    line->CopyAttributesTo(copy);
    copy->group = groupOfCopy(line->group);
    if (Failed()) return;
    line->copy = copy;
  }
  // Groups not used by any copied element get their twin too; twins hang
  // under their parents' twins.
  for (MGroup* g = groups.First(); g != nullptr; g = g->Next())
    if (g->id == d && groupOfCopy(g) == nullptr && Failed()) return;
  for (MGroup* g : groups)
    if (g->id == n && g->parent != nullptr && g->parent->id != p && g->parent->copy != nullptr)
      g->parent = g->parent->Copy();
  // The copies' wings run the other way round.
  for (int i = 0; i < sourceLines.count; ++i) {
    MLine* line = At<MLine>(sourceLines, i);
    MLine* copy = line->Copy();
    ENG_FATAL_IF(copy == nullptr);
    copy->nextAround0 = line->prevAround0->Copy();
    copy->prevAround0 = line->nextAround0->Copy();
    copy->nextAround1 = line->prevAround1->Copy();
    copy->prevAround1 = line->nextAround1->Copy();
  }
  for (int i = 0; i < sourceFaces.count; ++i) {
    MFace* face = At<MFace>(sourceFaces, i);
    if (face->id == d) continue;  // lies in the plane
    MLine* l[3];
    face->GetLines(l);
    MLine* copies[3] = {l[0]->Copy(), l[2]->Copy(), l[1]->Copy()};
    MFace* copy = AddFaceFromLines(copies, shader != nullptr ? shader : face->shader);
    if (copy == nullptr) return;
    copy->flags = face->flags;
    if (copy->uv != nullptr && face->uv != nullptr) {
      const MFaceUV::Pair* c = face->uv->corner;
      copy->SetUVs(c[1].u, c[1].v, c[0].u, c[0].v, c[2].u, c[2].v);
    }
  }
  for (int i = 0; i < sourceVertices.count; ++i) {
    MVertex* v = At<MVertex>(sourceVertices, i);
    if (!OnPlane(v)) v->Copy()->ringNext = v->ringNext->Copy();
  }
  for (int i = 0; i < sourceLines.count; ++i) {
    MLine* line = At<MLine>(sourceLines, i);
    if (shader != nullptr && line->IsOnMirrorPlane()) {
      line->flags |= kFormerPlaneLine;
      line->Copy()->flags |= kFormerPlaneLine;
    }
  }
  for (MVertex* v : vertices) {
    if (!OnPlane(v)) continue;
    v->flags &= ~static_cast<std::uint32_t>(kVertexOnMirror);
    if (shader != nullptr) v->flags |= kFormerPlaneVertex;
  }
  for (MGroup* g : groups) g->copy = nullptr;
  ClearCopyLinks();
  PtrArray allLines, allVertices;
  GatherAll(nullptr, &allLines, &allVertices);
  if (!Failed()) TidyListedElements(&allLines, &allVertices);
  MarkChanged();
}

}  // namespace engine
