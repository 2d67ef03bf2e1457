// Lines: geometry, attributes, curves through free lines and the crossing
// of segments in a face's parameter plane.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

constexpr double kEpsilon = 1e-8;

PointRecord Lerp(const PointRecord& a, const PointRecord& b, double t) {
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double Cross2D(double ux, double uy, double vx, double vy) { return ux * vy - uy * vx; }

bool Refuse() {
  if (EngContext().failState == kEngFailNone) {
    EngContext().failState = kEngFailDeclined;
    EngContext().failReason = kEngReasonDegenerateIntersection;
  }
  return false;
}

bool Near(const Point2D& p, const Point2D& a) {
  return std::fabs(p.x - a.x) <= kEpsilon && std::fabs(p.y - a.y) <= kEpsilon;
}

}  // namespace

// ---- geometry -----------------------------------------------------------------

PointRecord MLine::PointAt(double t) const { return Lerp(end0->position, end1->position, t); }

double MLine::GetParamOfPoint(const PointRecord& point) const {
  const double length = MUtilDistance(end0->position, end1->position);
  if (length < kEpsilon) return 0.5;
  const double t = MUtilDistance(point, end0->position) / length;
  return t > 1 ? 1 : t;
}

double MLine::DistanceToPoint(const PointRecord& point, PointRecord* closest) const {
  double t = 0;
  const double squared = MUtilPointSegmentDistanceSquared(point, end0->position, end1->position, &t);
  if (closest != nullptr) *closest = t <= 0 ? end0->position : t >= 1 ? end1->position : PointAt(t);
  return std::sqrt(squared);
}

double MLine::SquaredDistanceToPoint(const PointRecord& point, double& t) const {
  return MUtilPointSegmentDistanceSquared(point, end0->position, end1->position, &t);
}

bool MLine::GetFaceCosine(double& cosine) const {
  if (forwardFace != nullptr && backwardFace != nullptr) {
    cosine = Dot(forwardFace->GetNormal(), backwardFace->GetNormal());
    return true;
  }
  const MFace* only = forwardFace != nullptr ? forwardFace : backwardFace;
  if (only == nullptr || !IsOnMirrorPlane()) return false;
  const PointRecord n = only->GetNormal();
  cosine = Dot(n, {-n.x, n.y, n.z});
  return true;
}

bool MLine::IsSharperThan(double threshold, bool useThreshold) const {
  if (flags & kLineHiddenDiagonal) return false;
  double cosine = 0;
  return GetFaceCosine(cosine) && cosine < (useThreshold ? threshold : 0.34);
}

bool MLine::MarkSharpByAngle(double threshold, bool useThreshold) {
  const bool sharper = IsSharperThan(threshold, useThreshold);
  if (sharper) flags |= kLineSharp;
  return sharper;
}

// ---- attributes ---------------------------------------------------------------

bool MLine::IsOnMirrorPlane() const {
  return (end0->flags & kVertexOnMirror) != 0 && (end1->flags & kVertexOnMirror) != 0;
}

void MLine::CopyAttributesTo(MLine* target) const {
  target->flags = flags;
  target->group = group;
  target->colourR = colourR;
  target->colourG = colourG;
  target->colourB = colourB;
}

void MLine::MergeAttributes(MLine* other) {
  std::uint32_t both = flags | other->flags;
  // A line that becomes sharp by merging cannot stay a hidden quad diagonal.
  if ((both & kLineSharp) && !(both & kLineNotSharp) && (both & kLineHiddenDiagonal)) both &= ~kLineHiddenDiagonal;
  flags = both;
  other->flags = both;
  MGroup* const shared = group != nullptr ? group : other->group;
  group = shared;
  other->group = shared;
}

void MLine::SetCreaseWeight(int weight) {
  ENG_FATAL_IF(weight < 0 || weight > 255);
  const std::uint32_t high = static_cast<std::uint32_t>(weight / 16);
  const std::uint32_t low = static_cast<std::uint32_t>((weight % 16) / 2);
  flags = (flags & ~static_cast<std::uint32_t>(kLineCreaseMask)) | high << 24 | low << 28;
}

int MLine::GetCreaseWeight() const {
  if (IsSharp()) return 255;
  return 16 * static_cast<int>((flags >> 24) & 0xF) + 2 * static_cast<int>((flags >> 28) & 0xF);
}

void MLine::SetColour(const PointRecord& rgb) {
  // Values outside 0..1 are held to it: a byte would wrap them round.
  auto byte = [](double c) { return static_cast<unsigned char>(std::fmin(std::fmax(c, 0.0), 1.0) * 255); };
  colourR = byte(rgb.x);
  colourG = byte(rgb.y);
  colourB = byte(rgb.z);
}

