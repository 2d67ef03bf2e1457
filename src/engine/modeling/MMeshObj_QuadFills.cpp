// Modelling: the fills of a quad from the chains of vertices along its
// four sides: a grid when all four are divided (smooth or support mode),
// strips for two opposite sides, a cut into two triangles for two
// neighbouring sides, fans for one side, and the three-side patch. Each
// keeps quads by hiding the diagonals of its strip cells.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/BezierPatch.h"
#include "engine/modeling/RegionFill.h"

namespace engine {
using namespace modeling;

namespace {

PointRecord Direction(const PointRecord& from, const PointRecord& to) {
  PointRecord d{to.x - from.x, to.y - from.y, to.z - from.z};
  OsUtilNormalize(d);
  return d;
}

// How well X closes the triangle on a-b: the cosines of its angles at a
// and at b.
double CornerScore(const PointRecord& a, const PointRecord& b, const PointRecord& x) {
  const PointRecord ab = Direction(a, b), ax = Direction(a, x), ba = Direction(b, a), bx = Direction(b, x);
  return ab.x * ax.x + ab.y * ax.y + ab.z * ax.z + ba.x * bx.x + ba.y * bx.y + ba.z * bx.z;
}

// A region over other sides, with the corner coordinates the parent's
// texture coordinates give its corners. The side arrays are the caller's.
RefillRegion SubRegion(const RefillRegion& parent, const RegionUVs& uvs, int count, PtrArray* const sides[]) {
  RefillRegion region = parent;
  region.count = count;
  for (int k = 0; k < 4; ++k) region.sides[k] = k < count ? sides[k] : nullptr;
  if (parent.textured)
    for (int k = 0; k < count; ++k) uvs.Find(Corner(region, k), region.cornerUV[k].u, region.cornerUV[k].v);
  return region;
}

// A side of two vertices.
bool Pair(PtrArray& out, MVertex* a, MVertex* b) {
  out.count = 0;
  return Append(out, a) && Append(out, b);
}

}  // namespace

void MMeshObj::RemoveQuadFaces(MFace* face, MFace* partner) {
  if (face != nullptr && MItemIsLive(face)) face->Remove(1);
  if (partner != nullptr && MItemIsLive(partner)) partner->Remove(1);
}

void MMeshObj::FillQuadGrid(const RefillRegion& region, const BezierPatchRecord& patch) {
  const int n = SideCount(region, 0);
  for (int k = 1; k < 4; ++k)
    if (SideCount(region, k) != n) return EngRecordFailure(kEngReasonTopologyConflict);
  const bool support = supportDistance > 0;
  RegionUVs uvs(region);
  PointRecord mean{0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    const PointRecord& p = Corner(region, k)->position;
    mean = {mean.x + p.x / 4, mean.y + p.y / 4, mean.z + p.z / 4};
  }
  PtrArray previous, row;
  for (int i = n - 1; i >= 0; --i)
    if (!Append(previous, SidePoint(region, 3, i))) return;
  for (int i = 1; i <= n - 1; ++i) {
    row.count = 0;
    if (i == n - 1) {
      for (int j = 0; j < n; ++j)
        if (!Append(row, SidePoint(region, 1, j))) return;
    } else {
      if (!Append(row, SidePoint(region, 0, i))) return;
      for (int j = 1; j <= n - 2; ++j) {
        const double s = static_cast<double>(i) / (n - 1), t = static_cast<double>(j) / (n - 1);
        PointRecord p;
        if (!support) {
          p = patch.TrianglePoint(s, t);
        } else {
          // Near the nearest corner, on its bisector.
          const int corner = s < 0.5 ? (t < 0.5 ? 0 : 3) : (t < 0.5 ? 1 : 2);
          CornerBisectorPoint(p, SidePoint(region, corner - 1, n - 2)->position,
                              SidePoint(region, corner, 1)->position, Corner(region, corner)->position, mean);
        }
        MVertex* v = RegionVertex(*this, region, p);
        if (v == nullptr || !uvs.AddAt(region, v, s, t) || !Append(row, v)) return;
        if (support) SetLabel(v, kLabelInner);
      }
      if (!Append(row, SidePoint(region, 2, n - 1 - i))) return;
    }
    for (int l = 1; l <= n - 1; ++l) {
      MVertex *p0 = At<MVertex>(previous, l - 1), *p1 = At<MVertex>(previous, l);
      MVertex *c0 = At<MVertex>(row, l - 1), *c1 = At<MVertex>(row, l);
      if (RegionFace(*this, region, uvs, p0, c0, p1) == nullptr) return;
      if (RegionFace(*this, region, uvs, p1, c0, c1) == nullptr) return;
      MarkRegionLine(c0, p1, true, region.group);
      if (region.group != nullptr) {
        MarkRegionLine(p0, c0, false, region.group);
        MarkRegionLine(p0, p1, false, region.group);
        MarkRegionLine(c0, c1, false, region.group);
        MarkRegionLine(p1, c1, false, region.group);
      }
    }
    previous.count = 0;
    for (int j = 0; j < row.count; ++j)
      if (!Append(previous, row[j])) return;
  }
  if (support) LabelSupportCorners(region);
}

void MMeshObj::FillQuadOppositeSides(const RefillRegion& region, int k) {
  const int n = SideCount(region, k);
  if (SideCount(region, k + 2) != n) return EngRecordFailure(kEngReasonTopologyConflict);
  RegionUVs uvs(region);
  auto a = [&](int i) { return SidePoint(region, k, i); };
  auto b = [&](int i) { return SidePoint(region, k + 2, i); };
  for (int i = 1; i <= n - 1; ++i) {
    if (RegionFace(*this, region, uvs, a(i - 1), a(i), b(n - i)) == nullptr) return;
    if (RegionFace(*this, region, uvs, a(i), b(n - 1 - i), b(n - i)) == nullptr) return;
    MarkRegionLine(b(n - i), a(i), true, region.group);
    if (i > 1) MarkRegionLine(a(i - 1), b(n - i), false, region.group);
  }
}

void MMeshObj::FillQuadAdjacentSides(const RefillRegion& region, int k) {
  RegionUVs uvs(region);
  MVertex* start = Corner(region, k);
  MVertex* end = Corner(region, k + 2);
  PtrArray cut, back;
  if (!Pair(cut, end, start) || !Pair(back, start, end)) return;
  PtrArray* twoSides[3] = {region.sides[k % 4], region.sides[(k + 1) % 4], &cut};
  PtrArray* rest[3] = {&back, region.sides[(k + 2) % 4], region.sides[(k + 3) % 4]};
  FillTriangleTwoSides(SubRegion(region, uvs, 3, twoSides));
  if (!Failed()) FillTriangleOneSide(SubRegion(region, uvs, 3, rest));
  if (!Failed()) MarkRegionLine(start, end, false, region.group);
}

void MMeshObj::FillQuadTwoSides(const RefillRegion& region, MFace* face, MFace* partner) {
  RemoveQuadFaces(face, partner);
  int divided[2], found = 0;
  for (int k = 0; k < 4; ++k)
    if (SideCount(region, k) > 2 && found < 2) divided[found++] = k;
  if (found != 2) return EngRecordFailure(kEngReasonTopologyConflict);
  if (divided[1] - divided[0] == 2) return FillQuadOppositeSides(region, divided[0]);
  // Neighbours: the first is the one the other follows round the loop.
  FillQuadAdjacentSides(region, divided[1] - divided[0] == 1 ? divided[0] : divided[1]);
}

void MMeshObj::FillQuadOneSide(const RefillRegion& region, MFace* face, MFace* partner) {
  RemoveQuadFaces(face, partner);
  int k = 0;
  while (k < 4 && SideCount(region, k) <= 2) ++k;
  if (k == 4) return EngRecordFailure(kEngReasonTopologyConflict);
  RegionUVs uvs(region);
  MVertex *a = Corner(region, k), *b = Corner(region, k + 1), *c = Corner(region, k + 2), *d = Corner(region, k + 3);
  PtrArray s1, s2;
  MVertex* apex = CornerScore(a->position, b->position, c->position) <
                          CornerScore(a->position, b->position, d->position)
                      ? d
                      : c;
  if (!Pair(s1, b, apex) || !Pair(s2, apex, a)) return;
  PtrArray* fan[3] = {region.sides[k], &s1, &s2};
  FillTriangleOneSide(SubRegion(region, uvs, 3, fan));
  if (Failed()) return;
  if (apex == d) {
    if (RegionFace(*this, region, uvs, b, c, d) == nullptr) return;
    MarkRegionLine(b, d, true, region.group);
  } else {
    if (RegionFace(*this, region, uvs, a, c, d) == nullptr) return;
    MarkRegionLine(a, c, true, region.group);
  }
}

void MMeshObj::FillPatch(const RefillRegion& region, MFace* face, MFace* partner) {
  RemoveQuadFaces(face, partner);
  int k = 0;
  while (k < 4 && SideCount(region, k) > 2) ++k;
  if (k == 4) return EngRecordFailure(kEngReasonTopologyConflict);
  RegionUVs uvs(region);
  MVertex *a = Corner(region, k), *b = Corner(region, k + 1), *d = Corner(region, k + 3);
  MVertex* q = SidePoint(region, k + 1, 1);
  PtrArray ab, bd, db, ca;
  if (CornerScore(a->position, b->position, q->position) < CornerScore(a->position, b->position, d->position)) {
    // Side k + 3 fanned from b, then the strip of sides k + 1 and k + 2
    // closing on b-d.
    if (!Pair(ab, a, b) || !Pair(bd, b, d) || !Pair(db, d, b)) return;
    PtrArray* fan[3] = {&ab, &bd, region.sides[(k + 3) % 4]};
    FillTriangleOneSide(SubRegion(region, uvs, 3, fan));
    PtrArray* strip[3] = {region.sides[(k + 1) % 4], region.sides[(k + 2) % 4], &db};
    if (!Failed()) FillTriangleTwoSides(SubRegion(region, uvs, 3, strip));
    if (!Failed()) MarkRegionLine(b, d, false, region.group);
    return;
  }
  // Side k + 1 fanned from a, then the strip of sides k + 2 and k + 3
  // closing on the line from corner k + 2 to a.
  const int n = SideCount(region, k + 1);
  for (int j = 0; j + 1 < n; ++j)
    if (RegionFace(*this, region, uvs, a, SidePoint(region, k + 1, j), SidePoint(region, k + 1, j + 1)) == nullptr)
      return;
  if (!Pair(ca, a, Corner(region, k + 2))) return;
  PtrArray* strip[3] = {&ca, region.sides[(k + 2) % 4], region.sides[(k + 3) % 4]};
  FillTriangleTwoSides(SubRegion(region, uvs, 3, strip));
  if (!Failed()) MarkRegionLine(a, q, false, region.group);
}

void MMeshObj::FillQuadAsTriangles(const RefillRegion& region, MFace* face, MFace* partner) {
  const int n = SideCount(region, 0);
  for (int k = 1; k < 4; ++k)
    if (SideCount(region, k) != n) return EngRecordFailure(kEngReasonTopologyConflict);
  MVertex* c0 = Corner(region, 0);
  MVertex* c2 = Corner(region, 2);
  MLine* diagonal = c0->FindLine(c2);
  if (diagonal == nullptr || diagonal->forwardFace == nullptr || diagonal->backwardFace == nullptr)
    return EngRecordFailure(kEngReasonTopologyConflict);
  // The half with corner 1 below the diagonal, the other above it; each
  // patch has the diagonal as its edge.
  MFace* lowerFace = diagonal->forwardFace->CornerIndex(Corner(region, 1)) >= 0 ? diagonal->forwardFace
                                                                                : diagonal->backwardFace;
  MFace* upperFace = lowerFace == diagonal->forwardFace ? diagonal->backwardFace : diagonal->forwardFace;
  BezierPatchRecord first, second;
  PatchAlongEdge(lowerFace, diagonal, c0, first);
  PatchAlongEdge(upperFace, diagonal, c0, second);
  RegionUVs uvs(region);
  PtrArray chain, reversed;
  for (int i = 0; i < n; ++i) {
    MVertex* v = i == 0 ? c0 : i == n - 1 ? c2 : RegionVertex(*this, region, first.EdgePoint(static_cast<double>(i) / (n - 1)));
    if (v == nullptr || !Append(chain, v)) return;
  }
  for (int i = n - 1; i >= 0; --i)
    if (!Append(reversed, chain[i])) return;
  RemoveQuadFaces(face, partner);
  PtrArray* lower[3] = {region.sides[0], region.sides[1], &reversed};
  PtrArray* upper[3] = {region.sides[2], region.sides[3], &chain};
  FillTriangleGrid(SubRegion(region, uvs, 3, lower), first, true);
  if (!Failed()) FillTriangleGrid(SubRegion(region, uvs, 3, upper), second, true);
}

}  // namespace engine
