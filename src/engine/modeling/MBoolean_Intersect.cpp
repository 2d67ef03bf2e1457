// The mesh boolean's geometric core: where a face pair crosses, the
// crossing segment as a line drawn on each face, and the nudges that move
// degenerate contacts apart.
//
// A crossing point is always where an edge line of one operand passes
// through a face of the other, so each is worked out once per (line, face)
// and shared by every face pair that meets it: neighbouring segments end
// on the very same vertices and the curves come out connected. In the face
// the point lies in it is a drawn vertex with face parameters; on the line
// it is a vertex in the line's list; both stand for one marker vertex of
// the result.
#include <cmath>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/MBoolean.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

PointRecord Sub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct FaceFrame {
  PointRecord p[3];
  PointRecord e1, e2, normal;
  double la, lb;
  double g11, g12, g22, det;

  explicit FaceFrame(MFace* face) {
    MVertex* c[3];
    face->GetVertices(c);
    for (int k = 0; k < 3; ++k) p[k] = c[k]->position;
    e1 = Sub(p[1], p[0]);
    e2 = Sub(p[2], p[0]);
    OsUtilCrossProduct(e1, e2, normal);
    OsUtilNormalize(normal);
    la = std::sqrt(Dot(e1, e1));
    lb = std::sqrt(Dot(e2, e2));
    g11 = Dot(e1, e1);
    g12 = Dot(e1, e2);
    g22 = Dot(e2, e2);
    det = g11 * g22 - g12 * g12;
  }
  double Distance(const PointRecord& q) const { return Dot(Sub(q, p[0]), normal); }
  // The parameters of q's projection on the face's plane.
  void Params(const PointRecord& q, double& s, double& t) const {
    const PointRecord w = Sub(q, p[0]);
    const double a = Dot(w, e1), b = Dot(w, e2);
    if (det <= 0) {
      s = t = -1;
      return;
    }
    s = (a * g22 - b * g12) / det;
    t = (b * g11 - a * g12) / det;
  }
  // Edge k runs from corner k to corner k + 1.
  PointRecord Edge(int code) const { return Sub(p[(code + 1) % 3], p[code]); }
};

void MoveVertex(MVertex* v, const PointRecord& by) {
  v->SaveUndo();
  v->position = {v->position.x + by.x, v->position.y + by.y, v->position.z + by.z};
  if (v->flags & kVertexOnMirror) v->position.x = 0;
}

}  // namespace

int MBoolean::ClassifyParamPoint(double s, double t, double la, double lb, int& edge) const {
  const double ms = s * la, mt = t * lb, mh = (s + t - 1) * (la + lb);
  edge = -1;
  if (ms <= -band || mt <= -band || mh >= band) return -1;
  if (ms < band || mt < band || mh > -band) {
    edge = ms < band ? 2 : mh > -band ? 1 : 0;
    return 0;
  }
  return 1;
}

bool MBoolean::TriangleMeetsUnitTriangle(const double s[3], const double t[3]) const {
  for (int k = 0; k < 3; ++k)
    if (s[k] >= 0 && t[k] >= 0 && s[k] + t[k] <= 1) return true;
  for (int k = 0; k < 3; ++k) {
    const int j = (k + 1) % 3;
    // Across s = 0 with t in 0..1, or across t = 0 with s in 0..1.
    if ((s[k] < 0) != (s[j] < 0)) {
      const double tc = t[k] + (t[j] - t[k]) * (0 - s[k]) / (s[j] - s[k]);
      if (tc >= 0 && tc <= 1) return true;
    }
    if ((t[k] < 0) != (t[j] < 0)) {
      const double sc = s[k] + (s[j] - s[k]) * (0 - t[k]) / (t[j] - t[k]);
      if (sc >= 0 && sc <= 1) return true;
    }
  }
  // The unit triangle's corner (0, 0) inside the other triangle.
  int positive = 0, negative = 0;
  for (int k = 0; k < 3; ++k) {
    const int j = (k + 1) % 3;
    const double cross = (s[j] - s[k]) * (0 - t[k]) - (t[j] - t[k]) * (0 - s[k]);
    (cross >= 0 ? positive : negative)++;
  }
  return positive == 3 || negative == 3;
}

void MBoolean::NudgeCorners(MVertex* const corners[], const double distances[], int n, const PointRecord& normal) {
  const double step = 2 * band;
  for (int k = 0; k < n; ++k) {
    if (std::fabs(distances[k]) > band) continue;
    const double sign = distances[k] > 0 ? 1 : -1;
    MoveVertex(corners[k], {normal.x * step * sign, normal.y * step * sign, normal.z * step * sign});
  }
}

