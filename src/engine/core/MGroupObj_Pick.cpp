// MGroupObj: drawing, projection, picking and the shadow pass, all handed
// on to the children.
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Asks the children (only the figures when `figuresOnly`) in order and
// keeps the nearest hit: a later hit must be strictly nearer to replace an
// earlier one. `ask(child, t)` answers a child's hit; `onWin` keeps what
// belongs to a new best hit. A failure recorded by a child ends the pick
// with no hit. Gives back the best t, or `missT` when nothing was hit.
template <class Ask, class OnWin>
MObject* NearestChildHit(MGroupObj& group, bool figuresOnly, double* t, double missT, Ask ask, OnWin onWin) {
  MObject* best = nullptr;
  double bestT = missT;
  for (int i = 0; i < group.children.count; ++i) {
    MObject* child = group.ChildAt(i);
    if (figuresOnly && !child->IsBoneObject()) continue;
    double childT = 0.0;
    MObject* hit = ask(child, childT);
    if (Failed()) return nullptr;
    if (hit == nullptr || (best != nullptr && childT >= bestT)) continue;
    best = hit;
    bestT = childT;
    onWin();
  }
  if (t != nullptr) *t = best != nullptr ? bestT : missT;
  return best;
}

void NoWinnerState() {}

}  // namespace

void MGroupObj::RayToLocal(const PointRecord& rayStart, const PointRecord& rayEnd, PointRecord& a, PointRecord& b) {
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  MUtilTransformPoint(inverse, rayStart, a);
  MUtilTransformPoint(inverse, rayEnd, b);
}

void MGroupObj::DrawBody(QView* view, const DrawRecord& ownRecord) {
  for (int i = 0; i < children.count && !Failed(); ++i) ChildAt(i)->Draw(view, ownRecord);
}

void MGroupObj::CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) {
  MObject::CollectOverlaySegments(out, parentMatrix, view);
  if (Failed()) return;
  MatrixRecord combined;
  MUtilMultiply(parentMatrix, matrix, combined);
  for (int i = 0; i < children.count && !Failed(); ++i) ChildAt(i)->CollectOverlaySegments(out, combined, view);
}

void MGroupObj::ProjectToScreen(const MatrixRecord& projection, int mode) {
  MObject::ProjectToScreen(projection, mode);
  MatrixRecord combined;
  MUtilMultiply(projection, matrix, combined);
  for (int i = 0; i < children.count && !Failed(); ++i) ChildAt(i)->ProjectToScreen(combined, mode);
}

MObject* MGroupObj::PickElement(const PointRecord& rectMin, const PointRecord& rectMax,
                                const PointRecord& rayStart, const PointRecord& rayEnd, double* t,
                                bool wholeObject) {
  PointRecord a, b;
  RayToLocal(rayStart, rayEnd, a, b);
  // Nothing hit: the far end of the ray, as for face picks.
  return NearestChildHit(
      *this, HasBoneChild(false), t, 1.0,
      [&](MObject* child, double& childT) { return child->PickElement(rectMin, rectMax, a, b, &childT, wholeObject); },
      NoWinnerState);
}

MObject* MGroupObj::PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart,
                                const PointRecord& rayEnd, double* t, bool linesOnly) {
  PointRecord a, b;
  RayToLocal(rayStart, rayEnd, a, b);
  return NearestChildHit(
      *this, false, t, 0.0,
      [&](MObject* child, double& childT) { return child->PickNearest(screenPoint, a, b, &childT, linesOnly); },
      NoWinnerState);
}

