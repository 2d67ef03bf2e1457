// Projecting the view's background picture onto the selected meshes as a
// texture: the picture stands upright on the floor grid, centred, as wide
// as the grid when it is wider than tall, else as tall as the grid, and the
// faces take their texture coordinates from where their corners fall on it
// seen through the view.
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/image/OsUtilImage.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

namespace {

// The picture's corners in the plane z = 0 for half a grid size s: top
// right, top left, bottom right, bottom left.
void PictureQuad(int width, int height, double s, PointRecord corners[4]) {
  if (width <= height) {
    const double r = static_cast<double>(width) / height;
    corners[0] = {r * s, 2 * s, 0};
    corners[1] = {-r * s, 2 * s, 0};
    corners[2] = {r * s, 0, 0};
    corners[3] = {-r * s, 0, 0};
  } else {
    const double r = static_cast<double>(height) / width;
    corners[0] = {s, s + r * s, 0};
    corners[1] = {-s, s + r * s, 0};
    corners[2] = {s, s - r * s, 0};
    corners[3] = {-s, s - r * s, 0};
  }
}

}  // namespace

void MDocObj::ProjectViewPicture(PictureView& view, int facing) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  const bool vertexMode = meshes.count > 0;
  if (!vertexMode) CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    if (static_cast<MObject*>(meshes[i])->IsBoneObject()) static_cast<MBoneObj*>(meshes[i])->CaptureRestState(this, false);
  if (SceneFailed()) return;
  RgbaImageRecord picture;
  if (!view.GetBackgroundImage(picture) || picture.ByteSize() == 0) return;
  // Only a view along Z has a quad; the side views and any other leave the
  // meshes as they are.
  if (view.GetAxisCode() != 3) return;
  int kind = 0, divisions = 0, subdivisions = 0;
  double extent = 0;
  PointRecord colourA, colourB;
  GetGridParams(kind, extent, divisions, subdivisions, colourA, colourB);
  PointRecord quad[4];
  PictureQuad(picture.width, picture.height, extent / 2, quad);
  const MatrixRecord& viewMatrix = view.GetViewMatrix();
  PointArray corners;
  for (const PointRecord& p : quad) {
    PointRecord q;
    MUtilTransformPoint(viewMatrix, p, q);
    if (!corners.Add(q)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  MShader pattern;
  pattern.SetTexture(picture);
  if (SceneFailed()) return;
  PointRecord eye, target;
  view.GetEyeAndTarget(eye, target);
  const PointRecord look{target.x - eye.x, target.y - eye.y, target.z - eye.z};
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->IsBoneObject()) continue;
    MShader* material = mesh->AddShader();
    if (material == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    pattern.AssignTo(material);
    if (EngContext().textureMode != 0 && material->texture.pixels != nullptr) OsUtilFitTextureSize(material->texture);
    MatrixRecord world, inverse;
    GetObjectWorldMatrix(mesh, &world, &inverse);
    PtrArray faces;
    if (facing != 0) {
      PointRecord direction;
      MUtilTransformVector(inverse, look, direction);
      mesh->CollectFacingFaces(facing, &faces, direction);
    } else if (vertexMode) {
      mesh->GatherSelected(0, &faces, nullptr, nullptr);
    } else {
      mesh->GatherAll(&faces, nullptr, nullptr);
    }
    if (SceneFailed()) return;
    mesh->SaveListsForUndo(&faces, nullptr, nullptr);
    if (SceneFailed()) return;
    MatrixRecord frame;
    MUtilMultiply(viewMatrix, world, frame);
    mesh->ProjectUVs(&faces, material, frame, 1, 1, 1, 1, &corners, nullptr, nullptr);
  }
}

}  // namespace engine
