// MMeshObj: projection of the vertices, point, rectangle and region picks,
// the connected part of a selection, the shadow frame and silhouette, and
// the scene's ray cast.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshDrawing.h"
#include "platform/Dc.h"
#include "platform/Image.h"

namespace engine {
namespace {

constexpr double kInfinite = std::numeric_limits<double>::infinity();

bool InFront(const MVertex* v) { return v->screenDepth >= 0.0; }

// Vertices that take part in vertex picks and region tests.
bool IsCounted(const MVertex* v) {
  return (v->flags & kVertexHidden) == 0 && v->firstLine != nullptr && v->firstLine->fltabEntry == nullptr;
}

bool IsVisible(const MFace* face) { return (face->flags & kFaceHidden) == 0; }

double PickTolerance(double pixels) {
  const EngGlobalContext& c = EngContext();
  return pixels * c.pickScale * c.pageHitScale;
}

// The parameter of q along the ray p0 → p1.
double RayParam(const PointRecord& p0, const PointRecord& p1, const PointRecord& q) {
  const PointRecord d = VSub(p1, p0);
  const double length = VLength(d);
  if (length <= 0.0) return 0.0;
  return (VDot(VSub(q, p0), d) / length) / length;
}

PointRecord Screen(const MVertex* v) { return {v->screenX, v->screenY, v->screenDepth}; }

// Strictly inside the projected triangle: both edge cross products with the
// point have the sign of the area. Also answers the two magnitudes.
bool StrictlyInside(const PointRecord c[3], double x, double y) {
  const double area = (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[1].y - c[0].y) * (c[2].x - c[0].x);
  if (area == 0.0) return false;
  for (int i = 0; i < 3; ++i) {
    const PointRecord& a = c[i];
    const PointRecord& b = c[(i + 1) % 3];
    const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (cross == 0.0 || (cross > 0.0) != (area > 0.0)) return false;
  }
  return true;
}

void ProjectedCorners(const MFace* face, MVertex* corners[3], PointRecord screen[3]) {
  face->GetVertices(corners);
  for (int i = 0; i < 3; ++i) screen[i] = Screen(corners[i]);
}

bool AllInFront(MVertex* const corners[3]) {
  return InFront(corners[0]) && InFront(corners[1]) && InFront(corners[2]);
}

// Where the ray meets the face's plane, as a ray parameter; false when the
// ray runs parallel to it.
bool RayOnFacePlane(const MFace* face, const PointRecord& p0, const PointRecord& p1, double& t) {
  MVertex* c[3];
  face->GetVertices(c);
  const PointRecord n = VCross(VSub(c[1]->position, c[0]->position), VSub(c[2]->position, c[0]->position));
  return MUtilLinePlaneParam(p0, p1, n, c[0]->position, t) == 0;
}

template <class T, class F>
void ForEachOf(const PtrArray* list, MItemList<T>& all, F f) {
  if (list != nullptr) {
    for (int i = 0; i < list->count; ++i)
      if (!f(static_cast<T*>((*list)[i]))) return;
    return;
  }
  for (T* item : all)
    if (!f(item)) return;
}

}  // namespace

void MMeshObj::RayInMesh(const PointRecord& rayStart, const PointRecord& rayEnd, PointRecord& p0, PointRecord& p1) {
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  MUtilTransformPoint(inverse, rayStart, p0);
  MUtilTransformPoint(inverse, rayEnd, p1);
}

// ---- projection -------------------------------------------------------------------------

void MMeshObj::ProjectToScreen(const MatrixRecord& projection, int mode) {
  if (mode != 0) {
    MObject::ProjectToScreen(projection, mode);
    return;
  }
  MatrixRecord m;
  MUtilMultiply(projection, matrix, m);
  const bool parallel = m.flag != 0;
  for (MVertex* v : vertices) {
    const PointRecord& p = v->position;
    const double x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    const double y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    double depth;
    if (parallel) {
      depth = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2] + 2.0;
      if (depth < 1.0) depth = -1.0 / (depth - 2.0);
      v->screenX = x;
      v->screenY = y;
    } else {
      depth = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
      if (depth > 0.0) {
        v->screenX = x / depth;
        v->screenY = y / depth;
      }
    }
    v->screenDepth = depth > 0.0 ? depth : -1.0;
  }
}