MObject* MGroupObj::PickFace(const PointRecord& screenPoint, const PointRecord& rayStart,
                             const PointRecord& rayEnd, double* t, MVertex** vertex, MLine** line,
                             MFace** face) {
  if (vertex != nullptr) *vertex = nullptr;
  if (line != nullptr) *line = nullptr;
  if (face != nullptr) *face = nullptr;
  PointRecord a, b;
  RayToLocal(rayStart, rayEnd, a, b);
  // Each child answers into its own outs; only the winner's are kept.
  MVertex* hitVertex = nullptr;
  MLine* hitLine = nullptr;
  MFace* hitFace = nullptr;
  return NearestChildHit(
      *this, HasBoneChild(false), t, 1.0,
      [&](MObject* child, double& childT) {
        hitVertex = nullptr;
        hitLine = nullptr;
        hitFace = nullptr;
        return child->PickFace(screenPoint, a, b, &childT, vertex != nullptr ? &hitVertex : nullptr,
                               line != nullptr ? &hitLine : nullptr, face != nullptr ? &hitFace : nullptr);
      },
      [&] {
        if (vertex != nullptr) *vertex = hitVertex;
        if (line != nullptr) *line = hitLine;
        if (face != nullptr) *face = hitFace;
      });
}

void MGroupObj::CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out) {
  const bool figuresOnly = HasBoneChild(false);
  for (int i = 0; i < children.count && !Failed(); ++i) {
    MObject* child = ChildAt(i);
    if (!figuresOnly || child->IsBoneObject()) child->CollectInRegion(region, only, out);
  }
}

void MGroupObj::DrawShadows(QView* view, MShadowScene* scene) {
  for (int i = 0; i < children.count; ++i) ChildAt(i)->DrawProjectedShadow(view, scene);
}

void MGroupObj::PrepareShadowImage(MDocObj* scene) {
  const PointRecord u = shadowInfo.axisU, v = shadowInfo.axisV, light = shadowInfo.lightDir;
  double uMin = std::numeric_limits<double>::infinity(), uMax = -uMin, vMin = uMin, vMax = -uMin;
  PointRecord average{0.0, 0.0, 0.0};
  for (int i = 0; i < children.count; ++i) {
    MObject* child = ChildAt(i);
    shadowInfo.CopyProjectionTo(child->shadowInfo);
    child->PrepareShadowImage(scene);
    if (Failed()) return;
    const ShadowInfo& s = child->shadowInfo;
    const double cu = Dot(s.centre, u), cv = Dot(s.centre, v);
    const double halfU = MUtilLength(s.axisU), halfV = MUtilLength(s.axisV);
    uMin = std::min(uMin, cu - halfU);
    uMax = std::max(uMax, cu + halfU);
    vMin = std::min(vMin, cv - halfV);
    vMax = std::max(vMax, cv + halfV);
    average = {average.x + s.centre.x, average.y + s.centre.y, average.z + s.centre.z};
  }
  if (children.count == 0) return;
  const double n = children.count;
  average = {average.x / n, average.y / n, average.z / n};
  // The middle of the covered ranges, moved along the light onto the plane
  // through the children's average centre.
  const double midU = (uMin + uMax) / 2.0, midV = (vMin + vMax) / 2.0;
  PointRecord centre{midU * u.x + midV * v.x, midU * u.y + midV * v.y, midU * u.z + midV * v.z};
  const double shift = Dot(PointRecord{average.x - centre.x, average.y - centre.y, average.z - centre.z}, light);
  shadowInfo.centre = {centre.x + shift * light.x, centre.y + shift * light.y, centre.z + shift * light.z};
  const double scaleU = (uMax - uMin) / 2.0 * 1.1, scaleV = (vMax - vMin) / 2.0 * 1.1;
  shadowInfo.axisU = {u.x * scaleU, u.y * scaleU, u.z * scaleU};
  shadowInfo.axisV = {v.x * scaleV, v.y * scaleV, v.z * scaleV};
}

void MGroupObj::PaintShadowSilhouette(MDocObj* scene, platform::Image* image, int colour) {
  for (int i = 0; i < children.count && !Failed(); ++i) {
    MObject* child = ChildAt(i);
    shadowInfo.CopyProjectionTo(child->shadowInfo);
    child->PaintShadowSilhouette(scene, image, colour);
  }
}

void MGroupObj::CollectByShadowMode(int mode, PtrArray* out) {
  if (shadowInfo.shadowMode == kShadowNone) return;
  for (int i = 0; i < children.count && !Failed(); ++i) ChildAt(i)->CollectByShadowMode(mode, out);
}

}  // namespace engine
