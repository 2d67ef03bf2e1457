// MMeshObj: the line passes (plain, chained into strips, by crease weight,
// by drawing class, curves), vertex points, section lines and the overlay
// segments handed to the view.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshDrawing.h"
#include "engine/render/GlLayer.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

bool IsDrawable(const MLine* line) { return (line->flags & (kLineHidden | kLineHiddenDiagonal)) == 0; }

const CrPrefs& Prefs() {
  static const CrPrefs defaults;
  const CrPrefs* prefs = EngContext().prefs;
  return prefs != nullptr ? *prefs : defaults;
}

// Colour table entries of the line passes.
constexpr int kDefaultLineColour = kColourLine;
constexpr int kSharpLineColour = kColourSpecialLine;
constexpr int kGroupLineColour = kColourSpecialLine2;
constexpr int kCurveColour = kColourDimmed;
constexpr int kClassColours[3] = {7, 8, 9};

void DrawSegment(QImp* renderer, const PointRecord& a, const PointRecord& b) {
  float p[3], q[3];
  VToFloats(a, p);
  VToFloats(b, q);
  renderer->DrawLine(p, q);
}

// Modes 3 and 5 draw faces only, unless the last frame was slow.
bool LinesSuppressed(QView* view) {
  const int mode = view->GetDrawMode();
  return (mode == 3 || mode == 5) && !view->IsRenderSlow();
}

}  // namespace

void MMeshObj::DrawLinesPlain(QView* view, const DrawRecord&) {
  if (LinesSuppressed(view)) return;
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  const double scale = EngContext().renderScale;
  for (MLine* line : lines) {
    if (!IsDrawable(line)) continue;
    float colour[3];
    MeshOutlineColour(view, line, colour);
    double width = 1.0;
    if (!view->IsThinLines()) {
      if (line->GetWidth() == 0) continue;
      width = line->GetWidth();
      if (view->IsLineWidthOverride()) {
        width = view->GetLineWidth();
        if (width == 0) continue;
      }
    }
    renderer->SetColorVec(colour);
    renderer->SetLineWidth(static_cast<float>(width * scale));
    DrawSegment(renderer, line->end0->position, line->end1->position);
    if (Failed()) break;
  }
  renderer->SetLineWidth(1.0f);
}

void MMeshObj::DrawLinesChained(QView* view, const DrawRecord&) {
  const int mode = view->GetDrawMode();
  if ((mode == 3 || mode == 5) && !(view->IsRenderSlow() && view->GetQuickDrawLevel() == 0)) return;
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  const bool thin = view->IsThinLines();
  const double scale = EngContext().renderScale;
  const int stamp = TakeVisitStamp();
  int lineTotal = 0;
  for (MLine* line : lines) lineTotal += line != nullptr ? 1 : 0;
  // Special lines one by one.
  float colour[3];
  for (MLine* line : lines) {
    if (!IsDrawable(line)) continue;
    int entry;
    if (line->group != nullptr) entry = kGroupLineColour;
    else if (line->IsSharp() || line->IsOnMirrorPlane()) entry = kSharpLineColour;
    else continue;
    const int width = thin ? 1 : line->GetWidth();
    line->id = stamp;
    if (width == 0) continue;
    MeshPrefColour(entry, colour);
    renderer->SetColorVec(colour);
    renderer->SetLineWidth(static_cast<float>(width * scale));
    DrawSegment(renderer, line->end0->position, line->end1->position);
    if (Failed()) return;
  }
  // The rest in strips of equal width.
  MeshPrefColour(kDefaultLineColour, colour);
  renderer->SetColorVec(colour);
  const int scaleInt = EngContext().renderScaleInt;
  std::vector<float> strip;
  const std::size_t limit = static_cast<std::size_t>(2 * lineTotal + 2);
  for (MLine* first : lines) {
    if (!IsDrawable(first) || first->id == stamp) continue;
    const int width = thin ? 1 : first->GetWidth() * scaleInt;
    first->id = stamp;
    if (!thin && first->GetWidth() == 0) continue;
    strip.clear();
    auto add = [&](const MVertex* v) {
      ENG_FATAL_IF(strip.size() / 3 >= limit);
      strip.push_back(static_cast<float>(v->position.x));
      strip.push_back(static_cast<float>(v->position.y));
      strip.push_back(static_cast<float>(v->position.z));
    };
    add(first->end0);
    add(first->end1);
    MLine* arriving = first;
    MVertex* at = first->end1;
    for (;;) {
      MLine* next = nullptr;
      MLine* candidate = arriving;
      for (int k = 0; k < 3; ++k) {
        candidate = candidate->GetNextAround(at);
        if (candidate == arriving) break;
        const int w = thin ? 1 : candidate->GetWidth() * scaleInt;
        if (candidate->id != stamp && IsDrawable(candidate) && w == width && (thin || candidate->GetWidth() != 0)) {
          next = candidate;
          break;
        }
      }
      if (next == nullptr) break;
      next->id = stamp;
      at = next->OtherEnd(at);
      add(at);
      arriving = next;
    }
    const int n = static_cast<int>(strip.size() / 3);
    if (width > 1 && !thin) {
      renderer->SetLineWidth(static_cast<float>(width));
      renderer->DrawLineStrip(n, strip.data());
      renderer->SetLineWidth(1.0f);
    } else {
      renderer->DrawLineStrip(n, strip.data());
    }
    if (Failed()) return;
  }
  renderer->SetLineWidth(1.0f);
}