// ---- coarse tests ---------------------------------------------------------------------------

bool MMeshObj::IsNearPoint(const PointRecord& point) {
  bool left = false, right = false, above = false, below = false;
  for (MVertex* v : vertices) {
    if (!IsCounted(v) || !InFront(v)) continue;
    left = left || v->screenX > point.x - 5;
    right = right || v->screenX < point.x + 5;
    below = below || v->screenY < point.y + 5;
    above = above || v->screenY > point.y - 5;
    if (left && right && above && below) return true;
  }
  return false;
}

bool MMeshObj::IsInsideRect(const PointRecord& rectMin, const PointRecord& rectMax) {
  int n = 0;
  for (MVertex* v : vertices) {
    if (!IsCounted(v)) continue;
    if (!InFront(v) || v->screenX < rectMin.x || v->screenX > rectMax.x || v->screenY < rectMin.y ||
        v->screenY > rectMax.y)
      return false;
    ++n;
  }
  return n > 0;
}

bool MMeshObj::MayTouchRect(const PointRecord& rectMin, const PointRecord& rectMax) {
  bool leftOf = true, rightOf = true, aboveOf = true, belowOf = true;
  bool reachX = false, reachY = false;
  bool anyLeft = false, anyRight = false, anyAbove = false, anyBelow = false;
  int n = 0;
  for (MVertex* v : vertices) {
    if (!IsCounted(v) || !InFront(v)) continue;
    ++n;
    const double x = v->screenX, y = v->screenY;
    const bool insideX = x > rectMin.x && x < rectMax.x, insideY = y > rectMin.y && y < rectMax.y;
    if (insideX && insideY) return true;
    anyLeft = anyLeft || x <= rectMin.x;
    anyRight = anyRight || x >= rectMax.x;
    anyAbove = anyAbove || y <= rectMin.y;
    anyBelow = anyBelow || y >= rectMax.y;
    reachX = reachX || insideX || (anyLeft && anyRight);
    reachY = reachY || insideY || (anyAbove && anyBelow);
    if (reachX && reachY) return true;
    leftOf = leftOf && x < rectMin.x;
    rightOf = rightOf && x > rectMax.x;
    aboveOf = aboveOf && y < rectMin.y;
    belowOf = belowOf && y > rectMax.y;
  }
  if (n == 0) return true;
  return !(leftOf || rightOf || aboveOf || belowOf);
}

int MMeshObj::ClassifyTriangleInRect(const PointRecord& rectMin, const PointRecord& rectMax,
                                     const PointRecord corners[3]) {
  bool inside = true;
  bool left = true, right = true, above = true, below = true;
  for (int i = 0; i < 3; ++i) {
    const PointRecord& c = corners[i];
    if (c.z < 0.0) return 2;
    inside = inside && c.x > rectMin.x && c.x < rectMax.x && c.y > rectMin.y && c.y < rectMax.y;
    left = left && c.x < rectMin.x;
    right = right && c.x > rectMax.x;
    above = above && c.y < rectMin.y;
    below = below && c.y > rectMax.y;
  }
  if (inside) return 0;
  return (left || right || above || below) ? 2 : 1;
}

// ---- rectangle picks --------------------------------------------------------------------------

void MMeshObj::NearestCornerAlongRay(MFace* face, const PointRecord& p0, const PointRecord& p1, double* depth) {
  MVertex* c[3];
  face->GetVertices(c);
  double best = kInfinite;
  for (MVertex* v : c) best = std::min(best, RayParam(p0, p1, v->position));
  *depth = best;
}

