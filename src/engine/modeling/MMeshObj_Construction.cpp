// Modelling: small construction operations: helix and wave chains of
// vertices, open polylines and their points, a sweep step of the selection
// along a path, the plane through points, mirror-plane flags, the vertex
// markers drawn over the view, and a point on a corner's bisector.
#include <cmath>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"
#include "engine/render/GlLayer.h"

namespace engine {
using namespace modeling;

namespace {

constexpr double kPi = 3.14159265358979323846;

PointRecord Minus(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

// ---- chains of vertices ----------------------------------------------------------------------

void MMeshObj::MakeVertexChain(int periods, int segments, PointRecord (*place)(const void*, int, int, int, int, int),
                               const void* parameters) {
  if (periods < 1 || segments < 1) return Refuse();
  SaveEditState();
  MVertex* previous = nullptr;
  int k = 0;
  for (int i = 0; i < periods; ++i)
    for (int j = i > 0 ? 1 : 0; j <= segments; ++j, ++k) {
      MVertex* v = AddVertex(place(parameters, i, j, k, periods, segments));
      if (v == nullptr) return;
      if (previous != nullptr && AddLineBetween(previous, v) == nullptr) return;
      previous = v;
    }
}

void MMeshObj::MakeCircleVertices(const PointRecord& p, int turns, int segments) {
  // p: height, end radius, start radius.
  MakeVertexChain(
      turns, segments,
      [](const void* parameters, int i, int j, int k, int t, int s) {
        const PointRecord& q = *static_cast<const PointRecord*>(parameters);
        const double angle = j * 2 * kPi / s;
        const double r = q.z + k * (q.y - q.z) / (t * s);
        return PointRecord{r * std::sin(angle), q.x * (i + static_cast<double>(j) / s) / t, r * std::cos(angle)};
      },
      &p);
}

void MMeshObj::MakeCircleVerticesAlt(double height, double width, int periods, int segments) {
  const double q[2] = {height, width};
  MakeVertexChain(
      periods, segments,
      [](const void* parameters, int i, int j, int, int p, int s) {
        const double* hw = static_cast<const double*>(parameters);
        return PointRecord{hw[1] / 2 * std::sin(j * 2 * kPi / s), hw[0] * (i + static_cast<double>(j) / s) / p, 0};
      },
      q);
}

// ---- polylines and sweeps ----------------------------------------------------------------------

bool MMeshObj::IsOpenPolyline(bool strict) const {
  if (!faces.IsEmpty()) return false;
  if (!strict) return true;
  int ends = 0;
  for (const MVertex* v : vertices) {
    const int n = v->CountLines();
    if (n > 2) return false;
    ends += n == 1;
  }
  return !vertices.IsEmpty() && ends == 2;
}

void MMeshObj::CollectPolylinePoints(const MatrixRecord& m, const PointRecord& reference, PointArray& out) {
  MVertex* ends[2] = {nullptr, nullptr};
  int count = 0;
  for (MVertex* v : vertices)
    if (v->CountLines() == 1 && count++ < 2) ends[count - 1] = v;
  // Anything but one open chain has no order to read.
  if (count != 2) return Refuse();
  PointRecord a, b;
  MUtilTransformPoint(m, ends[0]->position, a);
  MUtilTransformPoint(m, ends[1]->position, b);
  MVertex* v = MUtilDistanceSquared(a, reference) < MUtilDistanceSquared(b, reference) ? ends[0] : ends[1];
  MLine* arrival = nullptr;
  for (int steps = 0; v != nullptr && steps <= lines.count; ++steps) {
    PointRecord p;
    MUtilTransformPoint(m, v->position, p);
    if (!out.Add(p)) return EngRecordFailure(kEngReasonOutOfMemory);
    MLine* next = nullptr;
    ForEachLineAround(v, [&](MLine* line) {
      if (line != arrival) next = line;
      return next == nullptr;
    });
    if (next == nullptr) break;
    arrival = next;
    v = next->OtherEnd(v);
  }
}

void MMeshObj::SweepSelectionStep(bool turn, int a, const PointArray& path) {
  if (a < 1 || a >= path.count) return Refuse();
  SaveEditState();
  const PointRecord d = Minus(path[a], path[a - 1]);
  PtrArray moved;
  GatherSelectedVertices(moved);
  PointRecord c{0, 0, 0};
  for (int i = 0; i < moved.count; ++i) {
    MVertex* v = At<MVertex>(moved, i);
    v->SaveUndoRing();
    if (Failed()) return;
    v->SetPosition({v->position.x + d.x, v->position.y + d.y, v->position.z + d.z});
    c = {c.x + v->position.x, c.y + v->position.y, c.z + v->position.z};
  }
  if (moved.count > 0) c = {c.x / moved.count, c.y / moved.count, c.z / moved.count};
  if (turn) {
    MatrixRecord r;
    MUtilIdentity(r);
    for (int joint : {a, a - 1}) {
      if (joint < 1 || joint + 1 >= path.count) continue;
      const PointRecord &p0 = path[joint - 1], &p1 = path[joint], &p2 = path[joint + 1];
      PointRecord axis;
      OsUtilCrossProduct(Minus(p1, p0), Minus(p2, p0), axis);
      if (Dot(axis, axis) < 1e-8) continue;
      const double cosine = std::fmax(-1.0, std::fmin(1.0, SegmentTurnCos(p0, p1, p2)));
      MUtilRotateAxis(r, std::acos(cosine) / 2, axis, r);
    }
    // About the moved selection's centre.
    MUtilTranslateAfter(r, c, r);
    MUtilTranslate(r, {-c.x, -c.y, -c.z}, r);
    for (int i = 0; i < moved.count; ++i) {
      MVertex* v = At<MVertex>(moved, i);
      PointRecord p;
      MUtilTransformPoint(r, v->position, p);
      v->SetPosition(p);
    }
  }
  MarkChanged();
}

// ---- planes and flags --------------------------------------------------------------------------

void MMeshObj::FitPlaneNormal(const PointArray& points, PointRecord& normal) {
  normal = {0, 1, 0};
  const int m = points.count;
  if (m <= 2) return;
  double spread[3] = {0, 0, 0};
  for (int i = 0; i < m; ++i) {
    spread[0] += std::fabs(points[i].x - points[0].x);
    spread[1] += std::fabs(points[i].y - points[0].y);
    spread[2] += std::fabs(points[i].z - points[0].z);
  }
  // The axis the points vary least along is solved for.
  const int dependent = spread[1] > spread[0] && spread[2] > spread[0] ? 0 : spread[1] < spread[2] ? 1 : 2;
  DoubleArray columns, rhs;
  auto coordinate = [](const PointRecord& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; };
  const int other[2] = {dependent == 0 ? 1 : 0, dependent == 2 ? 1 : 2};
  for (int col = 0; col < 3; ++col)
    for (int i = 0; i < m; ++i)
      if (!columns.Add(col < 2 ? coordinate(points[i], other[col]) : 1.0))
        return EngRecordFailure(kEngReasonOutOfMemory);
  for (int i = 0; i < m; ++i)
    if (!rhs.Add(-coordinate(points[i], dependent))) return EngRecordFailure(kEngReasonOutOfMemory);
  double solution[3] = {0, 0, 0};
  if (!MUtilSolveLeastSquares(3, m, &columns[0], &rhs[0], solution)) return;
  double n[3];
  n[dependent] = 1;
  n[other[0]] = solution[0];
  n[other[1]] = solution[1];
  if (MUtilIsNaN(n[0]) || MUtilIsNaN(n[1]) || MUtilIsNaN(n[2]) || !std::isfinite(n[0] + n[1] + n[2])) return;
  normal = {n[0], n[1], n[2]};
}

namespace {

void SetMirrorFlag(MVertex* v, bool on) {
  v->SaveUndo();
  if (Failed()) return;
  if (on) {
    v->flags |= kVertexOnMirror;
    v->position.x = 0;
  } else {
    v->flags &= ~static_cast<std::uint32_t>(kVertexOnMirror);
  }
}

}  // namespace

void MMeshObj::SetMirrorPlaneFlags(bool on) {
  SaveEditState();
  for (MVertex* v : vertices) {
    SetMirrorFlag(v, on);
    if (Failed()) return;
  }
}

void MMeshObj::SetMirrorPlaneFlagsSelected(bool on) {
  PtrArray selected;
  GatherSelected(0, nullptr, nullptr, &selected);
  SaveEditState();
  for (int i = 0; i < selected.count && !Failed(); ++i) SetMirrorFlag(At<MVertex>(selected, i), on);
}

// ---- vertex markers and bisectors -----------------------------------------------------------------

void MMeshObj::DrawVertexMarkers(const MatrixRecord& projection) {
  const CrPrefs* prefs = EngContext().prefs;
  if (prefs == nullptr || prefs->vertexDisplayMode == 1) return;
  int x0, y0, width, height;
  GlGetViewport(x0, y0, width, height);
  GlBeginWindowCoords(width, height);
  GlSetRenderState(4);
  const PrefColour& c = prefs->colours[kColourVertex];
  GlColor(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
  GlLineWidth(1);
  GlPointSize(4);
  for (const MVertex* v : vertices) {
    if ((v->flags & kVertexHidden) || v->firstLine == nullptr || v->firstLine->fltabEntry != nullptr) continue;
    if (prefs->vertexDisplayMode == 3 ? v->firstLine == nullptr : !v->IsOnFreeLine()) continue;
    PointRecord s;
    MUtilProjectPoint(projection, v->position, s);
    const int x = static_cast<int>(s.x), y = static_cast<int>(s.y);
    if (v->mirrorPartner != nullptr) {
      GlWindowPoint(x, y);
      continue;
    }
    GlShortPoint square[4] = {{static_cast<short>(x - 2), static_cast<short>(y - 2)},
                              {static_cast<short>(x + 2), static_cast<short>(y - 2)},
                              {static_cast<short>(x + 2), static_cast<short>(y + 2)},
                              {static_cast<short>(x - 2), static_cast<short>(y + 2)}};
    GlWindowQuadOutline(square);
  }
}

void MMeshObj::CornerBisectorPoint(PointRecord& out, const PointRecord& a, const PointRecord& b, const PointRecord& c,
                                   const PointRecord& d) {
  PointRecord u1 = Minus(b, c), u2 = Minus(a, c);
  const double length = std::fmin(MUtilLength(u1), MUtilLength(u2));
  OsUtilNormalize(u1);
  OsUtilNormalize(u2);
  PointRecord w{u1.x + u2.x, u1.y + u2.y, u1.z + u2.z};
  OsUtilNormalize(w);
  const double cw = Dot(w, u1);
  const double s = std::sqrt(std::fmax(0.0, 1 - cw * cw));
  const double limit = MUtilDistance(d, c);
  double distance = s < 1e-8 ? 0 : length / s;
  if (s < 1e-8 || 1.2 * distance > limit) distance = limit / 1.2;
  out = {c.x + distance * w.x, c.y + distance * w.y, c.z + distance * w.z};
}

}  // namespace engine
