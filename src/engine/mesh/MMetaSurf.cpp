// MMetaSurf: building the surface from the control mesh and refining it by
// Catmull-Clark subdivision with semi-sharp creases and the mirror half.
#include "engine/mesh/MMetaSurf.h"

#include <algorithm>
#include <vector>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshDrawing.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

// Weights of a triangle's centroid: the vertex points use a slightly short
// third, the edge points an exact one, the face points another short third.
constexpr double kVertexPassThird = 0.3333333333333;
constexpr double kEdgePassThird = 1.0 / 3.0;
constexpr double kFacePassThird = 0.33333333333333;

PointRecord MirrorX(const PointRecord& p) { return {-p.x, p.y, p.z}; }

bool IsSeamKind(int kind) { return kind == 2 || kind == 3; }

// Lines around a vertex, bounded.
template <class F>
void ForLinesAround(const MVertex* v, F f) {
  MLine* line = v->firstLine;
  if (line == nullptr) return;
  int guard = 0;
  do {
    f(line);
    line = line->GetNextAround(v);
  } while (line != v->firstLine && ++guard < MVertex::kRingLimit);
}

bool IsSharpVertex(const MMeshObj& mesh, MVertex* v) {
  if ((v->flags & kVertexFullCrease) != 0) return true;
  if (mesh.IsMirrorMode() != 0 && v->firstLine != nullptr) {
    bool off = false, both = false, missing = false;
    ForLinesAround(v, [&](MLine* line) {
      if (!line->IsOnMirrorPlane()) off = true;
      else if (line->forwardFace != nullptr && line->backwardFace != nullptr) both = true;
      else missing = true;
    });
    if (off && both && missing) return true;
  }
  if (v->ringNext == v) return false;
  // Pieces meeting at coincident vertices: smooth only when they meet
  // regularly along seams.
  int examined = 0, seamCount = -1;
  bool metSeam = false;
  MVertex* member = v;
  int guard = 0;
  do {
    if (!member->IsOnFreeLine() && member->firstLine != nullptr) {
      ++examined;
      int creased = 0, seams = 0;
      bool sharp = false;
      ForLinesAround(member, [&](MLine* line) {
        const int coincident = line->CountCoincidentLines();
        if (line->GetCreaseWeight() > 0) {
          ++creased;
          if (coincident <= 1) sharp = true;
        }
        if (coincident > 1) {
          ++seams;
          if (!metSeam) {
            metSeam = true;
            seamCount = coincident;
          } else if (coincident != seamCount) {
            sharp = true;
          }
        }
      });
      if (sharp || creased > 2 || seams == 1 || seams > 2) return true;
    }
    member = member->ringNext;
  } while (member != v && ++guard < MVertex::kRingLimit);
  return !(examined == seamCount || (examined == 1 && !metSeam));
}

bool IsSharpEdge(MLine* line) {
  if (line->IsSharp() || line->HasCoincidentLine()) return true;
  const bool both = line->forwardFace != nullptr && line->backwardFace != nullptr;
  const bool onMirror = line->IsOnMirrorPlane();
  if (both) {
    return onMirror && (line->forwardFace->AllCornersOnMirror() != line->backwardFace->AllCornersOnMirror());
  }
  MFace* one = line->forwardFace != nullptr ? line->forwardFace : line->backwardFace;
  ENG_FATAL_IF(one == nullptr && onMirror);
  if (!onMirror) return true;
  return one->AllCornersOnMirror();
}

// The backward wing of a line at one end, stepping over hidden diagonals.
MLine* RingWing(MLine* line, MVertex* end) {
  MLine* wing = line->GetPrevAround(end);
  int guard = 0;
  while ((wing->flags & kLineHiddenDiagonal) != 0 && wing != line && ++guard < MVertex::kRingLimit)
    wing = wing->GetPrevAround(end);
  return wing;
}

