// Modelling: saving an edit's neighbourhood for undo, splitting a line at a
// point and filling a loop of vertices with triangles.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

void SaveFaceWithCorners(MFace* face) {
  face->SaveUndo();
  MLine* edges[3];
  MVertex* corners[3];
  face->GetLines(edges);
  face->GetVertices(corners);
  for (int k = 0; k < 3 && !Failed(); ++k) {
    edges[k]->SaveUndo();
    corners[k]->SaveUndo();
  }
}

void SaveWings(MLine* line) {
  for (MLine* wing : {line->nextAround0, line->prevAround0, line->prevAround1, line->nextAround1})
    if (!Failed()) wing->SaveUndo();
}

}  // namespace

// ---- neighbourhoods -------------------------------------------------------------

void MMeshObj::SaveVertexNeighbourhood(MVertex* v) {
  v->SaveUndo();
  ForEachLineAround(v, [&](MLine* line) {
    if (Failed()) return false;
    line->SaveUndo();
    if (MFace* face = line->LeavingFace(v)) {
      SaveFaceWithCorners(face);
    } else {
      MVertex* far = line->OtherEnd(v);
      far->SaveUndo();
      ForEachLineAround(far, [](MLine* around) {
        around->SaveUndo();
        return !Failed();
      });
    }
    return !Failed();
  });
}

void MMeshObj::SaveRingNeighbourhood(MVertex* v) {
  ForEachRingMember(v, [&](MVertex* member) {
    SaveVertexNeighbourhood(member);
    return !Failed();
  });
}

void MMeshObj::SaveLineNeighbourhood(MLine* line) {
  PtrArray coincident;
  CollectLineAndCoincident(line, coincident);
  for (int i = 0; i < coincident.count && !Failed(); ++i) {
    MLine* l = At<MLine>(coincident, i);
    SaveRingNeighbourhood(l->end0);
    if (!Failed()) SaveRingNeighbourhood(l->end1);
    for (MLine* wing : {l->nextAround0, l->prevAround0, l->prevAround1, l->nextAround1}) {
      if (Failed()) break;
      SaveRingNeighbourhood(wing->end0 == l->end0 || wing->end0 == l->end1 ? wing->end1 : wing->end0);
    }
  }
}

void MMeshObj::SaveLineFaces(MLine* line) {
  PtrArray coincident;
  CollectLineAndCoincident(line, coincident);
  for (int i = 0; i < coincident.count && !Failed(); ++i) {
    MLine* l = At<MLine>(coincident, i);
    if (l->forwardFace != nullptr) SaveFaceWithCorners(l->forwardFace);
    if (l->backwardFace != nullptr && !Failed()) SaveFaceWithCorners(l->backwardFace);
  }
  if (Failed()) return;
  line->SaveUndo();
  SaveWings(line);
}

void MMeshObj::SaveFaceNeighbourhood(MFace* face) {
  face->SaveUndo();
  MLine* edges[3];
  MVertex* corners[3];
  face->GetLines(edges);
  face->GetVertices(corners);
  for (int k = 0; k < 3 && !Failed(); ++k) {
    edges[k]->SaveUndo();
    SaveWings(edges[k]);
    if (!Failed()) corners[k]->SaveUndo();
  }
}

// ---- splitting a line at a point ------------------------------------------------------

