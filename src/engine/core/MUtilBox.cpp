#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"

namespace engine {

void MUtilBoxOfPoints(int n, const PointRecord* points, BoundsRecord& out) {
  if (n <= 0) {
    out.empty = 1;
    return;
  }
  BoundsRecord box{points[0].x, points[0].y, points[0].z, points[0].x, points[0].y, points[0].z, 0};
  for (int i = 1; i < n; ++i) {
    box.minX = std::min(box.minX, points[i].x);
    box.minY = std::min(box.minY, points[i].y);
    box.minZ = std::min(box.minZ, points[i].z);
    box.maxX = std::max(box.maxX, points[i].x);
    box.maxY = std::max(box.maxY, points[i].y);
    box.maxZ = std::max(box.maxZ, points[i].z);
  }
  out = box;
}

void MUtilBoxUnion(const BoundsRecord& a, const BoundsRecord& b, BoundsRecord& out) {
  if (a.empty != 0 && b.empty != 0) {
    out.empty = 1;
    return;
  }
  if (a.empty != 0) {
    out = b;
    return;
  }
  if (b.empty != 0) {
    out = a;
    return;
  }
  out = {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::min(a.minZ, b.minZ),
         std::max(a.maxX, b.maxX), std::max(a.maxY, b.maxY), std::max(a.maxZ, b.maxZ), 0};
}

void MUtilBoxIntersect(const BoundsRecord& a, const BoundsRecord& b, BoundsRecord& out) {
  // Nothing overlaps an empty box, whichever of the two it is.
  if (a.empty != 0 || b.empty != 0) {
    out.empty = 1;
    return;
  }
  BoundsRecord r{std::max(a.minX, b.minX), std::max(a.minY, b.minY), std::max(a.minZ, b.minZ),
                 std::min(a.maxX, b.maxX), std::min(a.maxY, b.maxY), std::min(a.maxZ, b.maxZ), 0};
  r.empty = (r.minX > r.maxX || r.minY > r.maxY || r.minZ > r.maxZ) ? 1 : 0;
  out = r;
}

void MUtilBoxCorners(const BoundsRecord& box, PointRecord out[8]) {
  const double x0 = box.minX, y0 = box.minY, z0 = box.minZ;
  const double x1 = box.maxX, y1 = box.maxY, z1 = box.maxZ;
  out[0] = {x0, y0, z0};
  out[1] = {x0, y1, z0};
  out[2] = {x1, y1, z0};
  out[3] = {x1, y0, z0};
  out[4] = {x0, y0, z1};
  out[5] = {x0, y1, z1};
  out[6] = {x1, y1, z1};
  out[7] = {x1, y0, z1};
}

void MUtilTransformBox(const BoundsRecord& box, const MatrixRecord& m, BoundsRecord& out) {
  if (box.empty != 0) return;
  PointRecord corners[8];
  MUtilBoxCorners(box, corners);
  for (PointRecord& corner : corners) MUtilTransformPoint(m, corner, corner);
  MUtilBoxOfPoints(8, corners, out);
}

double MUtilBoxTolerance(const BoundsRecord& box) {
  return ((box.maxX - box.minX) + (box.maxY - box.minY) + (box.maxZ - box.minZ)) * 1e-9;
}

void MUtilBoxHandlePoints(const BoundsRecord& box, PointRecord out[6], bool shrink, bool centre) {
  const double dx = box.maxX - box.minX, dy = box.maxY - box.minY, dz = box.maxZ - box.minZ;
  double margin = 0.02 * std::sqrt(dx * dx + dy * dy + dz * dz);
  if (shrink) margin *= 0.9;
  if (centre) margin = 0.0;
  const double cx = (box.minX + box.maxX) * 0.5, cy = (box.minY + box.maxY) * 0.5,
               cz = (box.minZ + box.maxZ) * 0.5;
  out[0] = {box.minX - margin, cy, cz};
  out[1] = {box.maxX + margin, cy, cz};
  out[2] = {cx, box.minY - margin, cz};
  out[3] = {cx, box.maxY + margin, cz};
  out[4] = {cx, cy, box.minZ - margin};
  out[5] = {cx, cy, box.maxZ + margin};
}

}  // namespace engine
