#include "engine/core/QImp.h"

#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MeshToneFill.h"

namespace engine {

void QImp::FillToneBands(int count, const double* points, const double* normals, bool textured,
                         const float* textureCoords, const float* colour, double eyeX, double eyeY, double eyeZ,
                         MShader* material, int* indices) {
  MeshFillToneBands(count, points, normals, textured, textureCoords, colour, eyeX, eyeY, eyeZ, material, indices);
}

bool QImp::ProjectWidthScale(const MatrixRecord* /*projection*/, const double* /*segment*/,
                             const PointRecord* /*offsetDirection*/, double* scales,
                             PointRecord* screenDirection, QView* /*view*/) {
  if (scales != nullptr) scales[0] = scales[1] = 0.0;
  if (screenDirection != nullptr) *screenDirection = {0.0, 0.0, 1.0};
  return true;
}

bool QImpProjectWidthScale(const MatrixRecord& projection, const double* segment,
                           const PointRecord& offsetDirection, double* scales, PointRecord& screenDirection,
                           int tileCount) {
  constexpr double kStep = 1e-7;
  PointRecord ends[2];
  for (int i = 0; i < 2; ++i) {
    const PointRecord end{segment[3 * i], segment[3 * i + 1], segment[3 * i + 2]};
    const PointRecord moved{end.x + kStep * offsetDirection.x, end.y + kStep * offsetDirection.y,
                            end.z + kStep * offsetDirection.z};
    PointRecord projectedMoved;
    MUtilProjectPoint(projection, end, ends[i]);
    MUtilProjectPoint(projection, moved, projectedMoved);
    scales[i] = 0.0;
    if (ends[i].z < 0.0 || projectedMoved.z < 0.0) continue;
    const double distance = std::hypot(projectedMoved.x - ends[i].x, projectedMoved.y - ends[i].y);
    if (distance >= 1e-16) scales[i] = kStep / distance;
  }
  if (tileCount >= 1) {
    scales[0] *= tileCount;
    scales[1] *= tileCount;
  }
  PointRecord direction{ends[1].x - ends[0].x, ends[1].y - ends[0].y, 0.0};
  const double squared = direction.x * direction.x + direction.y * direction.y;
  if (squared < 0.01) return false;
  const double length = std::sqrt(squared);
  screenDirection = {direction.x / length, direction.y / length, 0.0};
  return true;
}

}  // namespace engine
