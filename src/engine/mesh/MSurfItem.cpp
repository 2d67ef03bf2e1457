// The surface records' walks, patch normals, corner normals that respect
// creases and the mirror seam, texture continuity, indexed output and the
// emitter that hands one patch to the renderer.
#include <algorithm>
#include <cmath>

#include "engine/core/QImp.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MMetaSurf.h"
#include "engine/mesh/MeshDrawing.h"

namespace engine {
namespace {

constexpr int kWalkLimit = 100000;

PointRecord Normalised(const PointRecord& v) {
  const double squared = VDot(v, v);
  if (squared <= 1e-16) return {0.0, 0.0, 1.0};
  return VScale(v, 1.0 / std::sqrt(squared));
}

PointRecord Cross(const SurfVertex* v, const SurfVertex* next, const SurfVertex* previous) {
  return VCross(VSub(next->position, v->position), VSub(previous->position, v->position));
}

// The face on the far side of an edge seen from v.
SurfFace* FarFace(const SurfEdge* e, const SurfVertex* v) { return e->vertexA == v ? e->faceAgainst : e->faceAlong; }

}  // namespace

SurfEdge* SurfVertex::NextEdgeAround(const SurfEdge* e) const {
  if (e->vertexA == this) return e->nextAroundA;
  ENG_FATAL_IF(e->vertexB != this);
  return e->nextAroundB;
}

SurfEdge* SurfVertex::PrevEdgeAround(const SurfEdge* e) const {
  const SurfEdge* walk = e;
  for (int guard = 0; guard < kWalkLimit; ++guard) {
    SurfEdge* next = NextEdgeAround(walk);
    if (next == e) return const_cast<SurfEdge*>(walk);
    walk = next;
  }
  ENG_FATAL();
}

int SurfVertex::CountFacedEdges() const {
  if (firstEdge == nullptr) return 0;
  int n = 0;
  const SurfEdge* e = firstEdge;
  int guard = 0;
  do {
    n += FarFace(e, this) != nullptr ? 1 : 0;
    e = NextEdgeAround(e);
  } while (e != firstEdge && ++guard < kWalkLimit);
  return n;
}

void SurfVertex::ComputeCornerNormal(PointRecord& out, const SurfEdge* leaving, const SurfEdge* arriving) const {
  const SurfVertex* farA = leaving->OtherEnd(this);
  const SurfVertex* farB = arriving->OtherEnd(this);
  if (sharpness > 0.0) {
    out = Normalised(Cross(this, farA, farB));
    return;
  }
  PointRecord sum = Cross(this, farA, farB);
  bool mirrorStop = false, forwardMirror = false, backwardMirror = false;
  int forwardSteps = 0, backwardSteps = 0;
  auto stops = [&](const SurfEdge* e, bool& mirror) {
    if (e->sharpness > 0.0 || e->mirrorKind != 0) {
      if (e->mirrorKind != 0) mirror = mirrorStop = true;
      return true;
    }
    return false;
  };
  const SurfEdge* current = leaving;
  for (int guard = 0; guard < kWalkLimit; ++guard) {
    if (stops(current, forwardMirror)) break;
    const SurfEdge* next = NextEdgeAround(current);
    if (next == leaving) {
      out = Normalised(sum);
      return;
    }
    sum = VAdd(sum, Cross(this, next->OtherEnd(this), current->OtherEnd(this)));
    ++forwardSteps;
    current = next;
  }
  current = arriving;
  for (int guard = 0; guard < kWalkLimit; ++guard) {
    if (stops(current, backwardMirror)) break;
    const SurfEdge* previous = PrevEdgeAround(current);
    if (previous == leaving || previous == arriving) break;
    sum = VAdd(sum, Cross(this, current->OtherEnd(this), previous->OtherEnd(this)));
    ++backwardSteps;
    current = previous;
  }
  out = Normalised(sum);
  const bool lonePatch = forwardSteps == 0 && backwardSteps == 0 && forwardMirror && backwardMirror;
  if (mirrorStop && !lonePatch) out.x = 0.0;
}

int SurfFace::GetCorners(const SurfFace* face, SurfVertex* corners[4], SurfEdge* edges[4]) {
  SurfEdge* e = face->firstEdge;
  SurfVertex* v = (face->flags & 1) != 0 ? e->vertexA : e->vertexB;
  SurfVertex* walkCorners[5];
  SurfEdge* walkEdges[4];
  int n = 0;
  for (;;) {
    ENG_FATAL_IF(n >= 4);
    walkCorners[n + 1] = v;
    walkEdges[n] = e;
    ++n;
    e = v->NextEdgeAround(e);
    v = e->OtherEnd(v);
    if (e == face->firstEdge) break;
  }
  // The walk closes on its first corner.
  ENG_FATAL_IF(n < 3 || walkCorners[n] != walkEdges[0]->OtherEnd(walkCorners[1]));
  corners[0] = walkCorners[n];
  for (int k = 1; k < n; ++k) corners[k] = walkCorners[k];
  for (int k = 0; k < n; ++k) edges[k] = walkEdges[k];
  return n;
}

PointRecord MetaSurfFaceNormal(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2) {
  return Normalised(VCross(VSub(p1, p0), VSub(p2, p0)));
}

void MMetaSurf::ComputeFaceNormals() {
  for (SurfFace& face : faces) {
    SurfVertex* c[4];
    SurfEdge* e[4];
    // Only a build without levels keeps triangles: their second normal is
    // their first.
    const int n = SurfFace::GetCorners(&face, c, e);
    VToFloats(MetaSurfFaceNormal(c[0]->position, c[1]->position, c[2]->position), face.normal1);
    VToFloats(MetaSurfFaceNormal(c[0]->position, c[2]->position, c[n - 1]->position), face.normal2);
    if (n == 3) std::copy(face.normal1, face.normal1 + 3, face.normal2);
    for (int k = 0; k < n; ++k) {
      if (e[k]->vertexA == c[k]) e[k]->faceAlong = &face;
      else e[k]->faceAgainst = &face;
    }
  }
}

bool MMetaSurf::GetCornerUV(const SurfVertex* vertex, const SurfFace* face, double& u, double& v) const {
  if (face->uv == nullptr) return false;
  SurfVertex* c[4];
  SurfEdge* e[4];
  const int n = SurfFace::GetCorners(face, c, e);
  for (int k = 0; k < n; ++k)
    if (c[k] == vertex) {
      u = face->uv->uv[k][0];
      v = face->uv->uv[k][1];
      return true;
    }
  return false;
}

bool MMetaSurf::HasContinuousUV(const SurfVertex* vertex) const {
  if (vertex->firstEdge == nullptr) return true;
  bool haveReference = false, someWithout = false;
  double u0 = 0, v0 = 0;
  const SurfEdge* e = vertex->firstEdge;
  int guard = 0;
  do {
    const SurfFace* face = FarFace(e, vertex);
    if (face != nullptr) {
      double u, v;
      if (!GetCornerUV(vertex, face, u, v)) {
        someWithout = true;
      } else if (!haveReference) {
        haveReference = true;
        u0 = u, v0 = v;
      } else if (std::fabs(u - u0) > 1e-8 || std::fabs(v - v0) > 1e-8) {
        return false;
      }
    }
    e = vertex->NextEdgeAround(e);
  } while (e != vertex->firstEdge && ++guard < kWalkLimit);
  return !(haveReference && someWithout);
}

bool MMetaSurf::IsSmoothForIndexing(const SurfVertex* vertex, bool checkUV) const {
  if (vertex->sharpness > 0.0) return false;
  if (vertex->firstEdge != nullptr) {
    const SurfEdge* e = vertex->firstEdge;
    int guard = 0;
    do {
      if (e->sharpness > 0.0 || e->mirrorKind != 0) return false;
      e = vertex->NextEdgeAround(e);
    } while (e != vertex->firstEdge && ++guard < kWalkLimit);
  }
  return checkUV ? HasContinuousUV(vertex) : true;
}

void MMetaSurf::PrepareIndexedOutput(QView* view) {
  const bool checkUV = mesh->CountTexturedShaders(nullptr);
  int total = 0;
  for (SurfVertex& v : vertices) {
    if (IsSmoothForIndexing(&v, checkUV)) {
      v.outputIndex = -1;
      ++total;
    } else {
      v.outputIndex = -2;
      total += v.CountFacedEdges();
    }
  }
  QImp* renderer = view->GetRenderer();
  renderer->SetVertexCount(total);
  renderer->SetFaceCount(faces.Count() * (renderer->GetRendererKind() == 1 ? 2 : 1));
}

void MetaSurfEmitPatch(QView* view, SurfFace* patch, MShader* material, MShader*& current, int style,
                       const PointRecord& eye, MShader* ownMaterial) {
  if (material == nullptr) return;
  QImp* renderer = view->GetRenderer();
  const bool textured = EngContext().textureMode != 0 && material->HasTexture() &&
                        !(material->sphereMap != 0 && style >= 10) && style != 4 && style != 5;
  if (material != current) {
    renderer->SetMaterial(material, current, textured, ownMaterial);
    current = material;
  }
  SurfVertex* c[4];
  SurfEdge* e[4];
  // Patches are quads; the triangles of a build without levels are not drawn.
  if (SurfFace::GetCorners(patch, c, e) != 4) return;
  float tex[4][2] = {};
  if (textured) {
    ENG_FATAL_IF(patch->uv == nullptr);
    renderer->EnableTexture(true);
    for (int k = 0; k < 4; ++k) {
      tex[k][0] = static_cast<float>(patch->uv->uv[k][0]);
      tex[k][1] = static_cast<float>(patch->uv->uv[k][1] + 1.0);
    }
  }
  PointRecord normals[4];
  if (style >= 2 && style <= 5) {
    const PointRecord flat = MetaSurfFaceNormal(c[0]->position, c[1]->position, c[2]->position);
    for (PointRecord& n : normals) n = flat;
  } else {
    for (int k = 0; k < 4; ++k) c[k]->ComputeCornerNormal(normals[k], e[k], e[(k + 3) % 4]);
  }
  if (style == 1 || style == 3 || style == 5)
    for (PointRecord& n : normals) n = VScale(n, -1.0);
  if (style < 10) {
    float p[4][3], n[4][3];
    for (int k = 0; k < 4; ++k) {
      VToFloats(c[k]->position, p[k]);
      VToFloats(normals[k], n[k]);
    }
    if (textured)
      renderer->DrawQuadTextured(p[0], n[0], tex[0], p[1], n[1], tex[1], p[2], n[2], tex[2], p[3], n[3], tex[3]);
    else
      renderer->DrawQuadNormals(p[0], n[0], p[1], n[1], p[2], n[2], p[3], n[3]);
    return;
  }
  const PointRecord points[4] = {c[0]->position, c[1]->position, c[2]->position, c[3]->position};
  int* words[4] = {&c[0]->outputIndex, &c[1]->outputIndex, &c[2]->outputIndex, &c[3]->outputIndex};
  const PointRecord face = MetaSurfFaceNormal(c[0]->position, c[1]->position, c[2]->position);
  MeshEmitToneFill(view, 4, points, normals, words, textured, &tex[0][0], material, eye, face);
}

}  // namespace engine
