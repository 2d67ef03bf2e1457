// Modelling: the smooth cubic patches through a face or a quad that the
// subdivision places new points on, and the fills of a triangle from the
// chains of vertices along its sides (one side divided, two, all three in
// smooth mode as a grid, all three in support mode). The quad fills are in
// MMeshObj_QuadFills.cpp.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/BezierPatch.h"
#include "engine/modeling/RegionFill.h"

namespace engine {
using namespace modeling;

namespace {

// The edge curve's inner control point leaves its corner at a third of the
// chord (seven digits, as stored patches were made).
constexpr double kThird = 0.3333333;

PointRecord Minus(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// The normal of a face's corner by its mode: the face's own, the stored
// one, or the vertex's.
PointRecord CornerNormal(const MFace* face, int corner, const MVertex* v) {
  switch (face->cornerModes[corner]) {
    case kCornerFlat: return face->GetNormal();
    case kCornerStored:
      if (face->normals != nullptr) return face->normals->normal[corner];
      return face->GetNormal();
    default: return v->normal;
  }
}

}  // namespace

// ---- the region's texture coordinates, faces and lines ------------------------------------------

namespace modeling {

RegionUVs::RegionUVs(const RefillRegion& region) {
  if (!region.textured) return;
  for (int k = 0; k < region.count; ++k) {
    const int n = SideCount(region, k);
    const MFaceUV::Pair a = region.cornerUV[k], b = region.cornerUV[(k + 1) % region.count];
    for (int i = 0; i < n; ++i) {
      const double f = n > 1 ? static_cast<double>(i) / (n - 1) : 0;
      if (!Add(SidePoint(region, k, i), a.u + f * (b.u - a.u), a.v + f * (b.v - a.v))) return;
    }
  }
}

bool RegionUVs::Add(const MVertex* v, double u, double w) {
  if (entries_.Add({v, u, w})) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

bool RegionUVs::Find(const MVertex* v, double& u, double& w) const {
  for (int i = 0; i < entries_.count; ++i)
    if (entries_[i].vertex == v) {
      u = entries_[i].u;
      w = entries_[i].v;
      return true;
    }
  return false;
}

bool RegionUVs::AddAt(const RefillRegion& region, const MVertex* v, double s, double t) {
  if (!region.textured) return true;
  const MFaceUV::Pair* c = region.cornerUV;
  if (region.count == 4)
    return Add(v, (1 - s) * (1 - t) * c[0].u + s * (1 - t) * c[1].u + s * t * c[2].u + (1 - s) * t * c[3].u,
               (1 - s) * (1 - t) * c[0].v + s * (1 - t) * c[1].v + s * t * c[2].v + (1 - s) * t * c[3].v);
  return Add(v, (1 - s - t) * c[0].u + s * c[1].u + t * c[2].u, (1 - s - t) * c[0].v + s * c[1].v + t * c[2].v);
}

MFace* RegionFace(MMeshObj& mesh, const RefillRegion& region, const RegionUVs& uvs, MVertex* a, MVertex* b,
                  MVertex* c) {
  MFace* face = mesh.AddFace(a, b, c, region.shader);
  if (face == nullptr) return nullptr;
  if (region.textured && face->IsTextured()) {
    double uv[3][2] = {};
    MVertex* corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) uvs.Find(corners[k], uv[k][0], uv[k][1]);
    face->SetUVs(uv[0][0], uv[0][1], uv[1][0], uv[1][1], uv[2][0], uv[2][1]);
  }
  if (region.newFaces != nullptr && !Append(region.newFaces, face)) return nullptr;
  return Failed() ? nullptr : face;
}

void MarkRegionLine(MVertex* a, MVertex* b, bool hide, MGroup* group) {
  MLine* line = a->FindLine(b);
  if (line == nullptr) return;
  if (hide) line->flags |= kLineHiddenDiagonal;
  if (group != nullptr) line->group = group;
}

MVertex* RegionVertex(MMeshObj& mesh, const RefillRegion& region, const PointRecord& p) {
  bool onMirror = true;
  for (int k = 0; k < region.count; ++k) onMirror = onMirror && (Corner(region, k)->flags & kVertexOnMirror);
  MVertex* v = mesh.AddVertex(onMirror ? PointRecord{0, p.y, p.z} : p);
  if (v == nullptr) return nullptr;
  if (onMirror) v->flags |= kVertexOnMirror;
  v->group = region.group;
  return v;
}

}  // namespace modeling

// ---- patches -------------------------------------------------------------------------------------

void MMeshObj::CurveTangentPoint(PointRecord& out, const PointRecord& p0, const PointRecord& n, const PointRecord& p1,
                                 bool straight) {
  const PointRecord w = Minus(p1, p0);
  const double length = MUtilLength(w);
  if (length < 1e-8) {
    out = p0;
    return;
  }
  PointRecord wn, v;
  OsUtilCrossProduct(w, n, wn);
  OsUtilCrossProduct(n, wn, v);
  const double lv = MUtilLength(v);
  if (lv * lv <= 1e-16 || straight) {
    out = {p0.x + kThird * w.x, p0.y + kThird * w.y, p0.z + kThird * w.z};
    return;
  }
  const double f = length * kThird / lv;
  out = {p0.x + f * v.x, p0.y + f * v.y, p0.z + f * v.z};
}

void MMeshObj::BuildTrianglePatch(MFace* face, BezierPatchRecord& patch) {
  MVertex* c[3];
  MLine* e[3];
  face->GetVertices(c);
  face->GetLines(e);
  PointRecord n[3];
  for (int k = 0; k < 3; ++k) n[k] = CornerNormal(face, k, c[k]);
  PointRecord* p = patch.control;
  patch.quad = 0;
  p[0] = c[0]->position;
  p[6] = c[1]->position;
  p[9] = c[2]->position;
  CurveTangentPoint(p[1], c[0]->position, n[0], c[1]->position, e[0]->IsSharp());
  CurveTangentPoint(p[3], c[1]->position, n[1], c[0]->position, e[0]->IsSharp());
  CurveTangentPoint(p[7], c[1]->position, n[1], c[2]->position, e[1]->IsSharp());
  CurveTangentPoint(p[8], c[2]->position, n[2], c[1]->position, e[1]->IsSharp());
  CurveTangentPoint(p[5], c[2]->position, n[2], c[0]->position, e[2]->IsSharp());
  CurveTangentPoint(p[2], c[0]->position, n[0], c[2]->position, e[2]->IsSharp());
  PointRecord centre{0, 0, 0};
  for (int k : {1, 2, 3, 5, 7, 8}) {
    centre.x += p[k].x * 0.16666666666666666;
    centre.y += p[k].y * 0.16666666666666666;
    centre.z += p[k].z * 0.16666666666666666;
  }
  p[4] = centre;
}

void MMeshObj::BuildQuadPatch(MFace* face, BezierPatchRecord& patch) {
  MFace* partner = nullptr;
  MLine* e[5];
  MVertex* q[4];
  GetQuadCorners(face, &partner, e, q, nullptr, nullptr, nullptr);
  if (partner == nullptr) return BuildTrianglePatch(face, patch);
  PointRecord n[4];
  for (int k = 0; k < 4; ++k) {
    MFace* owner = face->CornerIndex(q[k]) >= 0 ? face : partner;
    n[k] = CornerNormal(owner, owner->CornerIndex(q[k]), q[k]);
  }
  patch.quad = 1;
  PointRecord* p = patch.control;
  p[0] = q[0]->position;
  p[12] = q[1]->position;
  p[15] = q[2]->position;
  p[3] = q[3]->position;
  auto tangent = [&](PointRecord& out, int from, int to, const MLine* edge) {
    CurveTangentPoint(out, q[from]->position, n[from], q[to]->position, edge->IsSharp());
  };
  tangent(p[4], 0, 1, e[0]);
  tangent(p[8], 1, 0, e[0]);
  tangent(p[13], 1, 2, e[1]);
  tangent(p[14], 2, 1, e[1]);
  tangent(p[11], 2, 3, e[2]);
  tangent(p[7], 3, 2, e[2]);
  tangent(p[2], 3, 0, e[3]);
  tangent(p[1], 0, 3, e[3]);
  auto parallelogram = [](const PointRecord& a, const PointRecord& b, const PointRecord& c) {
    return PointRecord{a.x + b.x - c.x, a.y + b.y - c.y, a.z + b.z - c.z};
  };
  p[5] = parallelogram(p[4], p[1], p[0]);
  p[9] = parallelogram(p[13], p[8], p[12]);
  p[10] = parallelogram(p[14], p[11], p[15]);
  p[6] = parallelogram(p[7], p[2], p[3]);
}

void MMeshObj::PatchAlongEdge(MFace* face, MLine* line, const MVertex* from, BezierPatchRecord& patch) {
  BuildTrianglePatch(face, patch);
  MLine* e[3];
  MVertex* c[3];
  face->GetLines(e);
  face->GetVertices(c);
  for (int k = 0; k < 3; ++k)
    if (e[k] == line) patch.SetEdge(k, c[k] == from);
}

bool MMeshObj::SetupPatchForEdge(MVertex* a, MVertex* b, BezierPatchRecord& patch) {
  MLine* line = a->FindLine(b);
  if (line == nullptr || !line->HasFace()) return false;
  PatchAlongEdge(line->forwardFace != nullptr ? line->forwardFace : line->backwardFace, line, a, patch);
  return true;
}

// ---- triangle fills ------------------------------------------------------------------------------

void MMeshObj::FillTriangleOneSide(const RefillRegion& region) {
  int d = 0;
  for (int k = 0; k < 3; ++k)
    if (SideCount(region, k) > 2) {
      d = k;
      break;
    }
  RegionUVs uvs(region);
  MVertex* opposite = Corner(region, d + 2);
  const int n = SideCount(region, d);
  for (int j = 0; j + 1 < n; ++j) {
    if (RegionFace(*this, region, uvs, opposite, SidePoint(region, d, j), SidePoint(region, d, j + 1)) == nullptr)
      return;
    if (j > 0) MarkRegionLine(opposite, SidePoint(region, d, j), false, region.group);
  }
}

void MMeshObj::FillTriangleTwoSides(const RefillRegion& region) {
  int u = 0;
  while (u < 3 && SideCount(region, u) != 2) ++u;
  if (u == 3 || SideCount(region, u + 1) != SideCount(region, u + 2)) return EngRecordFailure(kEngReasonTopologyConflict);
  const int m = SideCount(region, u + 1);
  auto a = [&](int i) { return SidePoint(region, u + 1, i); };
  auto b = [&](int i) { return SidePoint(region, u + 2, i); };
  RegionUVs uvs(region);
  if (RegionFace(*this, region, uvs, a(m - 2), b(0), b(1)) == nullptr) return;
  for (int i = 1; i <= m - 2; ++i) {
    if (RegionFace(*this, region, uvs, a(m - 1 - i), b(i), a(m - 2 - i)) == nullptr) return;
    if (RegionFace(*this, region, uvs, b(i), b(i + 1), a(m - 2 - i)) == nullptr) return;
    MarkRegionLine(b(i), a(m - 2 - i), true, region.group);
    MarkRegionLine(a(m - 1 - i), b(i), false, region.group);
  }
}

void MMeshObj::FillTriangleGrid(const RefillRegion& region, const BezierPatchRecord& patch, bool hideRows) {
  const int m = SideCount(region, 0);
  if (SideCount(region, 1) != m || SideCount(region, 2) != m) return EngRecordFailure(kEngReasonTopologyConflict);
  RegionUVs uvs(region);
  PtrArray previous, row;
  if (!Append(previous, Corner(region, 0))) return;
  for (int r = 1; r <= m - 1; ++r) {
    row.count = 0;
    if (r == m - 1) {
      for (int i = 0; i < m; ++i)
        if (!Append(row, SidePoint(region, 1, i))) return;
    } else {
      if (!Append(row, SidePoint(region, 0, r))) return;
      const double f = static_cast<double>(r) / (m - 1);
      for (int k = 1; k <= r - 1; ++k) {
        const double s = f * (1 - static_cast<double>(k) / r), t = f * k / r;
        MVertex* v = RegionVertex(*this, region, patch.TrianglePoint(s, t));
        if (v == nullptr || !uvs.AddAt(region, v, s, t) || !Append(row, v)) return;
      }
      if (!Append(row, SidePoint(region, 2, m - 1 - r))) return;
    }
    for (int g = 0; g <= r - 1; ++g) {
      MVertex *p0 = At<MVertex>(previous, g), *c0 = At<MVertex>(row, g), *c1 = At<MVertex>(row, g + 1);
      if (g > 0 && RegionFace(*this, region, uvs, At<MVertex>(previous, g - 1), c0, p0) == nullptr) return;
      if (RegionFace(*this, region, uvs, p0, c0, c1) == nullptr) return;
    }
    // Lines inside the region take the group; with hideRows the rows are
    // hidden (two such grids make one quad grid).
    const bool insideRow = r <= m - 2 || hideRows;
    for (int g = 0; g + 1 < row.count; ++g)
      if (insideRow) MarkRegionLine(At<MVertex>(row, g), At<MVertex>(row, g + 1), hideRows, region.group);
    for (int g = 0; g < previous.count; ++g)
      for (int h : {g, g + 1}) {
        const bool onSide = (g == 0 && h == 0) || (g == previous.count - 1 && h == row.count - 1);
        if (!onSide) MarkRegionLine(At<MVertex>(previous, g), At<MVertex>(row, h), false, region.group);
      }
    previous.count = 0;
    for (int i = 0; i < row.count; ++i)
      if (!Append(previous, row[i])) return;
  }
}

namespace {

bool RingHoldsLoneVertex(const MMeshObj& mesh, MVertex* corner) {
  if (mesh.loneVertexList == nullptr) return false;
  for (int i = 0; i < mesh.loneVertexList->count; ++i)
    if (corner->IsInRing(At<MVertex>(*mesh.loneVertexList, i))) return true;
  return false;
}

}  // namespace

void MMeshObj::LabelSupportCorners(const RefillRegion& region) {
  for (int k = 0; k < region.count; ++k) {
    MVertex* corner = Corner(region, k);
    SetLabel(corner, kLabelCorner);
    if (!RingHoldsLoneVertex(*this, corner)) continue;
    SetLabel(SidePoint(region, k, 1), kLabelNearLone);
    SetLabel(SidePoint(region, k - 1, SideCount(region, k - 1) - 2), kLabelNearLone);
  }
}

void MMeshObj::FillTriangleSupport(const RefillRegion& region) {
  for (int k = 0; k < 3; ++k)
    if (SideCount(region, k) != 4) return EngRecordFailure(kEngReasonTopologyConflict);
  RegionUVs uvs(region);
  PointRecord g{0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    const PointRecord& p = Corner(region, k)->position;
    g = {g.x + p.x / 3, g.y + p.y / 3, g.z + p.z / 3};
  }
  MVertex* inner[3];
  for (int k = 0; k < 3; ++k) {
    PointRecord p;
    CornerBisectorPoint(p, SidePoint(region, k - 1, 2)->position, SidePoint(region, k, 1)->position,
                        Corner(region, k)->position, g);
    inner[k] = RegionVertex(*this, region, p);
    if (inner[k] == nullptr) return;
    SetLabel(inner[k], kLabelInner);
    // Its texture coordinates from its place in the triangle.
    double s = 0, t = 0;
    MUtilTriangleCoords(Corner(region, 0)->position, Corner(region, 1)->position, Corner(region, 2)->position, p, s,
                        t);
    if (!uvs.AddAt(region, inner[k], s, t)) return;
  }
  LabelSupportCorners(region);
  for (int k = 0; k < 3; ++k) {
    MVertex* corner = Corner(region, k);
    MVertex *p1 = SidePoint(region, k, 1), *p2 = SidePoint(region, k, 2), *before = SidePoint(region, k - 1, 2);
    if (RegionFace(*this, region, uvs, corner, inner[k], before) == nullptr ||
        RegionFace(*this, region, uvs, corner, p1, inner[k]) == nullptr ||
        RegionFace(*this, region, uvs, p1, p2, inner[k]) == nullptr ||
        RegionFace(*this, region, uvs, p2, inner[(k + 1) % 3], inner[k]) == nullptr)
      return;
  }
  for (int k = 0; k < 3; ++k) {
    MarkRegionLine(inner[k], Corner(region, k), true, nullptr);
    MarkRegionLine(inner[k], SidePoint(region, k, 2), true, nullptr);
  }
  RegionFace(*this, region, uvs, inner[0], inner[1], inner[2]);
}

}  // namespace engine