bool MMeshObj::EdgeHitInRect(const PointRecord& rectMin, const PointRecord& rectMax, MFace* face,
                             const PointRecord corners[3], const PointRecord& p0, const PointRecord& p1,
                             double* depth) {
  bool any = false;
  double best = kInfinite;
  MLine* lines[3];
  face->GetLines(lines);
  for (MLine* line : lines) {
    const PointRecord a = Screen(line->end0), b = Screen(line->end1);
    // Cuts with the two vertical sides, then the two horizontal ones.
    const double sides[4] = {rectMin.x, rectMax.x, rectMin.y, rectMax.y};
    for (int k = 0; k < 4; ++k) {
      const bool vertical = k < 2;
      const double from = vertical ? a.x : a.y, to = vertical ? b.x : b.y;
      if (from == to) continue;
      const double t = (sides[k] - from) / (to - from);
      if (!(t > 0.0 && t < 1.0)) continue;
      const double other = vertical ? a.y + t * (b.y - a.y) : a.x + t * (b.x - a.x);
      const double lo = vertical ? rectMin.y : rectMin.x, hi = vertical ? rectMax.y : rectMax.x;
      if (!(other > lo && other < hi)) continue;
      best = std::min(best, RayParam(p0, p1, line->PointAt(t)));
      any = true;
    }
  }
  MVertex* c[3];
  face->GetVertices(c);
  for (int i = 0; i < 3; ++i) {
    const PointRecord& s = corners[i];
    if (s.x > rectMin.x && s.x < rectMax.x && s.y > rectMin.y && s.y < rectMax.y) {
      best = std::min(best, RayParam(p0, p1, c[i]->position));
      any = true;
    }
  }
  if (any) *depth = best;
  return any;
}

bool MMeshObj::CentreHitInTriangle(const PointRecord& rectMin, const PointRecord& rectMax, MFace* face,
                                   const PointRecord corners[3], const PointRecord& p0, const PointRecord& p1,
                                   double* depth) {
  const double cx = (rectMin.x + rectMax.x) * 0.5, cy = (rectMin.y + rectMax.y) * 0.5;
  if (!StrictlyInside(corners, cx, cy)) return false;
  // A ray running along the face's plane does not hit it.
  double t;
  if (!RayOnFacePlane(face, p0, p1, t)) return false;
  *depth = t;
  return true;
}

MFace* MMeshObj::PickFaceInRect(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& p0,
                                const PointRecord& p1, double* depth, const PtrArray* faceList) {
  MFace* best = nullptr;
  double bestDepth = kInfinite;
  ForEachOf<MFace>(faceList, faces, [&](MFace* face) {
    if (!IsVisible(face)) return true;
    MVertex* c[3];
    PointRecord s[3];
    ProjectedCorners(face, c, s);
    double d = kInfinite;
    bool hit = false;
    switch (ClassifyTriangleInRect(rectMin, rectMax, s)) {
      case 0:
        NearestCornerAlongRay(face, p0, p1, &d);
        hit = true;
        break;
      case 1:
        hit = EdgeHitInRect(rectMin, rectMax, face, s, p0, p1, &d) ||
              CentreHitInTriangle(rectMin, rectMax, face, s, p0, p1, &d);
        break;
      default:
        break;
    }
    if (hit && d < bestDepth) {
      best = face;
      bestDepth = d;
    }
    return true;
  });
  if (best != nullptr) *depth = bestDepth;
  return best;
}

MVertex* MMeshObj::PickVertexInRect(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& p0,
                                    const PointRecord& p1, double* depth) {
  MVertex* best = nullptr;
  double bestDepth = kInfinite;
  for (MVertex* v : vertices) {
    if (!IsCounted(v) || !InFront(v)) continue;
    if (!(v->screenX > rectMin.x && v->screenX < rectMax.x && v->screenY > rectMin.y && v->screenY < rectMax.y))
      continue;
    const double d = RayParam(p0, p1, v->position);
    if (d < bestDepth) {
      best = v;
      bestDepth = d;
    }
  }
  if (best != nullptr) *depth = bestDepth;
  return best;
}

MObject* MMeshObj::PickElement(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& rayStart,
                               const PointRecord& rayEnd, double* t, bool wholeObject) {
  if (wholeObject) return IsInsideRect(rectMin, rectMax) ? this : nullptr;
  if (!MayTouchRect(rectMin, rectMax)) return nullptr;
  PointRecord p0, p1;
  RayInMesh(rayStart, rayEnd, p0, p1);
  double dF = kInfinite, dV = kInfinite;
  MFace* face = PickFaceInRect(rectMin, rectMax, p0, p1, &dF, nullptr);
  MVertex* vertex = PickVertexInRect(rectMin, rectMax, p0, p1, &dV);
  if (face == nullptr && vertex == nullptr) return nullptr;
  if (t != nullptr) *t = std::min(dF, dV);
  return this;
}