// The centroid of the gap after edge `first` (around v) before the next
// edge: a triangle (v, x, y) when the edge before `first` around x ends at
// y, else the quad (v, x, y, w).
PointRecord GapCentroid(const SurfVertex* v, const SurfEdge* first, double third) {
  const SurfEdge* second = v->NextEdgeAround(first);
  const SurfVertex* x = first->OtherEnd(v);
  const SurfVertex* y = second->OtherEnd(v);
  const SurfEdge* before = x->PrevEdgeAround(first);
  const SurfVertex* w = before->OtherEnd(x);
  if (w == y) return VScale(VAdd(VAdd(v->position, x->position), y->position), third);
  return VScale(VAdd(VAdd(v->position, x->position), VAdd(y->position, w->position)), 0.25);
}

}  // namespace

MMetaSurf::~MMetaSurf() {
  FreeArrays();
  FreeWorkArrays();
}

void MMetaSurf::FreeArrays() {
  vertices.Free();
  edges.Free();
  faces.Free();
  uvBlocks.Free();
  vertexSources.Free();
  edgeSources.Free();
  faceSources.Free();
  levels_ = 0;
}

void MMetaSurf::FreeWorkArrays() {
  workVertices_.Free();
  workEdges_.Free();
  workFaces_.Free();
  workUVBlocks_.Free();
  workVertexSources_.Free();
  workEdgeSources_.Free();
  workFaceSources_.Free();
}

bool MMetaSurf::ReserveLevel(int vertexCount, int edgeCount, int faceCount, int uvCount) {
  bool ok = vertices.Reserve(vertexCount) && edges.Reserve(edgeCount) && faces.Reserve(faceCount) &&
            uvBlocks.Reserve(uvCount);
  if (ok && trackSources != 0)
    ok = vertexSources.Reserve(vertexCount) && edgeSources.Reserve(edgeCount) && faceSources.Reserve(faceCount);
  return ok;
}

void MMetaSurf::Build(int levels, int) {
  FreeArrays();
  FreeWorkArrays();
  BuildLevelZero();
  segmentsPerEdge = 1;
  for (int level = 0; level < levels && !Failed(); ++level) Subdivide();
  FreeWorkArrays();
  // Elements without a surface element keep number 0: negative numbers
  // mark destroyed elements.
  for (MVertex* v : mesh->vertices)
    if (v->id < 0) v->id = 0;
  for (MLine* l : mesh->lines)
    if (l->id < 0) l->id = 0;
  if (!Failed()) ComputeFaceNormals();
  if (Failed()) {
    FreeArrays();
    FreeWorkArrays();
    return;
  }
  levels_ = levels > 0 ? levels : 0;
}

// ---- level 0 --------------------------------------------------------------------

