// Picking through a view: the pick ray under a screen point, the scene's
// objects projected once per view and camera, and the hits handed back in
// world coordinates (refined onto the hit vertex or line).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/MDocObj.h"
#include "view/QView.h"
#include "view/QView_PickInternal.h"

namespace view {

using engine::MatrixRecord;
using engine::PointRecord;

using namespace pick_detail;

namespace {

// A screen point (x, y) at normalised depth z taken back to world space
// through the inverse of the world-to-screen matrix (row vectors).
PointRecord Unproject(const MatrixRecord& inverse, double x, double y, double z) {
  const auto& m = inverse.m;
  double out[4];
  for (int c = 0; c < 4; ++c) out[c] = x * m[0][c] + y * m[1][c] + z * m[2][c] + m[3][c];
  const double w = std::fabs(out[3]) > 1e-300 ? out[3] : 1.0;
  return {out[0] / w, out[1] / w, out[2] / w};
}

}  // namespace

std::uint32_t PackScreenPoint(int x, int y) {
  return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) << 16) | static_cast<std::uint16_t>(y);
}

void UnpackScreenPoint(std::uint32_t packed, int& x, int& y) {
  x = static_cast<std::int16_t>(packed >> 16);
  y = static_cast<std::int16_t>(packed & 0xFFFF);
}

void QView::ScreenToRay(double x, double y, PointRecord& nearPoint, PointRecord& farPoint) {
  MatrixRecord m, inverse;
  GetProjectionMatrix(m);
  engine::MUtilInvert(m, inverse);
  farPoint = Unproject(inverse, x, y, 1.0);
  if (projectionKind_ == kProjectionParallel)
    nearPoint = Unproject(inverse, x, y, -1.0);
  else
    GetEyePosition(nearPoint);
}

void QView::PointToRay(std::uint32_t packed, PointRecord& nearPoint, PointRecord& farPoint) {
  int x = 0, y = 0;
  UnpackScreenPoint(packed, x, y);
  ScreenToRay(x, y, nearPoint, farPoint);
}

int QView::BeginPick(engine::MObject* scene, std::uint32_t packed, PointRecord* screen, PointRecord& nearPoint,
                     PointRecord& farPoint, bool reproject) {
  if (screen != nullptr) {
    PointToRay(packed, nearPoint, farPoint);
    int x = 0, y = 0;
    UnpackScreenPoint(packed, x, y);
    *screen = {static_cast<double>(x), static_cast<double>(y), 0.0};
  }
  MatrixRecord m;
  GetProjectionMatrix(m);
  // The scene keeps its projection while it was made for this view with the
  // same camera; a camera moved since (a zoom, a pan, a drag) projects anew.
  const bool sameCamera = std::memcmp(&m.m[0][0], &pickProjection_.m[0][0], sizeof m.m) == 0;
  if (scene->GetProjectedView() == this && sameCamera && !reproject) return 0;
  scene->ProjectToScreen(m, reproject ? 1 : 0);
  if (!reproject) {
    scene->SetProjectedView(this);
    pickProjection_ = m;
  }
  return 0;
}

engine::MObject* QView::PickNearest(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit,
                                    PickedElements* elements, int kinds) {
  PickScale scale(samplingFactor_);
  PointRecord screen, nearPoint, farPoint;
  PickedElements local;
  PickedElements& e = elements != nullptr ? *elements : local;
  e = {};
  BeginPick(scene, packed, &screen, nearPoint, farPoint, false);
  if (Failed()) return nullptr;
  double t = 0.0;
  engine::MObject* object = nullptr;
  {
    IncludeExcluded include(scene, includeExcluded_);
    // In draw mode 0 (lines only) no face is shown, so none is asked for;
    // vertices and lines still are.
    const bool faces = (kinds & kPickFace) != 0 && drawMode_ != 0;
    object = scene->PickFace(screen, nearPoint, farPoint, &t, (kinds & kPickVertex) != 0 ? &e.vertex : nullptr,
                             (kinds & kPickLine) != 0 ? &e.line : nullptr, faces ? &e.face : nullptr);
  }
  if (object == nullptr || Failed()) {
    e = {};
    return nullptr;
  }
  hit = Along(nearPoint, farPoint, t);
  PointRecord objectHit;
  ToObjectHit(scene, object, e, hit, objectHit);
  return object;
}

