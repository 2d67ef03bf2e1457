// MObject: projection for picking, box handles and box dragging.
#include <algorithm>
#include <cmath>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "platform/Hooks.h"

namespace engine {
namespace {

constexpr PointRecord kNotProjected{0.0, 0.0, -1.0};

double Coordinate(const PointRecord& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// A handle counts when it lies in front of the eye inside the pick square.
bool IsCandidate(const PointRecord& handle, const PointRecord& screen, double radius) {
  return handle.z >= 0.0 && std::fabs(screen.x - handle.x) <= radius && std::fabs(screen.y - handle.y) <= radius;
}

}  // namespace

void MObject::SetProjectedView(QView* view) { projectedView = view; }

QView* MObject::GetProjectedView() { return projectedView; }

void MObject::ProjectToScreen(const MatrixRecord& projection, int mode) {
  if (mode == 0) return;
  BoundsRecord box;
  GetLocalBounds(box);
  if (box.empty != 0) {
    for (PointRecord& handle : cornerHandles) handle = kNotProjected;
    for (PointRecord& handle : faceHandles) handle = kNotProjected;
    return;
  }
  MatrixRecord p;
  MUtilMultiply(projection, matrix, p);
  const double xs[2] = {box.minX, box.maxX}, ys[2] = {box.minY, box.maxY}, zs[2] = {box.minZ, box.maxZ};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k) MUtilProjectPoint(p, PointRecord{xs[i], ys[j], zs[k]}, cornerHandles[4 * i + 2 * j + k]);
  PointRecord facePoints[6];
  MUtilBoxHandlePoints(box, facePoints, false, false);
  for (int f = 0; f < 6; ++f) MUtilProjectPoint(p, facePoints[f], faceHandles[f]);
}

MObject* MObject::PickElement(const PointRecord&, const PointRecord&, const PointRecord&, const PointRecord&,
                              double*, bool) {
  return nullptr;
}

MObject* MObject::PickNearest(const PointRecord&, const PointRecord&, const PointRecord&, double*, bool) {
  return nullptr;
}

MObject* MObject::PickFace(const PointRecord&, const PointRecord&, const PointRecord&, double*, MVertex**,
                           MLine**, MFace**) {
  return nullptr;
}

void MObject::CollectInRegion(const QViewRegion*, MObject*, PtrArray*) {}

MObject* MObject::PickBoxHandle(const PointRecord& screenPoint, const PointRecord& rayStart,
                                const PointRecord& rayEnd, double* t, BoxHandle* handle) {
  if (!IsSelected()) return nullptr;
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  PointRecord a, b;
  MUtilTransformPoint(inverse, rayStart, a);
  MUtilTransformPoint(inverse, rayEnd, b);

  const double radius = 4.0 * EngContext().pickScale;
  BoxHandle found{};
  bool taken = false;
  double bestDepth = 0.0;
  int takenFace = -1;
  // Corner 4i + 2j + k has x side i, y side j, z side k: index order is the
  // order of trying, and an equal depth keeps the one tried first.
  for (int c = 0; c < 8; ++c) {
    const PointRecord& h = cornerHandles[c];
    if (!IsCandidate(h, screenPoint, radius) || (taken && h.z >= bestDepth)) continue;
    taken = true;
    bestDepth = h.z;
    found.side[0] = static_cast<unsigned char>(c >> 2);
    found.side[1] = static_cast<unsigned char>((c >> 1) & 1);
    found.side[2] = static_cast<unsigned char>(c & 1);
  }
  const CrPrefs* prefs = EngContext().prefs;
  if (prefs == nullptr || prefs->boxHandlesOff == 0) {
    for (int f = 0; f < 6; ++f) {
      const PointRecord& h = faceHandles[f];
      if (!IsCandidate(h, screenPoint, radius) || (taken && h.z >= bestDepth)) continue;
      taken = true;
      bestDepth = h.z;
      takenFace = f;
    }
  }
  if (!taken) return nullptr;
  if (takenFace >= 0) {
    found.face[takenFace / 2] = 1;
    found.faceSide = static_cast<unsigned char>(takenFace & 1);
  }

  BoundsRecord box;
  GetLocalBounds(box);
  PointRecord point;
  if (takenFace >= 0) {
    PointRecord facePoints[6];
    MUtilBoxHandlePoints(box, facePoints, false, false);
    point = facePoints[takenFace];
  } else {
    point = {found.side[0] ? box.maxX : box.minX, found.side[1] ? box.maxY : box.minY,
             found.side[2] ? box.maxZ : box.minZ};
  }
  const PointRecord ray{b.x - a.x, b.y - a.y, b.z - a.z};
  const double rayLength = MUtilLength(ray);
  PointRecord d = ray;
  OsUtilNormalize(d);
  // A ray of zero length has no parameter to give; 0 keeps callers finite.
  const double along = (point.x - a.x) * d.x + (point.y - a.y) * d.y + (point.z - a.z) * d.z;
  if (t != nullptr) *t = rayLength > 0.0 ? along / rayLength : 0.0;
  if (handle != nullptr) *handle = found;
  return this;
}

bool MObject::ScaleByBoxDrag(const BoundsRecord& box, const MatrixRecord& start, const PointRecord& drag,
                             unsigned char sides[3], bool uniform) {
  const double lo[3] = {box.minX, box.minY, box.minZ}, hi[3] = {box.maxX, box.maxY, box.maxZ};
  double size[3];
  for (int a = 0; a < 3; ++a) size[a] = hi[a] - lo[a];
  const double minExtent = 0.001 * (size[0] + size[1] + size[2]);
  const double flippedExtent = 1.1 * minExtent;
  const double flatSize = 0.1 * minExtent;

  const unsigned char entrySides[3] = {sides[0], sides[1], sides[2]};
  double fixed[3], factor[3];
  bool flipped = false;
  for (int a = 0; a < 3; ++a) {
    const bool maxDragged = sides[a] == 1;
    fixed[a] = maxDragged ? lo[a] : hi[a];
    double from = lo[a], to = hi[a];
    if (maxDragged) {
      to = hi[a] + Coordinate(drag, a);
      if (to < lo[a] + minExtent && size[a] >= flatSize) {
        sides[a] = 0;
        flipped = true;
        to = lo[a] + flippedExtent;
      }
    } else {
      from = lo[a] + Coordinate(drag, a);
      if (hi[a] < from + minExtent && size[a] >= flatSize) {
        sides[a] = 1;
        flipped = true;
        from = hi[a] - flippedExtent;
      }
    }
    // A flat axis (or a box of no size at all) keeps its scale.
    factor[a] = size[a] < flatSize || size[a] <= 0.0 ? 1.0 : (to - from) / size[a];
    factor[a] = std::max(factor[a], 0.01);
  }
  if (uniform) {
    const double smallest = std::min({factor[0], factor[1], factor[2]});
    const double largest = std::max({factor[0], factor[1], factor[2]});
    const double mean = (factor[0] + factor[1] + factor[2]) / 3.0;
    const double common = mean > 1.0 && !flipped ? largest : smallest;
    factor[0] = factor[1] = factor[2] = common;
  }

  // Scaled about the fixed point in object coordinates, then placed by the
  // matrix the drag began with.
  MatrixRecord n = start;
  MUtilTranslate(n, PointRecord{fixed[0], fixed[1], fixed[2]}, n);
  MUtilScale(n, factor[0], factor[1], factor[2], n);
  MUtilTranslate(n, PointRecord{-fixed[0], -fixed[1], -fixed[2]}, n);

  PointRecord diagonal;
  MUtilTransformVector(n, PointRecord{size[0], size[1], size[2]}, diagonal);
  if (MUtilLength(diagonal) < 1e-12) {
    std::copy(entrySides, entrySides + 3, sides);
    platform::Beep();
    return false;
  }
  SetMatrix(n);
  return flipped;
}

}  // namespace engine