void MMetaSurf::BuildLevelZero() {
  MMeshObj& m = *mesh;
  int vertexTotal = 0, lineTotal = 0, faceTotal = 0;
  for (MVertex* v : m.vertices) vertexTotal += v != nullptr ? 1 : 0;
  for (MLine* l : m.lines) lineTotal += l != nullptr ? 1 : 0;
  for (MFace* f : m.faces) faceTotal += (f->flags & kFaceHidden) == 0 ? 1 : 0;
  if (m.IsMirrorMode() != 0) {
    vertexTotal *= 2;
    lineTotal *= 2;
  }
  const bool texturing = EngContext().textureMode != 0;
  if (!ReserveLevel(vertexTotal, lineTotal, faceTotal, texturing ? faceTotal : 0)) return;

  int index = 0;
  for (MVertex* v : m.vertices) {
    SurfVertex* s = vertices.Append();
    if (s == nullptr) return;
    s->position = v->position;
    s->sharpness = IsSharpVertex(m, v) ? fullCreaseSharpness : 0.0;
    if ((v->flags & kVertexOnMirror) != 0 && v->firstLine != nullptr) {
      bool border = false, sharp = false;
      v->GetLineKinds(border, sharp);
      if (border) s->flags |= 1;
    }
    v->id = index++;
    if (trackSources != 0) vertexSources.Append()->vertex = v;
  }

  std::vector<MLine*> edgeLines;
  for (MLine* line : m.lines) {
    line->id = -1;
    if ((line->flags & kLineHiddenDiagonal) != 0 || !line->HasFace()) continue;
    SurfEdge* e = edges.Append();
    if (e == nullptr) return;
    line->id = edges.Count() - 1;
    edgeLines.push_back(line);
    e->vertexA = &vertices[line->end0->id];
    e->vertexB = &vertices[line->end1->id];
    e->vertexA->firstEdge = e;
    e->vertexB->firstEdge = e;
    e->sharpness = IsSharpEdge(line) ? fullCreaseSharpness : 0.0;
    const bool both = line->forwardFace != nullptr && line->backwardFace != nullptr;
    const bool onMirror = line->IsOnMirrorPlane();
    if (onMirror) e->mirrorKind = both ? 1 : (line->forwardFace != nullptr ? 2 : 3);
    if ((line->flags & kLineHidden) != 0) e->lineKind = 2;
    else if (!line->IsSharp() && both) e->lineKind = 0;
    else if (onMirror) e->lineKind = line->IsSharp() ? 1 : 0;
    else e->lineKind = both ? 1 : 3;
    const unsigned char bytes[3] = {line->colourR, line->colourG, line->colourB};
    for (int i = 0; i < 3; ++i) e->colour[i] = static_cast<unsigned char>(bytes[i] * 0.0039 * 255);
    e->lineWidth = static_cast<unsigned char>(line->GetWidth());
    if (trackSources != 0) edgeSources.Append()->line = line;
  }
  for (MLine* line : edgeLines) {
    SurfEdge& e = edges[line->id];
    MLine* wingA = RingWing(line, line->end0);
    MLine* wingB = RingWing(line, line->end1);
    ENG_FATAL_IF(wingA->id < 0 || wingB->id < 0);
    e.nextAroundA = &edges[wingA->id];
    e.nextAroundB = &edges[wingB->id];
  }

  const int stamp = m.TakeVisitStamp();
  for (MFace* face : m.faces) {
    if ((face->flags & kFaceHidden) != 0 || face->id == stamp) continue;
    MFace* partner = nullptr;
    MLine* lines[5];
    MVertex* corners[4];
    MFaceUV::Pair uvs[4] = {};
    GetQuadCorners(face, &partner, lines, corners, uvs, nullptr, nullptr);
    if (partner != nullptr) partner->id = stamp;
    SurfFace* f = faces.Append();
    if (f == nullptr) return;
    f->shader = face->shader;
    MLine* first = lines[0];
    ENG_FATAL_IF(first->id < 0);
    f->firstEdge = &edges[first->id];
    if (first->backwardFace == face) f->flags = 1;
    else ENG_FATAL_IF(first->forwardFace != face);
    if (texturing && face->shader != nullptr && face->shader->HasTexture()) {
      SurfUVBlock* block = uvBlocks.Append();
      if (block == nullptr) return;
      for (int k = 0; k < 4; ++k) {
        block->uv[k][0] = uvs[k].u;
        block->uv[k][1] = uvs[k].v;
      }
      f->uv = block;
    }
    if (trackSources != 0) faceSources.Append()->face = face;
  }
  const int most = std::max(vertices.Count(), edges.Count());
  if (m.GetVisitStamp() < most) m.SetVisitStamp(most + 1);
}

// ---- one level of subdivision ----------------------------------------------------

void MMetaSurf::SwapToWork() {
  workVertices_.Swap(vertices);
  workEdges_.Swap(edges);
  workFaces_.Swap(faces);
  workUVBlocks_.Swap(uvBlocks);
  workVertexSources_.Swap(vertexSources);
  workEdgeSources_.Swap(edgeSources);
  workFaceSources_.Swap(faceSources);
}

