// MMetaSurf: the surface's final level made into ordinary mesh elements in
// place of the control mesh, as an undoable edit of the mesh.
#include <array>
#include <utility>
#include <vector>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MMetaSurf.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

void Refuse() {
  if (EngContext().failState != kEngFailNone) return;
  EngContext().failState = kEngFailDeclined;
  EngContext().failReason = kEngReasonDeclined;
}

}  // namespace

void MMetaSurf::Rebuild() {
  // Level 0 has triangles and vertices without edges, which the elements
  // below cannot be made from; without the sources nothing says where the
  // new elements come from.
  if (levels_ < 1 || trackSources == 0 || faces.Count() == 0 || vertexSources.Count() != vertices.Count() ||
      edgeSources.Count() != edges.Count() || faceSources.Count() != faces.Count()) {
    Refuse();
    return;
  }
  MMeshObj& m = *mesh;
  std::vector<MVertex*> oldVertices;
  std::vector<MLine*> oldLines;
  std::vector<MFace*> oldFaces;
  for (MVertex* v : m.vertices) oldVertices.push_back(v);
  for (MLine* l : m.lines) oldLines.push_back(l);
  for (MFace* f : m.faces) oldFaces.push_back(f);

  // Vertices.
  for (SurfVertex& v : vertices) {
    v.newVertex = nullptr;
    if (v.firstEdge == nullptr) continue;
    v.newVertex = m.AddVertex(v.position);
    if (v.newVertex == nullptr) return;
  }
  for (int i = 0; i < vertices.Count(); ++i) {
    MVertex* source = vertexSources[i].vertex;
    SurfVertex& v = vertices[i];
    if (source == nullptr || v.newVertex == nullptr) continue;
    for (MVertex* r = source->ringNext; r != source; r = r->ringNext) {
      const int j = r->id;
      if (j < 0 || j >= vertices.Count() || vertexSources[j].vertex != r || vertices[j].newVertex == nullptr) continue;
      ENG_FATAL_IF(j == i);
      v.newVertex->JoinRing(vertices[j].newVertex);
    }
  }
  for (int i = 0; i < vertices.Count(); ++i) {
    SurfVertex& v = vertices[i];
    if (v.newVertex == nullptr) continue;
    const SurfSourceRef& src = vertexSources[i];
    if (src.vertex != nullptr) {
      src.vertex->CopyAttributesTo(v.newVertex);
    } else if (src.line != nullptr) {
      if (src.line->group != nullptr) v.newVertex->group = src.line->group;
    } else if (src.face != nullptr) {
      if (MGroup* g = src.face->GetEdgeGroup()) v.newVertex->group = g;
    }
    if ((v.flags & 1) != 0) v.newVertex->flags |= kVertexOnMirror;
  }

  // Lines, their wings from the surface's rings.
  for (SurfEdge& e : edges) {
    e.newLine = m.AddLine(e.vertexA->newVertex, e.vertexB->newVertex, nullptr, nullptr, nullptr, nullptr);
    if (e.newLine == nullptr) return;
  }
  for (SurfEdge& e : edges) {
    MLine* line = e.newLine;
    line->prevAround0 = e.nextAroundA->newLine;
    line->nextAround0 = e.vertexA->PrevEdgeAround(&e)->newLine;
    line->prevAround1 = e.nextAroundB->newLine;
    line->nextAround1 = e.vertexB->PrevEdgeAround(&e)->newLine;
  }
  // Seams: the new vertices along coincident control lines join rings.
  auto chain = [&](MLine* control, int start) {
    std::vector<SurfVertex*> out{&vertices[start]};
    const SurfEdge* previous = nullptr;
    SurfVertex* at = &vertices[start];
    for (int step = 0; step < segmentsPerEdge; ++step) {
      const SurfEdge* found = nullptr;
      const SurfEdge* e = at->firstEdge;
      int guard = 0;
      do {
        if (e != previous && edgeSources[GetEdgeIndex(e)].line == control) found = e;
        e = at->NextEdgeAround(e);
      } while (found == nullptr && e != at->firstEdge && ++guard < 100000);
      ENG_FATAL_IF(found == nullptr);
      at = found->OtherEnd(at);
      previous = found;
      out.push_back(at);
    }
    return out;
  };
  for (int i = 0; i < edges.Count(); ++i) {
    MLine* control = edgeSources[i].line;
    if (control == nullptr || !control->HasCoincidentLine()) continue;
    const SurfEdge& e = edges[i];
    SurfVertex* end = nullptr;
    for (SurfVertex* x : {e.vertexA, e.vertexB}) {
      MVertex* from = vertexSources[static_cast<int>(x - vertices.Data())].vertex;
      if (from != nullptr && control->HasEnd(from)) end = x;
    }
    if (end == nullptr) continue;
    MVertex* fromVertex = vertexSources[static_cast<int>(end - vertices.Data())].vertex;
    const std::vector<SurfVertex*> mine = chain(control, static_cast<int>(end - vertices.Data()));
    PtrArray coincident;
    control->CollectCoincidentLines(coincident);
    for (int k = 0; k < coincident.count; ++k) {
      auto* other = static_cast<MLine*>(coincident[k]);
      if (other == control || other->id < 0) continue;
      MVertex* otherEnd = other->end0->IsInRing(fromVertex) ? other->end0 : other->end1;
      const int j = otherEnd->id;
      if (j < 0 || j >= vertices.Count() || vertexSources[j].vertex != otherEnd) continue;
      const std::vector<SurfVertex*> theirs = chain(other, j);
      for (std::size_t n = 0; n < mine.size() && n < theirs.size(); ++n)
        mine[n]->newVertex->JoinRing(theirs[n]->newVertex);
    }
  }
  for (int i = 0; i < edges.Count(); ++i) {
    const SurfSourceRef& src = edgeSources[i];
    if (src.line != nullptr) src.line->CopyAttributesTo(edges[i].newLine);
    else if (src.face != nullptr)
      if (MGroup* g = src.face->GetEdgeGroup()) edges[i].newLine->group = g;
  }

  // Faces: each patch split along c0-c2.
  const bool texturing = EngContext().textureMode != 0;
  for (SurfFace& patch : faces) {
    SurfVertex* c[4];
    SurfEdge* e[4];
    SurfFace::GetCorners(&patch, c, e);
    MLine* diagonal = m.AddLine(c[0]->newVertex, c[2]->newVertex, e[3]->newLine, e[0]->newLine, e[2]->newLine,
                                e[1]->newLine);
    if (diagonal == nullptr) return;
    diagonal->flags |= kLineHiddenDiagonal;
    MLine* const first[3] = {e[0]->newLine, e[1]->newLine, diagonal};
    MLine* const second[3] = {diagonal, e[2]->newLine, e[3]->newLine};
    MFace* a = m.AddFaceFromLines(first, patch.shader);
    if (a == nullptr) return;
    MFace* b = m.AddFaceFromLines(second, patch.shader);
    if (b == nullptr) return;
    if (texturing && patch.shader != nullptr && patch.shader->HasTexture() && patch.uv != nullptr) {
      for (auto [face, corners] : {std::pair{a, std::array<int, 3>{0, 1, 2}}, std::pair{b, std::array<int, 3>{0, 2, 3}}}) {
        double uv[3][2] = {};
        for (int k : corners) {
          const int at = face->CornerIndex(c[k]->newVertex);
          ENG_FATAL_IF(at < 0);
          uv[at][0] = patch.uv->uv[k][0];
          uv[at][1] = patch.uv->uv[k][1];
        }
        face->SetUVs(uv[0][0], uv[0][1], uv[1][0], uv[1][1], uv[2][0], uv[2][1]);
        if (Failed()) return;
      }
    }
  }

  // The control elements go, as an undoable edit.
  for (MVertex* v : oldVertices) v->id = 0;
  for (MLine* l : oldLines) l->id = 0;
  auto isNew = [](const MItem* item) { return item->state == kItemCreated || item->state == kItemCreatedRemoved; };
  for (MVertex* v : oldVertices)
    if (!isNew(v)) v->SaveUndo();
  for (MLine* l : oldLines)
    if (!isNew(l)) l->SaveUndo();
  for (MFace* f : oldFaces)
    if (!isNew(f)) f->SaveUndo();
  if (Failed()) return;
  auto gone = [](const MItem* item) { return item->state == kItemRemoved || item->state == kItemCreatedRemoved; };
  for (MFace* f : oldFaces)
    if (!gone(f)) f->Remove(2);
  for (MLine* l : oldLines)
    if (!gone(l)) l->Remove(1);
  for (MVertex* v : oldVertices)
    if (!gone(v)) v->Remove();
}

}  // namespace engine
