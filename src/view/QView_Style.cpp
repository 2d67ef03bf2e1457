// QView: the draw-style settings that mesh and bone drawing read, and what
// the view does with them itself (drawing mode, cull mode, override
// materials, the floor grid's colour and screen box, the guide segment).
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ShadowScene.h"
#include "engine/mesh/MShader.h"
#include "view/QImpGL.h"
#include "view/QView.h"

namespace view {

using engine::PointRecord;

void QView::ApplyDrawingMode() {
  renderer_->SetDrawingMode(drawMode_ == 0 ? engine::kDrawLinesCulled : engine::kDrawFilledLit);
}

void QView::SetPreviousDrawMode(int mode) {
  previousDrawMode_ = mode;
  ApplyDrawingMode();
}

void QView::GetGridColor(double out[3]) const {
  for (int i = 0; i < 3; ++i) out[i] = gridColour_[i];
}

engine::MObject* QView::SceneGridObject(engine::MObject* scene) {
  if (auto* grid = dynamic_cast<engine::MGridObj*>(scene)) return grid;
  auto* group = dynamic_cast<engine::MGroupObj*>(scene);
  if (group == nullptr || group->GetChildCount() == 0) return nullptr;
  // The scene keeps its floor grid as its first child.
  return dynamic_cast<engine::MGridObj*>(group->ChildAt(0));
}

bool QView::SceneGridParams(engine::MObject* scene, int& kind, double& size, int& divisions, PointRecord& colour) {
  PointRecord axisColour;
  int subdivisions = 0;
  if (auto* document = dynamic_cast<engine::MShadowScene*>(scene)) {
    document->GetGridParams(kind, size, divisions, colour, axisColour, subdivisions);
    return true;
  }
  auto* grid = dynamic_cast<engine::MGridObj*>(SceneGridObject(scene));
  if (grid == nullptr) return false;
  grid->GetGridParams(kind, size, divisions, colour, axisColour, subdivisions);
  return true;
}

void QView::TakeGridColor(engine::MObject* scene) {
  int kind = 0, divisions = 0;
  double size = 0.0;
  PointRecord colour;
  if (!SceneGridParams(scene, kind, size, divisions, colour)) return;
  gridColour_[0] = colour.x;
  gridColour_[1] = colour.y;
  gridColour_[2] = colour.z;
}

double QView::GetGridCellSize(engine::MObject* scene) const {
  int kind = 0, divisions = 0;
  double size = 0.0;
  PointRecord colour;
  if (!SceneGridParams(scene, kind, size, divisions, colour)) return 1.0;
  const double cells = static_cast<double>(gridDivisor_) * divisions;
  return cells > 0.0 ? size / cells : size;
}

void QView::SetFaceColor(platform::COLORREF colour) {
  faceColor_ = colour;
  overrideShader_->diffuseColor = {platform::GetRValue(colour) / 255.0, platform::GetGValue(colour) / 255.0,
                                   platform::GetBValue(colour) / 255.0};
}

engine::MShader* QView::GetOverrideMaterial() {
  if (faceColorOverride_) return overrideShader_.get();
  if (drawMode_ == 1) return GetDefaultGreyMaterial();
  return nullptr;
}

engine::MShader* QView::GetDefaultGreyMaterial() {
  static engine::MShader* grey = new engine::MShader();
  grey->baseColor = {0.2, 0.2, 0.2};
  grey->diffuseColor = {0.6, 0.6, 0.7};
  grey->specular = 0.0;
  return grey;
}

void QView::ApplyCullMode(bool mirrored) {
  if (cullFaces_ == 0)
    renderer_->SetCullMode(engine::kCullNone);
  else
    renderer_->SetCullMode(mirrored == faceOrderFlipped_ ? engine::kCullBack : engine::kCullFront);
}

void QView::UpdateGridScreenRect(engine::MObject* scene) {
  engine::MObject* grid = SceneGridObject(scene);
  if (grid == nullptr) return;
  int kind = 0, divisions = 0;
  double size = 0.0;
  PointRecord colour;
  SceneGridParams(scene, kind, size, divisions, colour);
  engine::BoundsRecord box;
  grid->GetWorldBounds(box);
  if (box.empty != 0) return;
  if (kind == 1) box.maxY = box.minY + 4.0 * (box.maxY - box.minY);
  engine::MatrixRecord worldToScreen;
  GetProjectionMatrix(worldToScreen);
  engine::BoundsRecord screen;
  engine::MUtilTransformBox(box, worldToScreen, screen);
  gridScreenRect_[0] = static_cast<int>(screen.minX);
  gridScreenRect_[1] = static_cast<int>(screen.minY);
  gridScreenRect_[2] = static_cast<int>(screen.maxX);
  gridScreenRect_[3] = static_cast<int>(screen.maxY);
}

void QView::GetGuideSegment(engine::MObject* scene, PointRecord& start, PointRecord& end) {
  const int axisView = GetAxisViewCode();
  if (guideMode_ == 0 && axisView != -1) {
    const double cell = GetGridCellSize(scene);
    start = {0.0, 0.0, 0.0};
    end = {axisCode_ == 1 ? cell : 0.0, axisCode_ == 2 ? cell : 0.0, axisCode_ == 3 ? cell : 0.0};
    return;
  }
  if (guideMode_ == 0) {
    GetEyeAndTarget(start, end);
  } else if (guideMode_ == 1) {
    const engine::MatrixRecord inverse = GetInverseViewMatrix();
    engine::MUtilTransformPoint(inverse, PointRecord{0.0, 0.0, 0.0}, start);
    const PointRecord light = LightDirection(lights_.firstAngles[0], lights_.secondAngles[0], 0.0);
    engine::MUtilTransformPoint(inverse, light, end);
  } else {
    return;
  }
  PointRecord along{end.x - start.x, end.y - start.y, end.z - start.z};
  engine::OsUtilNormalize(along);
  const double cell = GetGridCellSize(scene);
  end = {start.x + along.x * cell, start.y + along.y * cell, start.z + along.z * cell};
}

void QView::CopyDisplaySettingsTo(QView& other) const {
  other.smoothShown_ = smoothShown_;
  other.optionFlag_ = optionFlag_;
  for (int i = 0; i < 3; ++i) other.gridColour_[i] = gridColour_[i];
  other.gridDivisor_ = gridDivisor_;
  other.guideMode_ = guideMode_;
  other.outlineShown_ = outlineShown_;
  other.SetBackgroundColor(background_[0], background_[1], background_[2]);
  other.nearDivisor_ = nearDivisor_;
}

void QView::GetDefaultDisplaySettings(int record[11], int colour[3], int& value) {
  constexpr int kDefaults[11] = {2, 1, 0, 0, 5, 1, 1, 0, 0, 0, 200};
  for (int i = 0; i < 11; ++i) record[i] = kDefaults[i];
  colour[0] = colour[1] = colour[2] = 255;
  value = 0;
}

}  // namespace view
