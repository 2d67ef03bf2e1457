// The page drawing style's outlines: silhouettes, sharp lines and borders
// drawn as screen-facing ribbons of constant pixel width, joined where two
// drawn ribbons meet. The ribbon functions serve the smooth surface's
// outlines too.
#include <cmath>
#include <cstdlib>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshDrawing.h"

namespace engine {
namespace {

double Cross2D(const PointRecord& a, const PointRecord& b) { return a.x * b.y - a.y * b.x; }

}  // namespace

double MeshRibbonWidthFactor(double width) {
  if (width > 2.5) return width - 2.0;
  if (width > 1.5) return 0.5;
  if (width > 0.5) return 0.25;
  return width;
}

bool MeshMakeLineRibbon(QView* view, const PointRecord& eye, const double segment[6], double width,
                        const MatrixRecord& projection, bool halfWidth, LineRibbon& out, int penMode) {
  const PointRecord p0{segment[0], segment[1], segment[2]}, p1{segment[3], segment[4], segment[5]};
  PointRecord q = VCross(VSub(p0, eye), VSub(p1, eye));
  if (VDot(q, q) < 1e-8) q = VCross(VSub(eye, p0), VSub(p1, p0));
  if (VDot(q, q) < 1e-8) q = {0.0, 0.0, 0.0};
  else q = VScale(q, 1.0 / VLength(q));
  const PointRecord d = MeshUnitDirection(p0, p1, {0.0, 0.0, 0.0});
  double scales[2] = {0.0, 0.0};
  PointRecord screen{0.0, 0.0, 0.0};
  if (!view->GetRenderer()->ProjectWidthScale(&projection, segment, &q, scales, &screen, view)) return false;
  double w = MeshRibbonWidthFactor(width);
  if (halfWidth) w *= 0.5;
  w *= EngContext().renderScale;
  if (penMode > 1) {
    double c = 0.7, b = -0.7;
    if (penMode == 2) c = 1.0, b = 0.0;
    else if (penMode == 3) c = 0.0, b = 1.0;
    else if (penMode == 4) c = 0.7, b = 0.7;
    w *= std::fabs(c * screen.y + b * screen.x) + 0.3;
  }
  out.t[0] = VAdd(p0, VScale(q, scales[0] * w));
  out.t[1] = VSub(p0, VScale(q, scales[0] * w));
  out.t[2] = d;
  out.t[3] = screen;
  out.t[4] = VSub(p1, VScale(q, scales[1] * w));
  out.t[5] = VAdd(p1, VScale(q, scales[1] * w));
  out.t[6] = VScale(d, -1.0);
  out.t[7] = VScale(screen, -1.0);
  return true;
}

void MeshDrawRibbon(QView* view, const float colour[3], bool ridge, const PointRecord& c0, const PointRecord& c1,
                    const PointRecord& c2, const PointRecord& c3, const PointRecord& viewDirection) {
  QImp* renderer = view->GetRenderer();
  renderer->SetColor(colour[0], colour[1], colour[2]);
  float f[4][3];
  if (!ridge) {
    VToFloats(c0, f[0]);
    VToFloats(c1, f[1]);
    VToFloats(c2, f[2]);
    VToFloats(c3, f[3]);
    renderer->DrawQuad(f[0], f[1], f[2], f[3]);
    return;
  }
  const PointRecord m0 = VMid(c0, c1), m1 = VMid(c2, c3);
  const PointRecord r0 = VSub(m0, VScale(viewDirection, VLength(VSub(c0, c1)) / 2.0));
  const PointRecord r1 = VSub(m1, VScale(viewDirection, VLength(VSub(c2, c3)) / 2.0));
  const PointRecord quads[4][4] = {{c0, c3, r1, r0}, {r0, r1, c2, c1}, {c0, r0, c1, m0}, {c2, r1, c3, m1}};
  for (const auto& quad : quads) {
    for (int i = 0; i < 4; ++i) VToFloats(quad[i], f[i]);
    renderer->DrawQuad(f[0], f[1], f[2], f[3]);
  }
}

void MeshJoinRibbons(QView* view, const float colour[3], int count, PointRecord* const ends[2], int lineStyle) {
  ENG_FATAL_IF(count != 2);
  PointRecord* a[2] = {&ends[0][0], &ends[1][0]};
  PointRecord* b[2] = {&ends[0][1], &ends[1][1]};
  const double c = VDot(ends[0][3], ends[1][3]);
  auto meet = [](PointRecord* p, PointRecord* q) { *p = *q = VMid(*p, *q); };
  if (std::fabs(c) > 0.9) {
    if (VLength(VSub(*b[1], *a[0])) <= VLength(VSub(*a[1], *a[0]))) {
      meet(a[0], b[1]);
      meet(b[0], a[1]);
    } else {
      meet(a[0], a[1]);
      meet(b[0], b[1]);
    }
    return;
  }
  PointRecord* s[2];
  PointRecord* l[2];
  for (int k = 0; k < 2; ++k) {
    const int other = 1 - k;
    const PointRecord& direction = ends[k][2];
    const double alongA = VDot(VSub(*a[other], *a[k]), direction);
    const double alongB = VDot(VSub(*b[other], *a[k]), direction);
    s[k] = alongB <= alongA ? b[other] : a[other];
    l[k] = alongB <= alongA ? a[other] : b[other];
  }
  if (c >= -0.5 && lineStyle < 2) {
    QImp* renderer = view->GetRenderer();
    renderer->SetColor(colour[0], colour[1], colour[2]);
    float f0[3], f1[3], f2[3];
    VToFloats(*s[0], f0);
    VToFloats(*s[1], f1);
    VToFloats(VMid(*a[0], *b[0]), f2);
    renderer->DrawTriangle(f0, f1, f2);
    return;
  }
  meet(s[0], s[1]);
  meet(l[0], l[1]);
}

void RibbonJoinSlots::Offer(PointRecord* e, int who) {
  if (found < 2) {
    end[found] = e;
    owner[found] = who;
    ++found;
    return;
  }
  ++found;
  if (blocked) return;
  if (Cross2D(end[0][3], end[1][3]) > 0.0) {
    std::swap(end[0], end[1]);
    std::swap(owner[0], owner[1]);
  }
  const double c0 = Cross2D(end[0][3], e[3]), c1 = Cross2D(end[1][3], e[3]);
  if (c0 > 0.0 && c1 > 0.0) {
    end[0] = e;
    owner[0] = who;
  } else if (c0 <= 0.0 && c1 <= 0.0) {
    end[1] = e;
    owner[1] = who;
  } else if (c0 > 0.0) {
    blocked = true;
  }
}

// ---- the mesh's pass ------------------------------------------------------------------

MatrixRecord MMeshObj::PageOutlineMatrix(QView* view) {
  MatrixRecord world = MeshWorldMatrix(this);
  if (MeshMirrorPass()) {
    MatrixRecord identity, mirror, mirrored;
    MUtilIdentity(identity);
    MUtilScale(identity, -1.0, 1.0, 1.0, mirror);
    MUtilMultiply(mirror, world, mirrored);
    world = mirrored;
  }
  MatrixRecord out;
  MUtilMultiply(view->GetProjectionMatrix(), world, out);
  return out;
}

void MMeshObj::DrawPageOutlines(QView* view, const DrawRecord& record) {
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawFilledLit);
  renderer->LightingOff();
  renderer->SetPolygonOffset(false);
  const MatrixRecord projection = PageOutlineMatrix(view);
  int total = 0;
  for (MLine* line : lines) line->id = ++total;
  // The numbers live in the lines' stamp words: later walks must take
  // stamps above them.
  if (visitStamp <= total) visitStamp = total + 1;
  LineRibbon* ribbons = total > 0 ? EngAllocArray<LineRibbon>(static_cast<std::size_t>(total) + 1) : nullptr;
  MLine** byNumber = total > 0 ? EngAllocArray<MLine*>(static_cast<std::size_t>(total) + 1) : nullptr;
  if (total > 0 && (ribbons == nullptr || byNumber == nullptr)) {
    EngRecordFailure(kEngReasonOutOfMemory);
  } else if (total > 0) {
    const int penMode = pageLineStyle != 0 ? pageLineStyle : view->GetPageLineStyle();
    const bool parallel = view->GetProjectionKind() == 1603;
    const PointRecord along = MeshUnitDirection(record.eye, record.target, {0.0, 0.0, 1.0});
    for (MLine* line : lines) {
      byNumber[line->id] = line;
      bool half = false;
      bool drawn = true;
      if ((line->flags & kLineHidden) != 0 || line->GetWidth() == 0) drawn = false;
      const PointRecord direction =
          parallel ? along : MeshUnitDirection(line->end0->position, record.eye, {0.0, 0.0, 1.0});
      MFace* one = line->forwardFace != nullptr ? line->forwardFace : line->backwardFace;
      if (!drawn) {
      } else if (line->forwardFace != nullptr && line->backwardFace != nullptr) {
        const double d1 = VDot(line->forwardFace->GetNormal(), direction);
        const double d2 = VDot(line->backwardFace->GetNormal(), direction);
        if (!(d1 * d2 <= 0.0)) {
          drawn = line->IsSharp();
          half = std::fabs(d1) > 0.01 && std::fabs(d2) > 0.01;
        }
      } else if (one != nullptr) {
        if (line->IsOnMirrorPlane()) {
          if (!line->IsSharp()) {
            const PointRecord n = one->GetNormal();
            const PointRecord mirrored{-n.x, n.y, n.z};
            drawn = VDot(n, direction) * VDot(mirrored, direction) <= 0.0;
          }
        } else {
          half = true;
        }
      } else {
        half = true;
      }
      if (drawn) {
        const double width = view->IsLineWidthOverride() ? view->GetLineWidth() : line->GetWidth();
        const double segment[6] = {line->end0->position.x, line->end0->position.y, line->end0->position.z,
                                   line->end1->position.x, line->end1->position.y, line->end1->position.z};
        drawn = MeshMakeLineRibbon(view, record.eye, segment, width, projection, half, ribbons[line->id], penMode);
      }
      if (!drawn) line->id = 0;
    }
    // Joins where two drawn ribbons meet.
    for (MVertex* v : vertices) {
      if ((v->flags & kVertexHidden) != 0 || v->firstLine == nullptr) continue;
      RibbonJoinSlots slots;
      MLine* line = v->firstLine;
      int guard = 0;
      do {
        if (line->id != 0) {
          LineRibbon& ribbon = ribbons[line->id];
          slots.Offer(line->end0 == v ? ribbon.StartEnd() : ribbon.FinishEnd(), line->id);
        }
        line = line->GetNextAround(v);
      } while (line != v->firstLine && ++guard < MVertex::kRingLimit);
      if (slots.found < 2 || slots.blocked) continue;
      float colour[3];
      MeshOutlineColour(view, byNumber[slots.owner[0]], colour);
      MeshJoinRibbons(view, colour, 2, slots.end, view->GetPageLineStyle());
      if (EngContext().failState != kEngFailNone) break;
    }
    for (MLine* line : lines) {
      if (line->id == 0 || EngContext().failState != kEngFailNone) continue;
      const LineRibbon& r = ribbons[line->id];
      float colour[3];
      MeshOutlineColour(view, line, colour);
      const bool ridge = line->IsSharp() || line->forwardFace == nullptr || line->backwardFace == nullptr;
      MeshDrawRibbon(view, colour, ridge, r.t[0], r.t[1], r.t[4], r.t[5], along);
    }
  }
  EngFree(ribbons);
  EngFree(byNumber);
  renderer->SetLineWidth(1.0f);
  renderer->SetPolygonOffset(true);
  renderer->LightingOn();
}

}  // namespace engine