void MMeshObj::DrawLinesByCrease(QView* view, const DrawRecord&) {
  const int mode = view->GetDrawMode();
  if (mode == 3 || mode == 5) return;
  QImp* renderer = view->GetRenderer();
  GlSetRenderState(kDrawLinesCulled);
  const bool thin = view->IsThinLines();
  const double scale = EngContext().renderScale;
  for (MLine* line : lines) {
    if (!IsDrawable(line)) continue;
    const int w = line->GetCreaseWeight();
    const float g = static_cast<float>(w > 127 ? (255 - w) / 255.0 : w / 255.0);
    const float colour[3] = {0.0f, g, static_cast<float>(w / 255.0)};
    const int width = thin ? 1 : line->GetWidth();
    if (width == 0) continue;
    renderer->SetLineWidth(static_cast<float>(width * scale));
    GlColorVec(colour);
    float p[3], q[3];
    VToFloats(line->end0->position, p);
    VToFloats(line->end1->position, q);
    GlLine({p[0], p[1], p[2]}, {q[0], q[1], q[2]});
  }
  renderer->SetLineWidth(1.0f);
}

void MMeshObj::DrawLinesByClass(QView* view, const DrawRecord&) {
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  const int level = view->GetQuickDrawLevel();
  for (MLine* line : lines) {
    if (!IsDrawable(line)) continue;
    const int lineClass = BoneFeatLineClass(line, level);
    if (lineClass == 0) continue;
    float colour[3];
    float width = 2.0f;
    if (lineClass == 1) {
      MeshPrefColour(kCurveColour, colour);
      width = 1.0f;
    } else if (lineClass == 5) {
      MeshPrefColour(kSharpLineColour, colour);
    } else {
      MeshPrefColour(kClassColours[std::clamp(lineClass, 2, 4) - 2], colour);
    }
    renderer->SetColorVec(colour);
    renderer->SetLineWidth(width);
    DrawSegment(renderer, line->end0->position, line->end1->position);
    if (Failed()) break;
  }
  renderer->SetLineWidth(1.0f);
}

void MMeshObj::DrawCurveLine(QView* view, MLine* line, const PointRecord control[4]) {
  if (line->GetWidth() == 0) return;
  QImp* renderer = view->GetRenderer();
  float colour[3];
  if (Prefs().lineDisplayMode != 0) MeshPrefColour(kCurveColour, colour);
  else MeshLineColour(line, colour);
  renderer->SetColorVec(colour);
  renderer->SetLineWidth(static_cast<float>(line->GetWidth() * EngContext().renderScale));
  PointRecord points[9];
  for (int i = 0; i <= 8; ++i) {
    const double t = i / 8.0, t2 = t * t, t3 = t2 * t, u = 1.0 - t;
    const double w0 = u * u * u / 6.0, w1 = t3 / 2.0 - t2 + 2.0 / 3.0;
    const double w2 = -t3 / 2.0 + t2 / 2.0 + t / 2.0 + 1.0 / 6.0, w3 = t3 / 6.0;
    points[i] = VAdd(VAdd(VScale(control[0], w0), VScale(control[1], w1)),
                     VAdd(VScale(control[2], w2), VScale(control[3], w3)));
  }
  const PointRecord d01 = VSub(control[1], control[0]), d23 = VSub(control[3], control[2]);
  if (VLength(d01) < 1e-8) points[0] = control[0];
  if (VLength(d23) < 1e-8) points[8] = control[3];
  for (int i = 0; i < 8; ++i) DrawSegment(renderer, points[i], points[i + 1]);
}