// ---- point picks ------------------------------------------------------------------------------------

MFace* MMeshObj::PickFaceAtPoint(const PointRecord& point, const PointRecord& p0, const PointRecord& p1,
                                 double* depth, const PtrArray* faceList) {
  MFace* best = nullptr;
  double bestKey = kInfinite;
  ForEachOf<MFace>(faceList, faces, [&](MFace* face) {
    if (!IsVisible(face)) return true;
    MVertex* c[3];
    PointRecord s[3];
    ProjectedCorners(face, c, s);
    if (!AllInFront(c) || !StrictlyInside(s, point.x, point.y)) return true;
    const double cross1 = (s[1].x - s[0].x) * (point.y - s[0].y) - (s[1].y - s[0].y) * (point.x - s[0].x);
    const double cross2 = (s[2].x - s[0].x) * (point.y - s[0].y) - (s[2].y - s[0].y) * (point.x - s[0].x);
    double key;
    if (std::fabs(cross1) > 1e-16 && std::fabs(cross2) > 1e-16) {
      double a, b;
      const PointRecord flat[3] = {{s[0].x, s[0].y, 0}, {s[1].x, s[1].y, 0}, {s[2].x, s[2].y, 0}};
      MUtilTriangleCoords(flat[0], flat[1], flat[2], {point.x, point.y, 0}, a, b);
      key = s[0].z + a * (s[1].z - s[0].z) + b * (s[2].z - s[0].z);
    } else {
      key = std::min({s[0].z, s[1].z, s[2].z});
    }
    if (key < bestKey) {
      best = face;
      bestKey = key;
    }
    return true;
  });
  if (best == nullptr) return nullptr;
  double t;
  if (!RayOnFacePlane(best, p0, p1, t)) return nullptr;
  *depth = t;
  return best;
}

MLine* MMeshObj::PickLine(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, MFace* face,
                          double* depth, bool* ofFace, const PtrArray* lineList, bool anyLine) {
  const double c = PickTolerance(3.0);
  MLine* faceLines[3] = {nullptr, nullptr, nullptr};
  if (face != nullptr) face->GetLines(faceLines);
  MLine* best = nullptr;
  bool bestOfFace = false;
  double bestKey = kInfinite;
  ForEachOf<MLine>(lineList, lines, [&](MLine* line) {
    if ((line->flags & (kLineHidden | kLineHiddenDiagonal)) != 0 || line->fltabEntry != nullptr) return true;
    if (!InFront(line->end0) || !InFront(line->end1)) return true;
    const PointRecord a = Screen(line->end0), b = Screen(line->end1);
    if (point.x < std::min(a.x, b.x) - c || point.x > std::max(a.x, b.x) + c) return true;
    if (point.y < std::min(a.y, b.y) - c || point.y > std::max(a.y, b.y) + c) return true;
    if (MUtilPointLineDistanceSquared2D(a.x, a.y, b.x, b.y, point.x, point.y) > 2 * c * c) return true;
    const double key = a.z + b.z;
    const bool mine = line == faceLines[0] || line == faceLines[1] || line == faceLines[2];
    bool competes = mine || anyLine || line->forwardFace == nullptr || line->backwardFace == nullptr;
    if (!competes) {
      const int o1 = line->forwardFace->GetScreenOrientation(), o2 = line->backwardFace->GetScreenOrientation();
      competes = o1 != -1 && o2 != -1 && (o1 != o2 || o1 == 0);
    }
    if (competes && key < bestKey) {
      best = line;
      bestKey = key;
      bestOfFace = mine;
    }
    return true;
  });
  if (best == nullptr) return nullptr;
  if (ofFace != nullptr) *ofFace = bestOfFace;
  // The plane through the line that holds the direction across both the
  // line and the ray.
  const PointRecord along = VSub(best->end1->position, best->end0->position);
  const PointRecord ray = MeshUnitDirection(p0, p1, {0, 0, 0});
  const PointRecord normal = VCross(VCross(along, ray), along);
  double t;
  *depth = MUtilLinePlaneParam(p0, p1, normal, best->end0->position, t) == 0 ? t : 1.0;
  return best;
}