void MMeshObj::SplitLineAtPoint(MLine* line, const PointRecord& point, MVertex** newVertex, MLine** newLine) {
  if (newVertex != nullptr) *newVertex = nullptr;
  if (newLine != nullptr) *newLine = nullptr;
  const PointRecord a = line->end0->position;
  const PointRecord b = line->end1->position;
  PointRecord d{b.x - a.x, b.y - a.y, b.z - a.z};
  const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  const double t = length > 0 ? ((point.x - a.x) * d.x + (point.y - a.y) * d.y + (point.z - a.z) * d.z) / length : 0;
  // A point at (or within the tolerance of) an end would make a line of no
  // length and faces without area; lines drawn on the faces cannot be
  // carried over.
  MFace* const sides[2] = {line->forwardFace, line->backwardFace};
  bool drawnOn = false;
  for (MFace* face : sides) drawnOn = drawnOn || (face != nullptr && face->CountFltabs() > 0);
  if (length <= tolerance || t <= tolerance || t >= length - tolerance || drawnOn) {
    Refuse();
    return;
  }
  d = {d.x / length, d.y / length, d.z / length};
  SaveEditState();
  SaveLineFaces(line);
  if (Failed()) return;

  // What each face on the line becomes: its corners from the opposite one,
  // its material, group, texture coordinates and stored-face tag.
  struct Side {
    MFace* face;
    MVertex* corners[3];  // opposite, then the two ends in loop order
    MFaceUV::Pair uvs[3];
    bool textured;
    MShader* shader;
    MGroup* group;
    bool tagged;
  } side[2];
  int sideCount = 0;
  for (MFace* face : sides) {
    if (face == nullptr) continue;
    Side& s = side[sideCount++];
    MVertex* c[3];
    face->GetVertices(c);
    int k = 0;
    while (line->HasEnd(c[k])) ++k;
    s.face = face;
    s.textured = face->IsTextured() && face->uv != nullptr;
    for (int j = 0; j < 3; ++j) {
      s.corners[j] = c[(k + j) % 3];
      s.uvs[j] = s.textured ? face->uv->corner[(k + j) % 3] : MFaceUV::Pair{0, 0};
    }
    s.shader = face->shader;
    s.group = face->GetEdgeGroup();
    s.tagged = workList != nullptr && face->id == GetStoredFaceTag();
  }
  for (int i = 0; i < sideCount; ++i) side[i].face->Remove(2);

  const double along = t / length;
  MVertex* q = AddVertex({a.x + t * d.x, a.y + t * d.y, a.z + t * d.z});
  if (q == nullptr) return;
  if (line->IsOnMirrorPlane()) {
    q->flags |= kVertexOnMirror;
    q->position.x = 0;
  }
  q->group = line->group;
  MLine* half = SplitLineAtVertex(q, line);
  if (half == nullptr) return;
  line->CopyAttributesTo(half);
  for (int i = 0; i < sideCount; ++i) {
    const Side& s = side[i];
    // The corner beyond the split, seen from x to y along the face's loop.
    MVertex* const opp = s.corners[0];
    MVertex* const x = s.corners[1];
    MVertex* const y = s.corners[2];
    const double w = x == line->end0 ? along : 1 - along;
    const MFaceUV::Pair uq{s.uvs[1].u + w * (s.uvs[2].u - s.uvs[1].u), s.uvs[1].v + w * (s.uvs[2].v - s.uvs[1].v)};
    MFace* f0 = AddFace(opp, x, q, s.shader);
    MFace* f1 = f0 != nullptr ? AddFace(opp, q, y, s.shader) : nullptr;
    if (f1 == nullptr) return;
    if (MLine* spoke = q->FindLine(opp)) spoke->group = s.group;
    if (s.textured) {
      f0->SetUVs(s.uvs[0].u, s.uvs[0].v, s.uvs[1].u, s.uvs[1].v, uq.u, uq.v);
      f1->SetUVs(s.uvs[0].u, s.uvs[0].v, uq.u, uq.v, s.uvs[2].u, s.uvs[2].v);
    }
    if (s.tagged) {
      f0->id = f1->id = GetStoredFaceTag();
      if (!Append(workList, f0) || !Append(workList, f1)) return;
    }
    if (Failed()) return;
  }
  if (newVertex != nullptr) *newVertex = q;
  if (newLine != nullptr) *newLine = half;
}

void MMeshObj::SplitCoincidentLinesAtPoint(MLine* line, const PointRecord& point, MVertex** newVertex,
                                           MLine** newLine) {
  PtrArray coincident;
  if (!CollectLineAndCoincident(line, coincident)) return;
  MVertex* first = nullptr;
  for (int i = 0; i < coincident.count; ++i) {
    MLine* l = At<MLine>(coincident, i);
    MVertex* q = nullptr;
    MLine* half = nullptr;
    SplitLineAtPoint(l, point, &q, &half);
    if (q == nullptr) return;
    if (first == nullptr)
      first = q;
    else
      first->JoinRing(q);
    if (l == line) {
      if (newVertex != nullptr) *newVertex = q;
      if (newLine != nullptr) *newLine = half;
    }
  }
}