void QView::ToObjectHit(engine::MDocObj* scene, engine::MObject* object, const PickedElements& elements,
                        PointRecord& hit, PointRecord& local) {
  MatrixRecord world, inverse;
  scene->GetObjectWorldMatrix(object, &world, &inverse);
  engine::MUtilTransformPoint(inverse, hit, local);
  if (elements.vertex != nullptr) {
    local = elements.vertex->position;
  } else if (elements.line != nullptr) {
    const PointRecord& a = elements.line->end0->position;
    const PointRecord& b = elements.line->end1->position;
    const PointRecord d{b.x - a.x, b.y - a.y, b.z - a.z};
    const double len2 = d.x * d.x + d.y * d.y + d.z * d.z;
    double s = len2 > 0 ? ((local.x - a.x) * d.x + (local.y - a.y) * d.y + (local.z - a.z) * d.z) / len2 : 0.0;
    s = std::clamp(s, 0.0, 1.0);
    local = Along(a, b, s);
  }
  engine::MUtilTransformPoint(world, local, hit);
}

engine::MObject* QView::PickWithHit(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit,
                                    PointRecord& local, PickedElements& elements, bool* selected, int kinds) {
  engine::MObject* object = PickNearest(scene, packed, hit, &elements, kinds);
  if (selected != nullptr) *selected = false;
  if (object == nullptr) return nullptr;
  ToObjectHit(scene, object, elements, hit, local);
  auto* mesh = dynamic_cast<engine::MMeshObj*>(object);
  if (selected != nullptr && mesh != nullptr)
    *selected = mesh->IsHitSelected(elements.vertex, elements.line, elements.face);
  return object;
}

engine::MObject* QView::PickObject(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit) {
  PointRecord screen, nearPoint, farPoint;
  BeginPick(scene, packed, &screen, nearPoint, farPoint, false);
  if (Failed()) return nullptr;
  double t = 0.0;
  engine::MObject* object = nullptr;
  {
    IncludeExcluded include(scene, includeExcluded_);
    object = scene->PickNearest(screen, nearPoint, farPoint, &t, drawMode_ == 0);
  }
  if (object == nullptr || Failed()) return nullptr;
  hit = Along(nearPoint, farPoint, t);
  return object;
}

