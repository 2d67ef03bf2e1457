#pragma once
// What projecting the view's background picture onto meshes asks of the
// view (MDocObj::ProjectViewPicture); the 3D view answers it.
#include "engine/core/EngGeometry.h"
#include "engine/core/RgbaImageRecord.h"

namespace engine {

class PictureView {
 public:
  virtual ~PictureView() = default;
  // The background picture's RGBA pixels, row 0 the bottom (the view keeps
  // them); false without a picture.
  virtual bool GetBackgroundImage(RgbaImageRecord& out) = 0;
  // 1 and 2 the side views, 3 the view along Z.
  virtual int GetAxisCode() const = 0;
  virtual const MatrixRecord& GetViewMatrix() = 0;
  virtual void GetEyeAndTarget(PointRecord& eye, PointRecord& target) = 0;
};

}  // namespace engine
