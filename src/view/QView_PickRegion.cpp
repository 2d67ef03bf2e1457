// Picks beyond one point: faces with their colour, points on an object's
// surface, regions and the whole view, along a drawn polyline, on the
// plane across the axis of an axis view, mirrored joints, and the centre
// of a picked selection.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/MGroupObj.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/MDocObj.h"
#include "view/QView.h"
#include "view/QView_PickInternal.h"

namespace view {

using engine::MatrixRecord;
using engine::PointRecord;
using namespace pick_detail;

ScreenRegion::ScreenRegion(const engine::PointArray& corners) { engine::OsUtilCreatePolygonRegion(region_, corners); }

bool ScreenRegion::Contains(double x, double y) const {
  return engine::OsUtilRegionContains(region_, {x, y, 0.0});
}

namespace {

// Groups answer for their figure children alone, except while a face's
// colour is picked: then every face counts.
class FacePickSwitch {
 public:
  FacePickSwitch() : saved_(engine::EngContext().facePickActive) { engine::EngContext().facePickActive = 1; }
  ~FacePickSwitch() { engine::EngContext().facePickActive = saved_; }
  FacePickSwitch(const FacePickSwitch&) = delete;
  FacePickSwitch& operator=(const FacePickSwitch&) = delete;

 private:
  unsigned char saved_;
};

std::uint32_t PackedAt(const PointRecord& p) {
  return PackScreenPoint(static_cast<int>(p.x), static_cast<int>(p.y));
}

// The object's matrix composed up to the root of its tree.
MatrixRecord MatrixToRoot(engine::MObject* object) {
  MatrixRecord out;
  engine::MUtilIdentity(out);
  for (engine::MObject* o = object; o != nullptr; o = o->GetParent()) {
    MatrixRecord m;
    o->GetMatrix(m);
    engine::MUtilMultiply(m, out, out);
  }
  return out;
}

}  // namespace

bool QView::PickFace(engine::MDocObj* scene, std::uint32_t packed, int& meshIndex, int& faceIndex,
                     std::uint32_t& colour) {
  FacePickSwitch everyFace;
  PointRecord hit;
  PickedElements e;
  engine::MObject* object = PickNearest(scene, packed, hit, &e, kPickFace);
  auto* mesh = dynamic_cast<engine::MMeshObj*>(object);
  if (mesh == nullptr || e.face == nullptr || !scene->GetFaceColour(mesh, e.face, colour)) return false;
  meshIndex = scene->GetMeshIndex(mesh);
  faceIndex = mesh->GetFaceIndex(e.face);
  return true;
}

engine::MObject* QView::PickSurfacePoint(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit) {
  PickScale scale(samplingFactor_);
  PointRecord screen, nearPoint, farPoint;
  // The surface pick below needs the elements on the screen as well as the
  // box handles.
  BeginPick(scene, packed, &screen, nearPoint, farPoint, false);
  if (Failed()) return nullptr;
  BeginPick(scene, packed, &screen, nearPoint, farPoint, true);
  if (Failed()) return nullptr;
  double t = 0.0, t2 = 0.0;
  engine::BoxHandle handle{};
  engine::MObject* object = scene->PickBoxHandle(screen, nearPoint, farPoint, &t, &handle);
  if (object == nullptr || Failed()) return nullptr;
  engine::MObject* nearer = scene->PickNearest(screen, nearPoint, farPoint, &t2, drawMode_ == 0);
  if (Failed()) return nullptr;
  if (nearer != nullptr && t > t2) {
    // A handle well behind another surface is hidden by it.
    engine::BoundsRecord box;
    object->GetWorldBounds(box);
    const double diagonal = std::hypot(box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ);
    const double ray = std::hypot(farPoint.x - nearPoint.x, farPoint.y - nearPoint.y, farPoint.z - nearPoint.z);
    if (0.1 * diagonal < ray * (t - t2)) return nullptr;
  }
  hit = Along(nearPoint, farPoint, t);
  return object;
}

int QView::PickInRegion(engine::MDocObj* scene, const engine::QViewRegion& region, engine::MObject* only,
                        engine::PtrArray& out) {
  PointRecord nearPoint, farPoint;
  BeginPick(scene, 0, nullptr, nearPoint, farPoint, false);
  if (Failed()) return 0;
  const int before = out.count;
  {
    IncludeExcluded include(scene, includeExcluded_);
    scene->CollectInRegion(&region, only, &out);
  }
  const int found = out.count - before;
  // Asked for one object, the scene can only answer for that one.
  ENG_FATAL_IF(only != nullptr && found > 1);
  return found;
}

int QView::SelectAllInView(engine::MDocObj* scene, engine::PtrArray& out) {
  const platform::RECT& r = viewRect_;
  const PointRecord corners[4] = {{double(r.left), double(r.top), 0.0},
                                  {double(r.right), double(r.top), 0.0},
                                  {double(r.right), double(r.bottom), 0.0},
                                  {double(r.left), double(r.bottom), 0.0}};
  engine::PointArray points;
  for (const PointRecord& c : corners) {
    if (!points.Add(c)) {
      engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
      return 0;
    }
  }
  return PickInRegion(scene, ScreenRegion(points), nullptr, out);
}

engine::MObject* QView::PickAlongPolyline(engine::MDocObj* scene, const engine::PointArray& polyline, int rounds,
                                          bool closed, PointRecord& hit, std::uint32_t& packedOut) {
  const auto tryAt = [&](const PointRecord& p) -> engine::MObject* {
    const std::uint32_t packed = PackedAt(p);
    engine::MObject* object = PickObject(scene, packed, hit);
    if (object != nullptr) packedOut = packed;
    return object;
  };
  for (int i = 0; i < polyline.count; ++i) {
    if (engine::MObject* object = tryAt(polyline[i])) return object;
    if (Failed()) return nullptr;
  }
  const int edges = polyline.count < 2 ? 0 : (closed ? polyline.count : polyline.count - 1);
  // Each round halves the steps along every edge and tries the points new
  // to it: the middles first, then the quarters, and so on.
  for (int round = 1, d = 1; round <= rounds; ++round, d *= 2) {
    for (int i = 0; i < edges; ++i) {
      const PointRecord& a = polyline[i];
      const PointRecord& b = polyline[(i + 1) % polyline.count];
      for (int k = 1; k < 2 * d; k += 2) {
        if (engine::MObject* object = tryAt(Along(a, b, static_cast<double>(k) / (2 * d)))) return object;
        if (Failed()) return nullptr;
      }
    }
  }
  return nullptr;
}

int QView::PickOnAxisPlane(std::uint32_t packed, engine::MDocObj* scene, PointRecord& out) {
  PointRecord nearPoint, farPoint;
  PointToRay(packed, nearPoint, farPoint);
  const int axis = GetAxisCode();
  const PointRecord normal{axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0, axis == 3 ? 1.0 : 0.0};
  PointRecord on{0.0, 0.0, 0.0};
  if (GetAxisViewCode() == -1) scene->GetPrimitiveExtent(on.x, on.y, on.z);
  return engine::MUtilLinePlaneIntersect(nearPoint, farPoint, normal, on, out);
}

bool QView::PickJointPoints(engine::MDocObj* scene, std::uint32_t packed, engine::MVertex*& vertex,
                            PointRecord& hitOnScreen, PointRecord& partnerOnScreen) {
  PointRecord hit;
  PickedElements e;
  PickNearest(scene, packed, hit, &e, kPickVertex);
  vertex = e.vertex;
  if (vertex == nullptr || vertex->mirrorPartner == nullptr) return false;
  engine::MMeshObj* mesh = scene->FindMeshOfElement(nullptr, nullptr, vertex->mirrorPartner);
  if (mesh == nullptr) return false;
  MatrixRecord world, projection;
  scene->GetObjectWorldMatrix(mesh, &world, nullptr);
  GetProjectionMatrix(projection);
  PointRecord partner;
  engine::MUtilTransformPoint(world, vertex->mirrorPartner->position, partner);
  engine::MUtilProjectPoint(projection, hit, hitOnScreen);
  engine::MUtilProjectPoint(projection, partner, partnerOnScreen);
  return true;
}

void QView::GetSelectionCenter(PointRecord& out, const engine::PtrArray& list) {
  // The list is what a pick with one object asked for gave.
  ENG_FATAL_IF(list.count > 1);
  out = target_;
  if (list.count == 0) return;
  const auto* entry = static_cast<const engine::ElementSelection*>(list[0]);
  engine::PointArray points;
  const MatrixRecord world = MatrixToRoot(entry->object);
  const auto add = [&](const engine::MVertex* v) {
    PointRecord p;
    engine::MUtilTransformPoint(world, v->position, p);
    return points.Add(p);
  };
  bool ok = true;
  for (int i = 0; ok && i < entry->vertices.count; ++i) ok = add(static_cast<engine::MVertex*>(entry->vertices[i]));
  for (int i = 0; ok && i < entry->lines.count; ++i) {
    const auto* line = static_cast<engine::MLine*>(entry->lines[i]);
    ok = add(line->end0) && add(line->end1);
  }
  for (int i = 0; ok && i < entry->faces.count; ++i) {
    engine::MVertex* corners[3] = {};
    static_cast<engine::MFace*>(entry->faces[i])->GetVertices(corners);
    for (engine::MVertex* c : corners) ok = ok && (c == nullptr || add(c));
  }
  if (!ok) {
    engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
    return;
  }
  if (points.count == 0) return;
  engine::BoundsRecord box;
  engine::MUtilBoxOfPoints(points.count, &points[0], box);
  out = {(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2, (box.minZ + box.maxZ) / 2};
}

}  // namespace view