namespace {

// The pose tool's code for a figure's bone under the point: 20 + the ring
// of a rotation ring, 4 near the bone's middle (within 4 pixels both ways),
// else 0.
int FigureBoneCode(QView& v, engine::MDocObj* scene, engine::MBoneObj* figure, const engine::MLine* line,
                   std::uint32_t packed) {
  if (figure->handleHitKind != 0) return 20 + figure->handleHitKind;
  const PointRecord& a = line->end0->position;
  const PointRecord& b = line->end1->position;
  PointRecord mid{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
  MatrixRecord world;
  scene->GetObjectWorldMatrix(figure, &world, nullptr);
  engine::MUtilTransformPoint(world, mid, mid);
  PointRecord s;
  v.ProjectPoint(mid, s);
  int x = 0, y = 0;
  UnpackScreenPoint(packed, x, y);
  return std::fabs(x - s.x) < 4 && std::fabs(y - s.y) < 4 ? 4 : 0;
}

// The colour class of a picked body element: 2 for red, magenta and green
// (when pickable), 1 blue, 3 cyan and yellow, else 0; the vertex is asked
// before the line.
int BodyColourCode(const PickedElements& e) {
  const engine::MVertex* v = e.vertex;
  const engine::MLine* l = e.line;
  for (int kind : {engine::kBodyRed, engine::kBodyMagenta, engine::kBodyGreen}) {
    if (v != nullptr && engine::BodyVertexHasColourKind(v, kind) && engine::BodyVertexHasPickableLine(v)) return 2;
    if (l != nullptr && engine::BodyLineHasColourKind(l, kind) && engine::BodyLineIsPickable(l)) return 2;
  }
  const auto either = [&](int kind) {
    return (v != nullptr && engine::BodyVertexHasColourKind(v, kind)) ||
           (l != nullptr && engine::BodyLineHasColourKind(l, kind));
  };
  if (either(engine::kBodyBlue)) return 1;
  if (either(engine::kBodyCyan) || either(engine::kBodyYellow)) return 3;
  return 0;
}

}  // namespace

engine::MObject* QView::PickElement(engine::MDocObj* scene, std::uint32_t packed, int& code, bool* selected,
                                    PointRecord& hit, bool* marked, PickedElements* elements) {
  PickedElements local;
  PickedElements& e = elements != nullptr ? *elements : local;
  const int requested = code;
  if (requested == 6) {
    // A line's own width byte, asked of lines alone; 5 without a line.
    code = 5;
    PointRecord objectHit;
    engine::MObject* object = PickWithHit(scene, packed, hit, objectHit, e, selected, kPickLine);
    if (e.line != nullptr) code = e.line->GetWidth() & 0xFF;
    return object;
  }
  PointRecord objectHit;
  engine::MObject* object = PickWithHit(scene, packed, hit, objectHit, e, selected, kPickAllKinds);
  if (requested == 0) {
    if (object != nullptr) code = e.vertex != nullptr ? 1 : e.line != nullptr ? 2 : e.face != nullptr ? 3 : 0;
    if (marked != nullptr)
      *marked = code == 1 && e.vertex != nullptr && (e.vertex->flags & engine::kVertexRootJoint) != 0;
    return object;
  }
  code = 0;
  if (object == nullptr) return nullptr;
  if (requested == 2 || requested == 3) {
    auto* figure = object->IsBoneObject() ? static_cast<engine::MBoneObj*>(object) : nullptr;
    const bool bound = figure != nullptr && figure->IsSkinBound();
    if (figure != nullptr && e.line != nullptr && (bound ? requested == 3 : requested == 2))
      code = FigureBoneCode(*this, scene, figure, e.line, packed);
    else if (bound && requested == 2)
      code = e.vertex != nullptr ? 1 : e.line != nullptr ? 2 : 0;
  } else if (requested == 5) {
    code = BodyColourCode(e);
  } else {
    const engine::MLine* l = e.line;
    code = l != nullptr && (l->forwardFace == nullptr || l->backwardFace == nullptr) ? 2 : 0;
  }
  return object;
}

void QView::NormalisedRect(const PointRecord& a, const PointRecord& b, PointRecord& low, PointRecord& high,
                           std::uint32_t& centre) {
  low = {std::min(a.x, b.x), std::min(a.y, b.y), 0.0};
  high = {std::max(a.x, b.x), std::max(a.y, b.y), 0.0};
  centre = PackScreenPoint(static_cast<int>((low.x + high.x) / 2), static_cast<int>((low.y + high.y) / 2));
}

engine::MObject* QView::PickInRect(engine::MDocObj* scene, const PointRecord& a, const PointRecord& b,
                                   PointRecord& hit) {
  PointRecord low, high, screen, nearPoint, farPoint;
  std::uint32_t centre = 0;
  NormalisedRect(a, b, low, high, centre);
  BeginPick(scene, centre, &screen, nearPoint, farPoint, false);
  if (Failed()) return nullptr;
  double t = 0.0;
  engine::MObject* object = nullptr;
  {
    IncludeExcluded include(scene, includeExcluded_);
    object = scene->PickElement(low, high, nearPoint, farPoint, &t, false);
  }
  if (object == nullptr || Failed()) return nullptr;
  hit = Along(nearPoint, farPoint, t);
  return object;
}

void QView::SelectInRect(engine::MDocObj* scene, const PointRecord& a, const PointRecord& b,
                         std::vector<engine::MObject*>& out) {
  PointRecord low, high, screen, nearPoint, farPoint;
  std::uint32_t centre = 0;
  NormalisedRect(a, b, low, high, centre);
  BeginPick(scene, centre, &screen, nearPoint, farPoint, false);
  if (Failed()) return;
  engine::PtrArray children;
  scene->GetChildren(children);
  for (int i = 0; i < children.count; ++i) {
    auto* child = static_cast<engine::MObject*>(children[i]);
    if (!scene->IsObjectEditable(child)) continue;
    double t = 0.0;
    if (child->PickElement(low, high, nearPoint, farPoint, &t, true) != nullptr) out.push_back(child);
  }
}

double QView::WorldPerPixel(std::uint32_t packed, const PointRecord& p) {
  int x = 0, y = 0;
  UnpackScreenPoint(packed, x, y);
  PointRecord closest[2];
  for (int row = 0; row < 2; ++row) {
    PointRecord n, f;
    ScreenToRay(x, y + row, n, f);
    const PointRecord d{f.x - n.x, f.y - n.y, f.z - n.z};
    const double len2 = d.x * d.x + d.y * d.y + d.z * d.z;
    const double s = len2 > 0 ? ((p.x - n.x) * d.x + (p.y - n.y) * d.y + (p.z - n.z) * d.z) / len2 : 0.0;
    closest[row] = Along(n, f, s);
  }
  const double dx = closest[1].x - closest[0].x, dy = closest[1].y - closest[0].y, dz = closest[1].z - closest[0].z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace view
