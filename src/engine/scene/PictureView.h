#pragma once
// What projecting the view's background picture, or texture coordinates,
// onto meshes asks of the view (MDocObj::ProjectViewPicture,
// MDocObj::ProjectUVsFromView); the 3D view answers both.
#include "engine/core/EngGeometry.h"
#include "engine/core/RgbaImageRecord.h"

namespace engine {

// What projecting texture coordinates from the view asks of it
// (MDocObj::ProjectUVsFromView).
class ProjectionView {
 public:
  virtual ~ProjectionView() = default;
  virtual const MatrixRecord& GetViewMatrix() = 0;
};

class PictureView : public ProjectionView {
 public:
  // The background picture's RGBA pixels, row 0 the bottom (the view keeps
  // them); false without a picture.
  virtual bool GetBackgroundImage(RgbaImageRecord& out) = 0;
  // 1 and 2 the side views, 3 the view along Z.
  virtual int GetAxisCode() const = 0;
  virtual void GetEyeAndTarget(PointRecord& eye, PointRecord& target) = 0;
};

}  // namespace engine
