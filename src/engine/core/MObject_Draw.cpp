// MObject: drawing and overlay segments.
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/core/QImp.h"

namespace engine {
namespace {

// The 12 edges of a box: four along each axis.
void BoxEdges(const BoundsRecord& box, PointRecord from[12], PointRecord to[12]) {
  const double xs[2] = {box.minX, box.maxX}, ys[2] = {box.minY, box.maxY}, zs[2] = {box.minZ, box.maxZ};
  int e = 0;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      from[e] = {xs[0], ys[i], zs[j]};
      to[e++] = {xs[1], ys[i], zs[j]};
      from[e] = {xs[i], ys[0], zs[j]};
      to[e++] = {xs[i], ys[1], zs[j]};
      from[e] = {xs[i], ys[j], zs[0]};
      to[e++] = {xs[i], ys[j], zs[1]};
    }
  }
}

void ToFloats(const PointRecord& p, float out[3]) {
  out[0] = static_cast<float>(p.x);
  out[1] = static_cast<float>(p.y);
  out[2] = static_cast<float>(p.z);
}

// While the scene draws the mirrored copy of a symmetric object, selection
// boxes stay off.
bool InMirrorPass() {
  const CrPrefs* prefs = EngContext().prefs;
  return prefs != nullptr && prefs->mirrorPass != 0;
}

// The transform from the object's coordinates through its matrix and then
// the parent's matrix.
MatrixRecord Combined(const MatrixRecord& own, const MatrixRecord& parentMatrix) {
  MatrixRecord combined;
  MUtilMultiply(parentMatrix, own, combined);
  return combined;
}

bool AddSegment(LineSegArray& out, const PointRecord& from, const PointRecord& to, int kind) {
  if (out.Add(LineSegRecord{from, to, kind, 0})) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

}  // namespace

bool AppendOverlaySegment(LineSegArray& out, const MatrixRecord& m, const PointRecord& from, const PointRecord& to,
                          int kind) {
  PointRecord a, b;
  MUtilTransformPoint(m, from, a);
  MUtilTransformPoint(m, to, b);
  return AddSegment(out, a, b, kind);
}

void MObject::Draw(QView* view, const DrawRecord& parentRecord) {
  if (excluded != 0 && !view->IsExcludedShown()) return;
  DrawRecord own;
  PointRecord savedEye;
  BeginDraw(view, parentRecord, own, savedEye);
  DrawBody(view, own);
  EndDraw(view, savedEye);
}

void MObject::BeginDraw(QView* view, const DrawRecord& parentRecord, DrawRecord& ownRecord,
                        PointRecord& savedEyeDirection) {
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  MUtilTransformPoint(inverse, parentRecord.eye, ownRecord.eye);
  MUtilTransformPoint(inverse, parentRecord.target, ownRecord.target);
  MUtilTransformPoint(inverse, parentRecord.sectionOrigin, ownRecord.sectionOrigin);
  MUtilTransformPoint(inverse, parentRecord.sectionStep, ownRecord.sectionStep);

  QImp* renderer = view->GetRenderer();
  MatrixRecord m;
  GetMatrix(m);
  renderer->SetMatrixMode(kMatrixModelView);
  renderer->PushMatrix();
  renderer->MultMatrix(&m.m[0][0]);

  savedEyeDirection = view->GetEyeDirection();
  PointRecord eye;
  MUtilTransformVector(inverse, savedEyeDirection, eye);
  OsUtilNormalize(eye);
  view->SetEyeDirection(eye);
}

void MObject::EndDraw(QView* view, const PointRecord& savedEyeDirection) {
  if (EngContext().failState != kEngFailFailed && IsSelected() && !InMirrorPass()) DrawSelectionBox(view);
  view->GetRenderer()->PopMatrix();
  view->SetEyeDirection(savedEyeDirection);
}

void MObject::DrawBody(QView*, const DrawRecord&) {}

void MObject::DrawSelectionBox(QView* view) {
  BoundsRecord box;
  GetLocalBounds(box);
  if (EngContext().failState != kEngFailNone || box.empty != 0) return;
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  const float colour[3] = {0.9f, 0.1f, 0.1f};
  renderer->SetColorVec(colour);
  PointRecord from[12], to[12];
  BoxEdges(box, from, to);
  for (int e = 0; e < 12; ++e) {
    float a[3], b[3];
    ToFloats(from[e], a);
    ToFloats(to[e], b);
    renderer->DrawLine(a, b);
  }
  PointRecord corners[8];
  MUtilBoxCorners(box, corners);
  for (const PointRecord& corner : corners) view->DrawMarkerPoint(corner, 0.0);
}

void MObject::CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView*) {
  if (!IsSelected()) return;
  PointRecord origin;
  MUtilTransformPoint(Combined(matrix, parentMatrix), PointRecord{0.0, 0.0, 0.0}, origin);
  AddSegment(out, origin, origin, 7);
}

void MObject::CollectBoxSegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView*) {
  BoundsRecord box;
  GetLocalBounds(box);
  if (EngContext().failState != kEngFailNone || box.empty != 0) return;
  const MatrixRecord combined = Combined(matrix, parentMatrix);
  PointRecord from[12], to[12];
  BoxEdges(box, from, to);
  for (int e = 0; e < 12; ++e) {
    MUtilTransformPoint(combined, from[e], from[e]);
    MUtilTransformPoint(combined, to[e], to[e]);
    if (!AddSegment(out, from[e], to[e], 6)) return;
  }
}

}  // namespace engine