// ---- filling a loop --------------------------------------------------------------------

bool MMeshObj::IsFillableLoop(int count, MVertex* const* loop) {
  if (count < 3) return false;
  for (int i = 0; i < count; ++i) {
    MVertex* v = loop[i];
    for (int j = i + 1; j < count; ++j)
      if (loop[j] == v) return false;
    // A side free of faces where the fill can go.
    if (v->firstLine != nullptr && !v->HasGap()) return false;
    MVertex* next = loop[(i + 1) % count];
    if (MLine* joining = v->FindLine(next); joining != nullptr && joining->LeavingFace(v) != nullptr) return false;
    for (int j = 0; j < count; ++j) {
      if (j == i || j == (i + 1) % count || (j + 1) % count == i) continue;
      if (v->FindLine(loop[j]) != nullptr) return false;
    }
  }
  return true;
}

void MMeshObj::FillLoopWithUVs(int count, MVertex* const* loop, const double* u, const double* v, MShader* shader) {
  if (!IsFillableLoop(count, loop)) {
    Refuse();
    return;
  }
  const bool withUVs = u != nullptr && v != nullptr;
  if (withUVs)
    for (int i = 0; i < count; ++i) {
      loop[i]->SaveUndo();
      loop[i]->faceS = u[i];
      loop[i]->faceT = v[i];
    }
  FillLoop(count, loop, shader, withUVs);
}

void MMeshObj::FillLoop(int count, MVertex* const* loop, MShader* shader, bool withUVs) {
  // A loop the fill cannot take (a vertex twice, a chord, a side already
  // covered) is refused before anything is made.
  if (!IsFillableLoop(count, loop)) {
    Refuse();
    return;
  }
  SaveEditState();
  PtrArray rest;
  for (int i = 0; i < count; ++i) {
    SaveVertexStar(loop[i]);
    if (!Append(rest, loop[i]) || Failed()) return;
  }
  while (rest.count >= 3) {
    const int n = rest.count;
    auto vertexAt = [&](int i) { return At<MVertex>(rest, (i + n) % n); };
    int ear = 0;
    if (n > 3) {
      // The loop's normal from the corners' raw normals.
      PointRecord sum{0, 0, 0};
      PointArray normals;
      for (int i = 0; i < n; ++i) {
        const PointRecord p = vertexAt(i - 1)->position, c = vertexAt(i)->position, q = vertexAt(i + 1)->position;
        const PointRecord a{p.x - c.x, p.y - c.y, p.z - c.z}, b{q.x - c.x, q.y - c.y, q.z - c.z};
        const PointRecord raw{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        sum = {sum.x + raw.x, sum.y + raw.y, sum.z + raw.z};
        PointRecord unit = raw;
        OsUtilNormalize(unit);
        if (!normals.Add(unit)) {
          EngRecordFailure(kEngReasonOutOfMemory);
          return;
        }
      }
      OsUtilNormalize(sum);
      double best = -10;
      ear = -1;
      for (int i = 0; i < n; ++i) {
        if (vertexAt(i - 1)->FindLine(vertexAt(i + 1)) != nullptr) continue;
        const PointRecord& nk = normals[i];
        const double c = MUtilCosAngle(vertexAt(i - 1)->position, vertexAt(i)->position, vertexAt(i + 1)->position);
        const double score = nk.x * sum.x + nk.y * sum.y + nk.z * sum.z > 0 ? c + 2 : c - 2;
        if (score > best) {
          best = score;
          ear = i;
        }
      }
      if (ear < 0) {
        EngRecordFailure(kEngReasonFatal);
        return;
      }
    }
    MVertex* const p = vertexAt(ear - 1);
    MVertex* const e = vertexAt(ear);
    MVertex* const q = vertexAt(ear + 1);
    MFace* face = AddFace(p, e, q, shader);
    if (face == nullptr) return;
    if (withUVs && face->IsTextured())
      face->SetUVs(p->faceS, p->faceT, e->faceS, e->faceT, q->faceS, q->faceT);
    if (Failed()) return;
    for (int i = ear; i + 1 < rest.count; ++i) rest[i] = rest[i + 1];
    --rest.count;
  }
}

}  // namespace engine