MVertex* MMeshObj::PickVertex(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, MFace* face,
                              MLine* line, double* depth, bool* preferred, const PtrArray* vertexList) {
  const double tolerance = PickTolerance(6.0);
  MVertex* favoured[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
  if (face != nullptr) face->GetVertices(favoured);
  if (line != nullptr) {
    favoured[3] = line->end0;
    favoured[4] = line->end1;
  }
  MVertex* best = nullptr;
  bool bestPreferred = false;
  double bestKey = kInfinite;
  ForEachOf<MVertex>(vertexList, vertices, [&](MVertex* v) {
    if (!IsCounted(v) || !InFront(v)) return true;
    const double distance = std::fabs(v->screenX - point.x) + std::fabs(v->screenY - point.y);
    if (distance > tolerance) return true;
    const bool isPreferred = std::find(favoured, favoured + 5, v) != favoured + 5;
    const double key = isPreferred ? distance : v->screenDepth;
    if (best == nullptr || (isPreferred && !bestPreferred) || (isPreferred == bestPreferred && key < bestKey)) {
      best = v;
      bestKey = key;
      bestPreferred = isPreferred;
    }
    return true;
  });
  if (best == nullptr) return nullptr;
  *depth = RayParam(p0, p1, best->position);
  if (preferred != nullptr) *preferred = bestPreferred;
  return best;
}

MObject* MMeshObj::PickAtPoint(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, double* depth,
                               MVertex** vertexOut, MLine** lineOut, MFace** faceOut) {
  if (vertexOut != nullptr) *vertexOut = nullptr;
  if (lineOut != nullptr) *lineOut = nullptr;
  if (faceOut != nullptr) *faceOut = nullptr;
  if (!IsNearPoint(point)) return nullptr;
  double dF = kInfinite, dL = kInfinite, dV = kInfinite;
  MFace* f = faceOut != nullptr ? PickFaceAtPoint(point, p0, p1, &dF, nullptr) : nullptr;
  bool ofFace = false;
  MLine* l = lineOut != nullptr ? PickLine(point, p0, p1, f, &dL, &ofFace, nullptr, faceOut == nullptr) : nullptr;
  bool preferred = false;
  MVertex* v = nullptr;
  if (vertexOut != nullptr) {
    MFace* toldFace = f;
    MLine* toldLine = l;
    if (f != nullptr && l != nullptr) {
      if (dL <= dF) toldFace = nullptr;
      else toldLine = nullptr;
    }
    v = PickVertex(point, p0, p1, toldFace, toldLine, &dV, &preferred, nullptr);
  }
  if (f == nullptr && l == nullptr && v == nullptr) return nullptr;
  enum { kVertex, kLine, kFace, kNone } winner = kNone;
  const bool onlyVertex = vertexOut != nullptr && lineOut == nullptr && faceOut == nullptr;
  if (v != nullptr && (preferred || faceOut == nullptr)) winner = kVertex;
  else if (l != nullptr && ofFace) winner = kLine;
  else if (onlyVertex) winner = kVertex;
  else if (faceOut != nullptr && vertexOut == nullptr && lineOut == nullptr) winner = kFace;
  else if (lineOut != nullptr && vertexOut == nullptr && faceOut == nullptr) winner = kLine;
  else if (dL <= dV && dL < dF) winner = kLine;
  else if (dV < dL && dV < dF) winner = kVertex;
  else winner = kFace;
  double d = kInfinite;
  switch (winner) {
    case kVertex:
      d = dV;
      if (vertexOut != nullptr) *vertexOut = v;
      break;
    case kLine:
      d = dL;
      if (lineOut != nullptr) *lineOut = l;
      break;
    default:
      d = dF;
      break;
  }
  if (depth != nullptr) *depth = d;
  if (faceOut != nullptr && !(winner == kVertex && onlyVertex)) *faceOut = f;
  const bool any = (vertexOut != nullptr && *vertexOut != nullptr) || (lineOut != nullptr && *lineOut != nullptr) ||
                   (faceOut != nullptr && *faceOut != nullptr);
  return any ? this : nullptr;
}

MObject* MMeshObj::PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                               double* t, bool linesOnly) {
  if (!IsNearPoint(screenPoint)) return nullptr;
  PointRecord p0, p1;
  RayInMesh(rayStart, rayEnd, p0, p1);
  double d = kInfinite;
  MFace* face = linesOnly ? nullptr : PickFaceAtPoint(screenPoint, p0, p1, &d, nullptr);
  if (face == nullptr) {
    bool ofFace = false;
    if (PickLine(screenPoint, p0, p1, nullptr, &d, &ofFace, nullptr, linesOnly) == nullptr) return nullptr;
  }
  if (t != nullptr) *t = d;
  return this;
}