void MMetaSurf::Subdivide() {
  segmentsPerEdge *= 2;
  SwapToWork();
  const int v = workVertices_.Count(), e = workEdges_.Count(), f = workFaces_.Count();
  if (!ReserveLevel(v + e + f, 2 * e + 4 * f, 4 * f, 4 * workUVBlocks_.Count())) return;
  int* vertexPointOf = EngAllocArray<int>(static_cast<std::size_t>(v) + 1);
  if (vertexPointOf == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  VertexPoints(vertexPointOf);
  if (!Failed()) EdgePoints();
  if (!Failed()) SplitEdges(vertexPointOf);
  if (!Failed()) FacePoints();
  if (!Failed() && trackSources != 0) {
    for (MVertex* cv : mesh->vertices)
      cv->id = (cv->id >= 0 && cv->id < v) ? vertexPointOf[cv->id] : -1;
  }
  EngFree(vertexPointOf);
}

void MMetaSurf::VertexPoints(int* vertexPointOf) {
  for (int i = 0; i < workVertices_.Count(); ++i) {
    SurfVertex& old = workVertices_[i];
    vertexPointOf[i] = -1;
    old.child = nullptr;
    if (old.firstEdge == nullptr) continue;
    const PointRecord p = old.position;
    PointRecord r{0, 0, 0}, mirrorSum{0, 0, 0}, fsum{0, 0, 0}, ra{0, 0, 0}, rb{0, 0, 0};
    int n = 0, k = 0, creases = old.sharpness > 0.0 ? 3 : 0, creaseEdges = 0, kindA = 0, kindB = 0;
    double s = 0.0;
    const SurfEdge* e = old.firstEdge;
    int guard = 0;
    do {
      ++n;
      const SurfVertex* far = e->OtherEnd(&old);
      if (IsSeamKind(e->mirrorKind)) {
        mirrorSum = VAdd(mirrorSum, far->position);
        ++k;
      } else {
        r = VAdd(r, far->position);
      }
      if (e->sharpness > 0.0) {
        ++creases;
        s += e->sharpness;
        if (creaseEdges == 0) ra = far->position, kindA = e->mirrorKind;
        else if (creaseEdges == 1) rb = far->position, kindB = e->mirrorKind;
        ++creaseEdges;
      }
      // The gap after e, unless it is the open side of a seam edge.
      const SurfEdge* next = old.NextEdgeAround(e);
      const bool openAfter = (e->mirrorKind == 2 && e->vertexA == &old) || (e->mirrorKind == 3 && e->vertexB == &old);
      const bool openBefore =
          (next->mirrorKind == 2 && next->vertexB == &old) || (next->mirrorKind == 3 && next->vertexA == &old);
      if (!openAfter && !openBefore) fsum = VAdd(fsum, GapCentroid(&old, e, kVertexPassThird));
      e = next;
      ENG_FATAL_IF(++guard > 100000);
    } while (e != old.firstEdge);

    PointRecord result;
    auto corner = [&](const PointRecord& smooth) {
      const double sc = s / creases;
      if (sc >= 1.0 || old.sharpness >= 1.0) return p;
      return VAdd(VScale(p, sc), VScale(smooth, 1.0 - sc));
    };
    if (k == 0) {
      const PointRecord smooth = VAdd(VScale(VAdd(fsum, r), 1.0 / (double(n) * n)), VScale(p, (n - 2.0) / n));
      if (creases <= 1) {
        result = smooth;
      } else if (creases == 2) {
        const PointRecord crease = VScale(VAdd(VScale(p, 6.0), VAdd(ra, rb)), 1.0 / 8.0);
        result = s < 2.0 ? VAdd(VScale(crease, s / 2.0), VScale(smooth, 1.0 - s / 2.0)) : crease;
      } else {
        result = corner(smooth);
      }
    } else {
      const double np = 2.0 * n - k;
      const PointRecord yz = VAdd(VScale(VAdd(VAdd(VScale(fsum, 2.0), VScale(r, 2.0)), mirrorSum), 1.0 / (np * np)),
                                  VScale(p, (np - 2.0) / np));
      const double x = mirrorSum.x / (np * np) + p.x * (np - 2.0) / np;
      const PointRecord smooth{x, yz.y, yz.z};
      if (creases == 0 || (creases == 1 && kindA != 0)) {
        result = smooth;
      } else if (creases == 1) {
        PointRecord crease = VScale(VAdd(VScale(p, 6.0), VScale(ra, 2.0)), 1.0 / 8.0);
        crease.x = 6.0 * p.x / 8.0;
        result = s < 1.0 ? VAdd(VScale(crease, s), VScale(smooth, 1.0 - s)) : crease;
      } else if (creases == 2 && kindA != 0 && kindB != 0) {
        const PointRecord crease = VScale(VAdd(VScale(p, 6.0), VAdd(ra, rb)), 1.0 / 8.0);
        result = s < 2.0 ? VAdd(VScale(crease, s / 2.0), VScale(smooth, 1.0 - s / 2.0)) : crease;
      } else {
        result = corner(smooth);
      }
    }
    SurfVertex* point = vertices.Append();
    if (point == nullptr) return;
    point->position = result;
    point->sharpness = std::max(0.0, old.sharpness - 1.0);
    point->flags = old.flags & 1;
    old.child = point;
    vertexPointOf[i] = vertices.Count() - 1;
    if (trackSources != 0) *vertexSources.Append() = workVertexSources_[i];
  }
}

void MMetaSurf::EdgePoints() {
  for (int i = 0; i < workEdges_.Count(); ++i) {
    SurfEdge& e = workEdges_[i];
    const PointRecord a = e.vertexA->position, b = e.vertexB->position;
    PointRecord result;
    if (e.sharpness >= 1.0) {
      result = VMid(a, b);
    } else {
      PointRecord fl = GapCentroid(e.vertexA, e.vertexA->PrevEdgeAround(&e), kEdgePassThird);
      PointRecord fr = GapCentroid(e.vertexA, &e, kEdgePassThird);
      if (e.mirrorKind == 3) fl = MirrorX(fr);
      if (e.mirrorKind == 2) fr = MirrorX(fl);
      const PointRecord smooth = VScale(VAdd(VAdd(a, b), VAdd(fl, fr)), 0.25);
      result = e.sharpness > 0.0 ? VAdd(VScale(VMid(a, b), e.sharpness), VScale(smooth, 1.0 - e.sharpness)) : smooth;
    }
    SurfVertex* point = vertices.Append();
    if (point == nullptr) return;
    point->position = result;
    point->flags = e.mirrorKind != 0 ? 1 : 0;
    e.child = point;
    if (trackSources != 0) *vertexSources.Append() = workEdgeSources_[i];
  }
}

void MMetaSurf::SplitEdges(const int* vertexPointOf) {
  auto halfSharpness = [&](const SurfEdge& e, const SurfVertex* x) {
    if (e.sharpness <= 0.0) return e.sharpness;
    int others = 0;
    double t = 0.0;
    const SurfEdge* around = x->firstEdge;
    int guard = 0;
    do {
      if (around != &e && around->sharpness > 0.0) {
        ++others;
        t = around->sharpness;
      }
      around = x->NextEdgeAround(around);
    } while (around != x->firstEdge && ++guard < 100000);
    const double c = (others == 1 && x->sharpness <= 0.0) ? 0.25 * t + 0.75 * e.sharpness : e.sharpness;
    return std::max(0.0, c - 1.0);
  };
  for (int i = 0; i < workEdges_.Count(); ++i) {
    SurfEdge& e = workEdges_[i];
    SurfEdge* toA = edges.Append();
    SurfEdge* toB = edges.Append();
    if (toA == nullptr || toB == nullptr) return;
    for (SurfEdge* half : {toA, toB}) {
      std::copy(e.colour, e.colour + 3, half->colour);
      half->lineWidth = e.lineWidth;
      half->lineKind = e.lineKind;
      half->mirrorKind = e.mirrorKind;
      half->vertexA = e.child;
    }
    if (e.mirrorKind == 2) toA->mirrorKind = 3;
    else if (e.mirrorKind == 3) toA->mirrorKind = 2;
    toA->vertexB = e.vertexA->child;
    toB->vertexB = e.vertexB->child;
    ENG_FATAL_IF(toA->vertexB == nullptr || toB->vertexB == nullptr);
    toA->nextAroundA = toB;
    toB->nextAroundA = toA;
    toA->sharpness = halfSharpness(e, e.vertexA);
    toB->sharpness = halfSharpness(e, e.vertexB);
    e.child->firstEdge = toA;
    if (trackSources != 0) {
      *edgeSources.Append() = workEdgeSources_[i];
      *edgeSources.Append() = workEdgeSources_[i];
    }
  }
  // Around each vertex point, the halves in the order of the old edges.
  SurfEdge* base = edges.Data();
  auto halfAt = [&](const SurfEdge* old, const SurfVertex* x) {
    const int i = static_cast<int>(old - workEdges_.Data());
    return old->vertexA == x ? base + 2 * i : base + 2 * i + 1;
  };
  for (int i = 0; i < workVertices_.Count(); ++i) {
    const SurfVertex& old = workVertices_[i];
    if (old.firstEdge == nullptr || vertexPointOf[i] < 0) continue;
    const SurfEdge* e = old.firstEdge;
    int guard = 0;
    do {
      const SurfEdge* next = old.NextEdgeAround(e);
      halfAt(e, &old)->nextAroundB = halfAt(next, &old);
      e = next;
      ENG_FATAL_IF(++guard > 100000);
    } while (e != old.firstEdge);
    old.child->firstEdge = halfAt(old.firstEdge, &old);
  }
}

void MMetaSurf::FacePoints() {
  SurfEdge* base = edges.Data();
  for (int i = 0; i < workFaces_.Count(); ++i) {
    SurfFace& face = workFaces_[i];
    SurfVertex* c[4];
    SurfEdge* e[4];
    const int n = SurfFace::GetCorners(&face, c, e);
    PointRecord centre{0, 0, 0};
    for (int k = 0; k < n; ++k) centre = VAdd(centre, c[k]->position);
    centre = VScale(centre, n == 3 ? kFacePassThird : 0.25);
    SurfVertex* point = vertices.Append();
    if (point == nullptr) return;
    point->position = centre;
    if (trackSources != 0) *vertexSources.Append() = workFaceSources_[i];
    const bool mirrorInner = e[0]->mirrorKind != 0 && e[1]->mirrorKind != 0 && e[2]->mirrorKind != 0;
    bool allOwnFlag = true;
    const SurfEdge* look = e[n - 1];
    for (int k = 0; k < n; ++k) allOwnFlag = allOwnFlag && e[k]->lineKind == 2;
    for (int k = n - 1; k >= 0; --k)
      if (e[k]->lineKind == 0) look = e[k];
    SurfEdge* inner[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int k = 0; k < n; ++k) {
      SurfEdge* in = edges.Append();
      if (in == nullptr) return;
      in->vertexA = e[k]->child;
      in->vertexB = point;
      in->mirrorKind = mirrorInner ? 1 : 0;
      in->lineKind = allOwnFlag ? 2 : 0;
      std::copy(look->colour, look->colour + 3, in->colour);
      in->lineWidth = look->lineWidth;
      inner[k] = in;
      if (trackSources != 0) *edgeSources.Append() = workFaceSources_[i];
    }
    point->firstEdge = inner[0];
    for (int k = 0; k < n; ++k) {
      inner[k]->nextAroundB = inner[(k + n - 1) % n];
      // Into the edge point's ring, between the half towards corner k and
      // the half towards corner k + 1.
      const int j = static_cast<int>(e[k] - workEdges_.Data());
      SurfEdge* towardsK = e[k]->vertexA == c[k] ? base + 2 * j : base + 2 * j + 1;
      SurfEdge* towardsNext = towardsK == base + 2 * j ? base + 2 * j + 1 : base + 2 * j;
      ENG_FATAL_IF(towardsK->nextAroundA == nullptr);
      towardsK->nextAroundA = inner[k];
      inner[k]->nextAroundA = towardsNext;
    }
    for (int k = 0; k < n; ++k) {
      SurfFace* quad = faces.Append();
      if (quad == nullptr) return;
      quad->shader = face.shader;
      quad->flags = 1;
      quad->firstEdge = inner[k];
      if (face.uv != nullptr) {
        SurfUVBlock* block = uvBlocks.Append();
        if (block == nullptr) return;
        const double(*uv)[2] = face.uv->uv;
        const int k1 = (k + 1) % n, k2 = (k + 2) % n;
        for (int a = 0; a < 2; ++a) {
          double mean = 0.0;
          for (int q = 0; q < n; ++q) mean += uv[q][a];
          block->uv[0][a] = mean / n;
          block->uv[1][a] = (uv[k][a] + uv[k1][a]) / 2.0;
          block->uv[2][a] = uv[k1][a];
          block->uv[3][a] = (uv[k1][a] + uv[k2][a]) / 2.0;
        }
        quad->uv = block;
      }
      if (trackSources != 0) *faceSources.Append() = workFaceSources_[i];
    }
  }
}

}  // namespace engine