void MBoolean::NudgeOffEdge(const PointRecord& edgeVector, const PointRecord& normal, MVertex* i, MVertex* j) {
  PointRecord w;
  OsUtilCrossProduct(edgeVector, normal, w);
  OsUtilNormalize(w);
  const double step = 2.5 * band;
  const PointRecord by{w.x * step, w.y * step, w.z * step};
  MoveVertex(i, by);
  MoveVertex(j, by);
}

MBoolean::Crossing* MBoolean::FindCrossing(MLine* line, MFace* face, int /*faceSide*/) {
  Crossing* found = nullptr;
  try {
    found = &crossings[CrossingKey{line, face}];
  } catch (const std::bad_alloc&) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  Crossing& c = *found;
  if (c.kind != -2) return &c;
  c.kind = -1;
  const FaceFrame f(face);
  MVertex* ends[2] = {line->end0, line->end1};
  const double d[2] = {f.Distance(ends[0]->position), f.Distance(ends[1]->position)};
  const bool near[2] = {std::fabs(d[0]) < band, std::fabs(d[1]) < band};
  double s[3], t[3];
  f.Params(ends[0]->position, s[0], t[0]);
  f.Params(ends[1]->position, s[1], t[1]);
  s[2] = s[1];
  t[2] = t[1];
  if (near[0] && near[1]) {
    // The line lies in the face's plane: apart, or moved off it.
    if (TriangleMeetsUnitTriangle(s, t)) {
      NudgeCorners(ends, d, 2, f.normal);
      EngRecordFailure(kReasonDegenerate);
    }
    return &c;
  }
  for (int k = 0; k < 2; ++k) {
    int edge = 0;
    if (near[k] && ClassifyParamPoint(s[k], t[k], f.la, f.lb, edge) >= 0) {
      NudgeCorners(&ends[k], &d[k], 1, f.normal);
      EngRecordFailure(kReasonDegenerate);
      return &c;
    }
  }
  if ((d[0] >= 0) == (d[1] >= 0)) return &c;
  const double u = d[0] / (d[0] - d[1]);
  const PointRecord a = ends[0]->position, b = ends[1]->position;
  const PointRecord point{a.x + u * (b.x - a.x), a.y + u * (b.y - a.y), a.z + u * (b.z - a.z)};
  double ps = 0, pt = 0;
  f.Params(point, ps, pt);
  int edge = 0;
  const int where = ClassifyParamPoint(ps, pt, f.la, f.lb, edge);
  if (where == 0) {
    NudgeOffEdge(f.Edge(edge), f.normal, ends[0], ends[1]);
    EngRecordFailure(kReasonDegenerate);
  } else if (where == 1) {
    c.kind = 1;
    c.point = point;
    c.s = ps;
    c.t = pt;
  }
  return &c;
}

bool MBoolean::Remember(MVertex* v, MLine* line) {
  try {
    drawn.emplace_back(v, line);
    return true;
  } catch (const std::bad_alloc&) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
}

bool MBoolean::MakeCrossingVertices(Crossing& c, MLine* line, MFace* face, int faceSide) {
  if (c.marker != nullptr) return true;
  c.marker = operandMesh0->AddVertex(c.point);
  if (c.marker == nullptr || !Append(intersectionVertices, c.marker)) return false;
  if (GetsLines(faceSide)) {
    MVertex* w = MeshOf(faceSide)->AddVertex(c.point);
    if (w == nullptr) return false;
    w->faceS = c.s;
    w->faceT = c.t;
    w->mirrorPartner = c.marker;
    c.inFace = w;
    if (!Remember(w, line)) return false;
  }
  if (GetsLines(1 - faceSide)) {
    MVertex* w = MeshOf(1 - faceSide)->AddVertex(c.point);
    if (w == nullptr) return false;
    w->lineT = line->GetParamOfPoint(c.point);
    line->AddOnLineVertex(w);
    w->mirrorPartner = c.marker;
    c.onLine = w;
    if (!Remember(w, line)) return false;
  }
  (void)face;
  return true;
}

MLine* MBoolean::DrawLine(MFace* face, int side, MVertex* from, MVertex* to) {
  const FaceFrame f(face);
  // A vertex on an edge serves both faces of the edge: it takes this
  // face's parameters while the line goes in.
  f.Params(from->position, from->faceS, from->faceT);
  f.Params(to->position, to->faceS, to->faceT);
  MLine *next0 = nullptr, *prev0 = nullptr, *next1 = nullptr, *prev1 = nullptr;
  from->FindSectorForParams(to, next0, prev0);
  to->FindSectorForParams(from, next1, prev1);
  return MeshOf(side)->AddLineOnFace(from, to, next0, prev0, prev1, next1, face);
}