MObject* MMeshObj::PickFace(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                            double* t, MVertex** vertex, MLine** line, MFace** face) {
  if (excluded != 0 && (projectedView == nullptr || !projectedView->IsExcludedShown())) return nullptr;
  if (EngContext().pageHitActive != 0 && !IsBoneObject()) return nullptr;
  PointRecord p0, p1;
  RayInMesh(rayStart, rayEnd, p0, p1);
  return PickAtPoint(screenPoint, p0, p1, t, vertex, line, face);
}

bool MMeshObj::IsHitSelected(const MVertex* vertex, const MLine* line, const MFace* face) {
  if (vertex != nullptr) return (vertex->flags & kVertexSelected) != 0;
  if (line != nullptr) return (line->flags & kLineSelected) != 0;
  if (face != nullptr) return face->AllEdgesSelected();
  return false;
}

// ---- regions ------------------------------------------------------------------------------------------

ElementSelection::ElementSelection() : faces(5), lines(5), vertices(5) {}

void MMeshObj::CollectVerticesInRegion(const QViewRegion* region, PtrArray* out) {
  for (MVertex* v : vertices) {
    if (!IsCounted(v) || !InFront(v) || !region->Contains(v->screenX, v->screenY)) continue;
    if (!out->Add(v)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::CollectLinesInRegion(const QViewRegion* region, const PtrArray* vertexList, PtrArray* out) {
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < vertexList->count; ++i) static_cast<MVertex*>((*vertexList)[i])->id = stamp;
  for (MLine* line : lines) {
    if (line->fltabEntry != nullptr || line->end0->id != stamp || line->end1->id != stamp) continue;
    const double x = (line->end0->screenX + line->end1->screenX) * 0.5;
    const double y = (line->end0->screenY + line->end1->screenY) * 0.5;
    if (!region->Contains(x, y)) continue;
    if (!out->Add(line)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out) {
  if (only != nullptr && only != this) return;
  auto* selection = new (std::nothrow) ElementSelection;
  if (selection == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  CollectVerticesInRegion(region, &selection->vertices);
  if (EngContext().failState == kEngFailNone) CollectLinesInRegion(region, &selection->vertices, &selection->lines);
  const bool taken = selection->vertices.count > 0 || selection->lines.count > 0;
  if (EngContext().failState != kEngFailNone || !taken) {
    delete selection;
    return;
  }
  selection->object = this;
  if (!out->Add(selection)) {
    delete selection;
    EngRecordFailure(kEngReasonOutOfMemory);
  }
}

// ---- connected parts ---------------------------------------------------------------------------------------

void MMeshObj::CollectConnected(MVertex* start, int key, int stamp, ElementSelection* selection) {
  // An explicit stack: a whole mesh may be connected.
  std::vector<MVertex*> stack{start};
  auto visit = [&](MVertex* v) {
    if (v->id == stamp) return true;
    v->id = stamp;
    if (!selection->vertices.Add(v)) return false;
    if (v->firstLine != nullptr) {
      MLine* line = v->firstLine;
      int guard = 0;
      do {
        if (line->id == key) {
          line->id = stamp;
          if (!selection->lines.Add(line)) return false;
          MVertex* far = line->OtherEnd(v);
          if (far->id == key) stack.push_back(far);
        }
        line = line->GetNextAround(v);
      } while (line != v->firstLine && ++guard < MVertex::kRingLimit);
    }
    for (MVertex* r = v->ringNext; r != v; r = r->ringNext)
      if (r->id == key) stack.push_back(r);
    return true;
  };
  start->id = key;
  while (!stack.empty()) {
    MVertex* v = stack.back();
    stack.pop_back();
    if (v->id != key) continue;
    if (!visit(v)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::KeepConnectedSelection(const PointRecord& point, ElementSelection* selection, MVertex* vertex,
                                      MLine* line, MFace* face) {
  std::vector<MFace*> picked;
  auto addFace = [&](MFace* f) {
    if (f == nullptr) return;
    picked.push_back(f);
    if (MFace* partner = GetQuadPartner(f)) picked.push_back(partner);
  };
  if (vertex != nullptr) {
    MLine* l = vertex->firstLine;
    int guard = 0;
    if (l != nullptr) do {
        addFace(vertex->LeavingFace(l));
        l = l->GetNextAround(vertex);
      } while (l != vertex->firstLine && ++guard < MVertex::kRingLimit);
  } else if (line != nullptr) {
    addFace(line->forwardFace);
    addFace(line->backwardFace);
  } else {
    addFace(face);
  }
  const int first = TakeVisitStamp();
  const int second = TakeVisitStamp();
  TakeVisitStamp();
  auto bordersPicked = [&](const MLine* l) {
    for (MFace* f : picked)
      if (l->BordersFace(f)) return true;
    return false;
  };
  MLine* chosenLine = nullptr;
  bool linePreferred = false;
  double lineDistance = kInfinite;
  for (int i = 0; i < selection->lines.count; ++i) {
    auto* l = static_cast<MLine*>(selection->lines[i]);
    l->id = first;
    if (bordersPicked(l)) {
      chosenLine = l;
      linePreferred = true;
    } else if (!linePreferred) {
      const double d = MUtilPointLineDistanceSquared2D(l->end0->screenX, l->end0->screenY, l->end1->screenX,
                                                       l->end1->screenY, point.x, point.y);
      if (d < lineDistance) {
        lineDistance = d;
        chosenLine = l;
      }
    }
  }
  MVertex* seed = nullptr;
  bool vertexPreferred = false;
  double vertexDistance = lineDistance;
  for (int i = 0; i < selection->vertices.count; ++i) {
    auto* v = static_cast<MVertex*>(selection->vertices[i]);
    v->id = first;
    bool corner = false;
    for (MFace* f : picked) corner = corner || f->CornerIndex(v) >= 0;
    if (corner) {
      seed = v;
      vertexPreferred = true;
    } else if (!vertexPreferred) {
      const double dx = v->screenX - point.x, dy = v->screenY - point.y;
      if (dx * dx + dy * dy < vertexDistance) {
        vertexDistance = dx * dx + dy * dy;
        seed = v;
      }
    }
  }
  if (seed == nullptr && chosenLine != nullptr) seed = chosenLine->end0;
  if (seed == nullptr) return;
  ElementSelection connected;
  CollectConnected(seed, first, second, &connected);
  selection->lines = std::move(connected.lines);
  selection->vertices = std::move(connected.vertices);
}

// ---- shadows --------------------------------------------------------------------------------------------

void MMeshObj::CollectByShadowMode(int mode, PtrArray* out) {
  if (shadowInfo.shadowMode == mode && !out->Add(this)) EngRecordFailure(kEngReasonOutOfMemory);
}

void MMeshObj::PrepareShadowImage(MDocObj*) {
  ShadowInfo& s = shadowInfo;
  const MatrixRecord world = MeshWorldMatrix(this);
  BoundsRecord box;
  GetLocalBounds(box);
  PointRecord corners[8];
  MUtilBoxCorners(box, corners);
  double minU = kInfinite, maxU = -kInfinite, minV = kInfinite, maxV = -kInfinite;
  for (PointRecord& c : corners) {
    PointRecord w;
    MUtilTransformPoint(world, c, w);
    const double u = VDot(w, s.axisU), v = VDot(w, s.axisV);
    minU = std::min(minU, u), maxU = std::max(maxU, u);
    minV = std::min(minV, v), maxV = std::max(maxV, v);
  }
  PointRecord centre, boxCentre{(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2, (box.minZ + box.maxZ) / 2};
  MUtilTransformPoint(world, boxCentre, centre);
  const PointRecord origin = VAdd(VScale(s.axisU, (minU + maxU) / 2), VScale(s.axisV, (minV + maxV) / 2));
  PointRecord moved;
  if (MUtilLinePlaneIntersect(origin, VAdd(origin, s.lightDir), s.lightDir, centre, moved) < 0) moved = origin;
  s.centre = moved;
  // A mesh flat across an axis (or without vertices) still gets a frame
  // that a silhouette can be painted into.
  constexpr double kMinExtent = 1e-6;
  s.axisU = VScale(s.axisU, std::max((maxU - minU) / 2, kMinExtent) * 1.1);
  s.axisV = VScale(s.axisV, std::max((maxV - minV) / 2, kMinExtent) * 1.1);
}

void MMeshObj::PaintShadowSilhouette(MDocObj*, platform::Image* image, int colour) {
  const ShadowInfo& s = shadowInfo;
  MatrixRecord inverseWorld;
  MUtilInvert(MeshWorldMatrix(this), inverseWorld);
  PointRecord u, v, o;
  MUtilTransformVector(inverseWorld, s.axisU, u);
  MUtilTransformVector(inverseWorld, s.axisV, v);
  MUtilTransformPoint(inverseWorld, s.centre, o);
  const double lu = VLength(u), lv = VLength(v);
  if (!(lu > 0.0) || !(lv > 0.0)) return;
  const PointRecord uHat = VScale(u, 1.0 / lu), vHat = VScale(v, 1.0 / lv);
  const int w = image->Width(), h = image->Height();
  platform::Dc dc(*image);
  dc.SelectPen(platform::Pen{0, 1, platform::PenStyle::kNull});
  dc.SelectBrush(platform::Brush{static_cast<platform::COLORREF>(colour), platform::BrushStyle::kSolid});
  for (MFace* face : faces) {
    if (!IsVisible(face)) continue;
    MVertex* c[3];
    face->GetVertices(c);
    platform::POINT points[3];
    for (int i = 0; i < 3; ++i) {
      const PointRecord q = VSub(c[i]->position, o);
      points[i].x = static_cast<int>((w + w * VDot(q, uHat) / lu) / 2);
      points[i].y = static_cast<int>((h + h * VDot(q, vHat) / lv) / 2);
    }
    dc.Polygon(points);
  }
}

// ---- the scene's ray cast ---------------------------------------------------------------------------------------

bool MMeshObj::IntersectRay(const MatrixRecord& toWorld, const MatrixRecord& toObject, const PointRecord& origin,
                            const PointRecord& direction, PointRecord* normalOut, PointRecord* pointOut) {
  PointRecord p0, p1;
  MUtilTransformPoint(toObject, origin, p0);
  MUtilTransformPoint(toObject, VAdd(origin, direction), p1);
  const PointRecord d = VSub(p1, p0);
  const double dd = VDot(d, d);
  if (!(dd > 0.0)) return false;
  bool hit = false;
  double best = kInfinite;
  PointRecord bestPoint{}, bestNormal{};
  for (MFace* face : faces) {
    if (!IsVisible(face)) continue;
    MVertex* c[3];
    face->GetVertices(c);
    const PointRecord a = c[0]->position, e1 = VSub(c[1]->position, a), e2 = VSub(c[2]->position, a);
    // Far from the ray: the first corner's distance beyond the edges.
    const PointRecord toA = VSub(a, p0);
    const PointRecord across = VSub(toA, VScale(d, VDot(toA, d) / dd));
    if (VDot(e1, e1) + VDot(e2, e2) < VDot(across, across)) continue;
    PointRecord n = VCross(e1, e2);
    if (VDot(n, n) < 1e-8) continue;
    PointRecord q;
    if (MUtilLinePlaneIntersect(p0, p1, n, a, q) < 0) continue;
    double s, t;
    MUtilTriangleCoords(a, c[1]->position, c[2]->position, q, s, t);
    if (s < 0.0 || s > 1.0 || t < 0.0 || t > 1.0 || s + t > 1.0) continue;
    const double along = VDot(VSub(q, p0), d) / dd;
    if (along < 0.0 || along > best) continue;  // behind the ray's start
    best = along;
    bestPoint = q;
    bestNormal = n;
    hit = true;
  }
  if (!hit) return false;
  OsUtilNormalize(bestNormal);
  if (pointOut != nullptr) MUtilTransformPoint(toWorld, bestPoint, *pointOut);
  if (normalOut != nullptr) {
    MUtilTransformVector(toWorld, bestNormal, *normalOut);
    OsUtilNormalize(*normalOut);
  }
  return true;
}

}  // namespace engine