void MMeshObj::DrawCurveLines(QView* view, const DrawRecord&) {
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  for (MLine* line : lines) {
    bool ok = false;
    PointRecord control[4];
    line->GetCurvePoints(ok, control);
    if (!ok) continue;
    DrawCurveLine(view, line, control);
    if (Failed()) break;
  }
  renderer->SetLineWidth(1.0f);
}

void MMeshObj::DrawVertexPoints(QView* view, const DrawRecord&) {
  const int mode = view->GetDrawMode();
  const CrPrefs& prefs = Prefs();
  if (mode == 3 || mode == 5 || view->IsAltMeshDraw() || MeshMirrorPass() || prefs.vertexDisplayMode == 1) return;
  float colour[3];
  MeshPrefColour(kColourVertex, colour);
  view->SetPointMarkerColor({colour[0], colour[1], colour[2]});
  const double scale = EngContext().renderScale;
  for (MVertex* v : vertices) {
    if ((v->flags & kVertexHidden) != 0 || v->firstLine == nullptr || v->firstLine->fltabEntry != nullptr) continue;
    if (prefs.vertexDisplayMode == 2) {
      if (!v->IsOnFreeLine()) continue;
    } else if (prefs.vertexDisplayMode != 3) {
      continue;
    }
    if (v->mirrorPartner != nullptr || !view->IsDirectPoints()) {
      view->DrawPointMarker(v->position);
      continue;
    }
    const float white[3] = {1.0f, 1.0f, 1.0f};
    GlPointSize(static_cast<float>(3 * scale));
    GlColorVec(white);
    GlPoint(static_cast<float>(v->position.x), static_cast<float>(v->position.y), static_cast<float>(v->position.z));
    GlPointSize(static_cast<float>(5 * scale));
    GlColorVec(colour);
    GlPoint(static_cast<float>(v->position.x), static_cast<float>(v->position.y), static_cast<float>(v->position.z));
  }
}

// ---- section lines ----------------------------------------------------------------

PointRecord MeshZeroOffset(double& factor) {
  factor = 0.0;
  return {0.0, 0.0, 0.0};
}

void MeshDrawFaceSections(QView* view, const DrawRecord& record, const PointRecord corners[3],
                          const PointRecord& offset, double factor) {
  const PointRecord origin = record.sectionOrigin;
  const PointRecord step = VSub(record.sectionStep, origin);
  const double length = VLength(step);
  // A step of no length has no planes to cut with.
  if (!(length > 1e-8)) return;
  const PointRecord normal = VScale(step, 1.0 / length);
  int order[3] = {0, 1, 2};
  double s[3];
  for (int i = 0; i < 3; ++i) s[i] = VDot(VSub(corners[i], origin), normal);
  std::sort(order, order + 3, [&](int a, int b) { return s[a] < s[b]; });
  const PointRecord& low = corners[order[0]];
  const PointRecord& mid = corners[order[1]];
  const PointRecord& high = corners[order[2]];
  const double s0 = s[order[0]], s1 = s[order[1]], s2 = s[order[2]];
  QImp* renderer = view->GetRenderer();
  int drawn = 0;
  // Span [s0, s1] cuts low-mid and low-high; span [s1, s2] cuts mid-high and
  // low-high.
  const struct {
    double from, to;
    const PointRecord *a0, *a1, *b0, *b1;
  } spans[2] = {{s0, s1, &low, &mid, &low, &high}, {s1, s2, &mid, &high, &low, &high}};
  for (const auto& span : spans) {
    const double first = std::ceil(span.from / length), end = std::ceil(span.to / length);
    for (double k = first; k < end; k += 1.0) {
      if (drawn >= kMaxSectionsPerFace) return;
      const PointRecord q = VAdd(origin, VScale(step, k));
      PointRecord a, b;
      if (MUtilLinePlaneIntersect(*span.a0, *span.a1, normal, q, a) < 0) continue;
      if (MUtilLinePlaneIntersect(*span.b0, *span.b1, normal, q, b) < 0) continue;
      DrawSegment(renderer, VAdd(a, VScale(offset, factor)), VAdd(b, VScale(offset, factor)));
      ++drawn;
    }
  }
}

