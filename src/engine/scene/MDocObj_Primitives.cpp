// MDocObj: primitives. Codes: 1 rectangle, 3 half rectangle, 11 disc,
// 12 half disc (flat, in the XZ plane at y = 0); 2 box, 4 half box, 5 cone,
// 6 half cone, 7 cylinder, 8 half cylinder, 9 sphere, 10 half sphere (solid,
// height along Y). A half occupies x <= 0 with its cut on the mirror plane.
// Drawing planes: 1 seen along X, 2 the floor seen along Y, 3 seen along Z.
#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"

namespace engine {
namespace {

constexpr double kHalfPi = 1.57079632679489661923;

bool IsFlat(int type) { return type == 1 || type == 3 || type == 11 || type == 12; }

// The corners of a primitive: from the size, or centred on the two points.
void Corners(bool flat, bool half, double s, const PointRecord* p1, const PointRecord* p2, PointRecord& a,
             PointRecord& b) {
  if (p1 != nullptr && p2 != nullptr) {
    const PointRecord d{p2->x - p1->x, p2->y - p1->y, p2->z - p1->z};
    a = PointRecord{-d.x / 2, (flat ? -d.y : d.y) / 2, -d.z / 2};
    b = PointRecord{d.x / 2, (flat ? d.y : -d.y) / 2, d.z / 2};
  } else {
    a = flat ? PointRecord{-s, 0, s} : PointRecord{-s, -s, s};
    b = flat ? PointRecord{s, 0, -s} : PointRecord{s, s, -s};
  }
  if (half) b.x = 0;
}

MMeshObj* MakePrimitive(bool flat, int type, double size, int segments, const PointRecord* p1,
                        const PointRecord* p2) {
  auto* mesh = new (std::nothrow) MMeshObj();
  if (mesh == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  if (SceneFailed()) return mesh;
  bool half;
  if (flat) {
    if (type != 1 && type != 3 && type != 11 && type != 12) return mesh;
    half = type == 3 || type == 12;
  } else {
    if (type != 2 && (type < 4 || type > 10)) return mesh;
    half = type == 4 || type == 6 || type == 8 || type == 10;
  }
  PointRecord a, b;
  Corners(flat, half, size, p1, p2, a, b);
  switch (type) {
    case 1: case 3: mesh->MakeQuad(a, b, half); break;
    case 11: case 12: mesh->MakeFan(a, b, half, segments); break;
    case 2: case 4: mesh->MakeBox(a, b, half); break;
    case 5: case 6: mesh->MakeCone(a, b, half, segments); break;
    case 7: case 8: mesh->MakeCylinder(a, b, half, segments); break;
    default: mesh->MakeSphere(a, b, half, segments); break;
  }
  if (SceneFailed()) {
    delete mesh;
    return nullptr;
  }
  mesh->Checkpoint(false);
  mesh->SetEditState(kEditCreated);
  return mesh;
}

// The turn of a drawing plane.
MatrixRecord PlaneTurn(int plane) {
  MatrixRecord r;
  MUtilIdentity(r);
  if (plane == 1) MUtilRotateZ(r, -kHalfPi, r);
  if (plane == 3) MUtilRotateX(r, -kHalfPi, r);
  return r;
}

}  // namespace

MMeshObj* MDocObj::MakeFlatPrimitive(int type, double size, int segments, const PointRecord* p1,
                                     const PointRecord* p2) {
  return MakePrimitive(true, type, size, segments, p1, p2);
}

MMeshObj* MDocObj::MakeSolidPrimitive(int type, double size, int segments, const PointRecord* p1,
                                      const PointRecord* p2) {
  return MakePrimitive(false, type, size, segments, p1, p2);
}

MObject* MDocObj::AddPrimitive(const PointRecord& point, int type, int plane, int segments,
                               const PointRecord* point2, bool downwards) {
  ENG_FATAL_IF(type < 1 || type > 12);
  const bool halfMode = IsCurrentLayerMirror();
  if (!halfMode) {
    static const int kWhole[13] = {0, 1, 2, 1, 2, 5, 5, 7, 7, 9, 9, 11, 11};
    type = kWhole[type];
  }
  int kind, divisions, subdivisions;
  double extent;
  PointRecord colourA, colourB;
  GetGridParams(kind, extent, divisions, subdivisions, colourA, colourB);
  if (SceneFailed()) return nullptr;
  const double size = extent * 0.5 / divisions;

  const MatrixRecord turn = PlaneTurn(plane);
  PointRecord first{0, 0, 0}, second{0, 0, 0}, cornerA{0, 0, 0}, cornerB{0, 0, 0};
  if (point2 != nullptr) {
    MUtilTransformPoint(turn, point, first);
    MUtilTransformPoint(turn, *point2, second);
    if (first.x > second.x) std::swap(first.x, second.x);
    if (first.z > second.z) std::swap(first.z, second.z);
    first.y = std::min(first.y, second.y);
    const double h = std::min(second.x - first.x, second.z - first.z);
    second.y = downwards ? first.y - h : first.y + h;
    MatrixRecord back;
    MUtilInvert(turn, back);
    MUtilTransformPoint(back, first, cornerA);
    MUtilTransformPoint(back, second, cornerB);
  }

  MMeshObj* mesh;
  if (IsFlat(type)) {
    if (point2 != nullptr) second.y = first.y;
    mesh = MakeFlatPrimitive(type, size, segments, point2 != nullptr ? &first : nullptr,
                             point2 != nullptr ? &second : nullptr);
  } else {
    mesh = MakeSolidPrimitive(type, size, segments, point2 != nullptr ? &first : nullptr,
                              point2 != nullptr ? &second : nullptr);
  }
  if (mesh == nullptr || SceneFailed()) {
    delete mesh;
    return nullptr;
  }

  MatrixRecord m;
  if (halfMode)
    MUtilIdentity(m);
  else
    m = turn;
  mesh->SetMatrix(m);
  PointRecord t;
  if (point2 == nullptr) {
    BoundsRecord box;
    mesh->GetWorldBounds(box);
    t = PointRecord{point.x - box.maxX, point.y - box.minY, point.z - box.maxZ};
  } else {
    t = PointRecord{(cornerA.x + cornerB.x) / 2, (cornerA.y + cornerB.y) / 2, (cornerA.z + cornerB.z) / 2};
  }
  if (halfMode) t.x = 0;
  MUtilTranslateAfter(m, t, m);
  mesh->SetMatrix(m);
  if (!AddChild(mesh)) {
    delete mesh;
    return nullptr;
  }
  mesh->SetLayer(currentLayer);
  mesh->SetEditState(kEditCreated);
  return mesh;
}

}  // namespace engine
