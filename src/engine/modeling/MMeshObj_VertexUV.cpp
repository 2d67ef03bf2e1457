// Modelling: the texture coordinates of the corners at one vertex: the
// faces on one side of a seam, and how fast u and v change along each axis
// around the vertex. (Moving them is in MMeshObj_Shaders.cpp.)
#include <cmath>

#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

bool Textured(const MFace* face) { return face->IsTextured() && face->uv != nullptr; }

// The face's corner in v's ring, or -1.
int CornerOfRing(const MFace* face, MVertex* v) {
  MVertex* c[3];
  face->GetVertices(c);
  for (int k = 0; k < 3; ++k)
    if (v->IsInRing(c[k])) return k;
  return -1;
}

bool FacesAroundRing(MVertex* v, PtrArray& out) {
  PtrArray ring;
  v->CollectRing(ring);
  for (int i = 0; i < ring.count && !Failed(); ++i) At<MVertex>(ring, i)->CollectFaces(out);
  return !Failed();
}

}  // namespace

void MMeshObj::CollectSameUVFaces(MVertex* v, MFace* face, PtrArray& out) {
  if (EngContext().textureMode == 0) return;
  PtrArray around;
  if (!FacesAroundRing(v, around)) return;
  const MShader* shader = nullptr;
  MFaceUV::Pair at{0, 0};
  for (int i = 0; i < around.count; ++i) {
    MFace* f = At<MFace>(around, i);
    if (!Textured(f)) continue;
    const int k = CornerOfRing(f, v);
    if (k < 0) continue;
    shader = f->shader;
    at = f->uv->corner[k];
    if (f == face) break;
  }
  if (shader == nullptr) return;
  const int first = out.count;
  for (int i = 0; i < around.count; ++i) {
    MFace* f = At<MFace>(around, i);
    if (!Textured(f) || f->shader != shader) continue;
    const int k = CornerOfRing(f, v);
    if (k < 0) continue;
    const MFaceUV::Pair p = f->uv->corner[k];
    if (std::fabs(p.u - at.u) <= 1e-8 && std::fabs(p.v - at.v) <= 1e-8 && !Append(out, f)) return;
  }
  SaveEditState();
  for (int i = first; i < out.count && !Failed(); ++i) At<MFace>(out, i)->SaveUndo();
}

void MMeshObj::VertexUVGradient(MVertex* v, const PtrArray* faceList, PointRecord& uRates, PointRecord& vRates) {
  uRates = vRates = {0, 0, 0};
  if (EngContext().textureMode == 0) return;
  PtrArray around;
  if (faceList == nullptr) {
    if (!FacesAroundRing(v, around)) return;
    faceList = &around;
  }
  // 3D positions while a path cut runs, else the last screen projection.
  const bool spatial = pathVertexList != nullptr;
  auto position = [&](const MVertex* x) {
    return spatial ? x->position : PointRecord{x->screenX, x->screenY, x->screenDepth};
  };
  double sxx = 0, syy = 0, szz = 0, sxu = 0, syu = 0, szu = 0, sxv = 0, syv = 0, szv = 0;
  for (int i = 0; i < faceList->count; ++i) {
    MFace* f = At<MFace>(*faceList, i);
    if (!Textured(f)) continue;
    const int k = CornerOfRing(f, v);
    if (k < 0) continue;
    MVertex* c[3];
    f->GetVertices(c);
    const PointRecord origin = position(c[k]);
    for (int j = 1; j <= 2; ++j) {
      const int other = (k + j) % 3;
      const PointRecord p = position(c[other]);
      const double dx = p.x - origin.x, dy = p.y - origin.y, dz = spatial ? p.z - origin.z : 0;
      const double du = f->uv->corner[other].u - f->uv->corner[k].u;
      const double dv = f->uv->corner[other].v - f->uv->corner[k].v;
      sxx += dx * dx;
      syy += dy * dy;
      szz += dz * dz;
      sxu += dx * du;
      syu += dy * du;
      szu += dz * du;
      sxv += dx * dv;
      syv += dy * dv;
      szv += dz * dv;
    }
  }
  auto rate = [](double s, double d) { return d > 1e-16 ? s / d : 0.0; };
  uRates = {rate(sxu, sxx), rate(syu, syy), rate(szu, szz)};
  vRates = {rate(sxv, sxx), rate(syv, syy), rate(szv, szz)};
}

}  // namespace engine