void MMeshObj::DrawSectionLines(QView* view, const DrawRecord& record) {
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  double factor;
  const PointRecord offset = MeshZeroOffset(factor);
  const PointRecord grid = view->GetGridColor();
  float colour[3];
  VToFloats(grid, colour);
  renderer->SetColorVec(colour);
  for (MFace* face : faces) {
    if ((face->flags & kFaceHidden) != 0) continue;
    MVertex* c[3];
    face->GetVertices(c);
    const PointRecord corners[3] = {c[0]->position, c[1]->position, c[2]->position};
    MeshDrawFaceSections(view, record, corners, offset, factor);
    if (Failed()) break;
  }
}

// ---- overlay segments ------------------------------------------------------------------

void MMeshObj::CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) {
  MObject::CollectOverlaySegments(out, parentMatrix, view);
  if (Failed()) return;
  const int kind = view->GetOverlayKind();
  if (kind != 0 && kind != 3) CollectLineSegments(out, parentMatrix, view);
  else CollectSilhouetteSegments(out, parentMatrix, view);
}

void MMeshObj::CollectSilhouetteSegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) {
  MatrixRecord toParent, toScreen;
  MUtilMultiply(parentMatrix, matrix, toParent);
  const MatrixRecord projection = view->GetProjectionMatrix();
  MUtilMultiply(projection, toParent, toScreen);
  // Whether each face is turned away, worked out once per pass: the face's
  // work mark holds 1 (facing) or 2 (turned) while the pass runs.
  for (MFace* face : faces) face->workMark = 0;
  auto turned = [&](MFace* face) {
    if (face->workMark == 0) {
      MVertex* c[3];
      face->GetVertices(c);
      PointRecord p[3];
      bool behind = false;
      for (int i = 0; i < 3; ++i) {
        MUtilProjectPoint(toScreen, c[i]->position, p[i]);
        behind = behind || p[i].z < 0.0;
      }
      const double cross = (p[2].y - p[0].y) * (p[1].x - p[0].x) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
      face->workMark = (!behind && cross < 0.0) ? 2 : 1;
    }
    return face->workMark == 2;
  };
  for (MLine* line : lines) {
    if ((line->flags & kLineSelected) == 0 || (line->flags & kLineHiddenDiagonal) != 0) continue;
    bool kindZero = line->forwardFace == nullptr && line->backwardFace == nullptr;
    if (line->forwardFace != nullptr && turned(line->forwardFace)) kindZero = true;
    if (line->backwardFace != nullptr && turned(line->backwardFace)) kindZero = true;
    if (!AppendOverlaySegment(out, toParent, line->end0->position, line->end1->position, kindZero ? 0 : 1)) return;
  }
  for (MFace* face : faces) face->workMark = 0;
  for (MVertex* v : vertices)
    if ((v->flags & kVertexSelected) != 0 && !AppendOverlaySegment(out, toParent, v->position, v->position, 2))
      return;
}

void MMeshObj::CollectLineSegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView*) {
  MatrixRecord toParent;
  MUtilMultiply(parentMatrix, matrix, toParent);
  int thinning = 0;
  for (MLine* line : lines) {
    if (!IsDrawable(line)) continue;
    const bool always = line->IsSharp() || line->forwardFace == nullptr || line->backwardFace == nullptr;
    if (out.count > 1000 && !always && (thinning++ % 13) != 0) continue;
    if (!AppendOverlaySegment(out, toParent, line->end0->position, line->end1->position, 5)) return;
  }
}

void MMeshObj::CollectFacingFaces(int mode, PtrArray* out, const PointRecord& direction) {
  for (MFace* face : faces)
    if (VDot(face->GetNormal(), direction) <= 0.0 && !out->Add(face)) return;
  if (mode == 1) return;
  const bool texturing = EngContext().textureMode != 0;
  bool any = false;
  for (MFace* face : faces) {
    if (texturing && face->shader != nullptr && face->shader->HasTexture()) continue;
    any = true;
    if (!out->Add(face)) return;
  }
  if (any) return;
  MShader* best = nullptr;
  int bestCount = 0;
  for (MShader* shader : shaders) {
    int n = 0;
    for (MFace* face : faces) n += (face->shader == shader && VDot(face->GetNormal(), direction) <= 0.0) ? 1 : 0;
    if (n > bestCount) {
      best = shader;
      bestCount = n;
    }
  }
  if (best == nullptr) return;
  for (MFace* face : faces)
    if (face->shader == best && !out->Add(face)) return;
}

}  // namespace engine