// ---- crossings in the face-parameter plane ------------------------------------

bool LineIntersect2D(const Point2D& a, const Point2D& b, const Point2D& p, const Point2D& q, int mode, double& s) {
  if (mode == 1 && (Near(p, a) || Near(p, b) || Near(q, a) || Near(q, b))) return Refuse();
  const double minX = std::fmin(a.x, b.x), maxX = std::fmax(a.x, b.x);
  const double minY = std::fmin(a.y, b.y), maxY = std::fmax(a.y, b.y);
  if ((p.x < minX && q.x < minX) || (p.x > maxX && q.x > maxX) || (p.y < minY && q.y < minY) ||
      (p.y > maxY && q.y > maxY))
    return false;
  const double d1x = b.x - a.x, d1y = b.y - a.y;
  const double d2x = q.x - p.x, d2y = q.y - p.y;
  const double f = Cross2D(d1x, d1y, d2x, d2y);
  if (std::fabs(f) < kEpsilon) {
    if (mode == 0) return false;
    const double g = MUtilPointLineDistanceSquared2D(a.x, a.y, b.x, b.y, p.x, p.y);
    const double h = MUtilPointLineDistanceSquared2D(a.x, a.y, b.x, b.y, q.x, q.y);
    if (g > kEpsilon * kEpsilon && h > kEpsilon * kEpsilon) return false;
    return Refuse();
  }
  const double apx = a.x - p.x, apy = a.y - p.y;
  const double along = Cross2D(d2x, d2y, apx, apy) / f;
  const double across = Cross2D(d1x, d1y, apx, apy) / f;
  if (mode == 1) {
    auto nearEnd = [](double u) { return std::fabs(u) <= kEpsilon || std::fabs(u - 1) <= kEpsilon; };
    if (nearEnd(along) || nearEnd(across)) return Refuse();
  }
  if (along < 0 || along > 1 || across < 0 || across > 1) return false;
  s = along;
  return true;
}

bool MLine::IntersectInFaceParams(const MLine* other, int mode, double& s, double& t, PointRecord& point) const {
  if (HasEnd(other->end0) || HasEnd(other->end1)) return false;
  const MVertex* a = other->end0;
  const MVertex* b = other->end1;
  double u = 0;
  if (!LineIntersect2D({a->faceS, a->faceT}, {b->faceS, b->faceT}, {end0->faceS, end0->faceT},
                       {end1->faceS, end1->faceT}, mode, u))
    return false;
  s = a->faceS + u * (b->faceS - a->faceS);
  t = a->faceT + u * (b->faceT - a->faceT);
  point = Lerp(a->position, b->position, u);
  return true;
}

// ---- curves through free lines ------------------------------------------------

namespace {

// The neighbour that continues a free line at one end: the only other line
// there, or for a sharp line the only other sharp line there.
MLine* CurveNeighbour(const MLine* line, const MVertex* end) {
  if (end->flags & kVertexFullCrease) return nullptr;
  MLine* found = nullptr;
  if (!line->IsSharp()) {
    MLine* next = line->GetNextAround(end);
    if (next != line && next == line->GetPrevAround(end)) found = next;
  } else {
    int sharp = 0;
    ForEachLineAround(end, [&](MLine* other) {
      if (other == line || !other->IsSharp()) return;
      found = other;
      ++sharp;
    });
    if (sharp != 1) found = nullptr;
  }
  if (found != nullptr && line->IsOnMirrorPlane() && found->IsOnMirrorPlane()) found = nullptr;
  return found;
}

}  // namespace

void MLine::GetCurvePoints(bool& ok, PointRecord points[4]) const {
  ok = false;
  if (HasFace() || (flags & (kLineHidden | kLineHiddenDiagonal))) return;
  const MLine* before = CurveNeighbour(this, end0);
  const MLine* after = CurveNeighbour(this, end1);
  if (before == nullptr && after == nullptr) return;
  points[0] = before != nullptr ? before->OtherEnd(end0)->position : end0->position;
  points[1] = end0->position;
  points[2] = end1->position;
  points[3] = after != nullptr ? after->OtherEnd(end1)->position : end1->position;
  // Across the mirror plane the curve continues symmetrically.
  if (!IsOnMirrorPlane()) {
    if (end0->flags & kVertexOnMirror) points[0] = {-end1->position.x, end1->position.y, end1->position.z};
    if (end1->flags & kVertexOnMirror) points[3] = {-end0->position.x, end0->position.y, end0->position.z};
  }
  ok = true;
}

}  // namespace engine