void MBoolean::TestFacePair(MFace* faceA, MFace* faceB) {
  if (!FaceBoxesOverlap(faceA, faceB)) return;
  const FaceFrame fa(faceA);
  {
    // B's face in A's plane: nothing when they are apart, else moved off.
    const FaceFrame fb(faceB);
    double d[3], s[3], t[3];
    bool flat = true;
    for (int k = 0; k < 3; ++k) {
      d[k] = fa.Distance(fb.p[k]);
      flat = flat && std::fabs(d[k]) < band;
      fa.Params(fb.p[k], s[k], t[k]);
    }
    if (flat) {
      if (!TriangleMeetsUnitTriangle(s, t)) return;
      MVertex* c[3];
      faceB->GetVertices(c);
      NudgeCorners(c, d, 3, fa.normal);
      return EngRecordFailure(kReasonDegenerate);
    }
  }
  struct Hit {
    Crossing* c;
    MLine* line;
    MFace* face;
    int faceSide;
  };
  Hit hits[6];
  int n = 0;
  MLine* linesA[3];
  MLine* linesB[3];
  faceA->GetLines(linesA);
  faceB->GetLines(linesB);
  for (int k = 0; k < 3; ++k) {
    Crossing* c = FindCrossing(linesB[k], faceA, 0);
    if (AnyFailure()) return;
    if (c->kind == 1) hits[n++] = {c, linesB[k], faceA, 0};
  }
  for (int k = 0; k < 3; ++k) {
    Crossing* c = FindCrossing(linesA[k], faceB, 1);
    if (AnyFailure()) return;
    if (c->kind == 1) hits[n++] = {c, linesA[k], faceB, 1};
  }
  if (n == 0) return;
  if (n != 2) {
    // Rounding let the segment's ends disagree: move B's face off A's
    // plane a little and run the pass again.
    MVertex* c[3];
    faceB->GetVertices(c);
    const double step = 2 * band;
    for (MVertex* v : c) {
      const double sign = fa.Distance(v->position) > 0 ? 1 : -1;
      MoveVertex(v, {fa.normal.x * step * sign, fa.normal.y * step * sign, fa.normal.z * step * sign});
    }
    return EngRecordFailure(kReasonDegenerate);
  }

  faceA->SaveUndo();
  faceB->SaveUndo();
  for (int k = 0; k < 3; ++k) {
    linesA[k]->SaveUndo();
    linesB[k]->SaveUndo();
  }
  for (int k = 0; k < 2; ++k)
    if (!MakeCrossingVertices(*hits[k].c, hits[k].line, hits[k].face, hits[k].faceSide)) {
      if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  auto vertexFor = [&](const Hit& h, int side) { return h.faceSide == side ? h.c->inFace : h.c->onLine; };

  // Which side of the segment lies inside the other operand, seen on A's face.
  const FaceFrame fb(faceB);
  const PointRecord dir = Sub(hits[1].c->point, hits[0].c->point);
  PointRecord across;
  OsUtilCrossProduct(dir, fa.normal, across);
  const double g = Dot(across, fb.normal);
  const bool leftOfAInside = sidesSwapped ? g <= 0 : g > 0;

  MLine* drawnA = DrawLine(faceA, 0, vertexFor(hits[0], 0), vertexFor(hits[1], 0));
  if (drawnA == nullptr) return;
  drawnA->pairValue = leftOfAInside ? 1 : 2;
  if (mode != 4) drawnA->flags |= kLineSharp;
  if (!GetsLines(1)) return;
  MLine* drawnB = DrawLine(faceB, 1, vertexFor(hits[0], 1), vertexFor(hits[1], 1));
  if (drawnB == nullptr) return;
  drawnB->pairValue = leftOfAInside ? 2 : 1;
  if (mode != 4) drawnB->flags |= kLineSharp;
  drawnA->partnerLine = drawnB;
  drawnB->partnerLine = drawnA;
}

void MBoolean::CheckCurvesClosed() {
  for (const auto& [v, line] : drawn) {
    const int faces = (line->forwardFace != nullptr ? 1 : 0) + (line->backwardFace != nullptr ? 1 : 0);
    // Through a crossing of a line between two faces the curve passes
    // once in each face, so two lines meet at it; at an open border one.
    const int expected = faces == 2 ? 2 : 1;
    if (v->CountLines() != expected) return EngRecordFailure(kReasonMissingPair);
    if (faces < 2 && curvesMustClose) return EngRecordFailure(kReasonOpenCurve);
  }
}

}  // namespace engine
