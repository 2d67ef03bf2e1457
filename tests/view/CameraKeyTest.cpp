// The scene's camera keys recorded from and played back on a real view:
// the camera at each key comes back exactly, frames between them blend,
// and the scene's camera object follows the camera.
#include <gtest/gtest.h>

#include <cmath>

#include "FigureViewTestSupport.h"
#include "engine/core/MGroupObj.h"

namespace {

using engine::PointRecord;

class CameraKeyTest : public viewtest::FigureViewTest {
 protected:
  void SetUp() override {
    FigureViewTest::SetUp();
    // The floor is no camera: the camera object is the first excluded child.
    scene_->GetGridObject()->excluded = 0;
    camera_ = new engine::MGroupObj();
    camera_->excluded = 1;
    Add(*scene_, camera_);
  }
  engine::CameraKeyValues Camera() {
    engine::CameraKeyValues out;
    view_->GetCamera(out);
    return out;
  }
  static void ExpectSame(const engine::CameraKeyValues& a, const engine::CameraKeyValues& b, double tolerance) {
    EXPECT_NEAR(a.yaw, b.yaw, tolerance);
    EXPECT_NEAR(a.pitch, b.pitch, tolerance);
    EXPECT_NEAR(a.roll, b.roll, tolerance);
    EXPECT_EQ(a.projection, b.projection);
    EXPECT_EQ(a.fieldOfView, b.fieldOfView);
    EXPECT_NEAR(a.target.x, b.target.x, tolerance);
    EXPECT_NEAR(a.target.y, b.target.y, tolerance);
    EXPECT_NEAR(a.target.z, b.target.z, tolerance);
    EXPECT_NEAR(a.distance, b.distance, tolerance);
    EXPECT_NEAR(a.zoom, b.zoom, tolerance);
  }
  // The camera object's place is the view's eye.
  void ExpectCameraObjectAtTheEye() {
    engine::MatrixRecord m;
    camera_->GetMatrix(m);
    PointRecord eye;
    view_->GetEyePosition(eye);
    ExpectNear({m.m[3][0], m.m[3][1], m.m[3][2]}, eye.x, eye.y, eye.z, 1e-9);
  }
  engine::MObject* camera_ = nullptr;
};

TEST_F(CameraKeyTest, CameraKeysRecordAndPlayBackThroughTheView) {
  scene_->SetCameraAnimation(view_.get(), 0, false);
  ASSERT_EQ(scene_->GetTrackCount(), 1);
  const engine::CameraKeyValues first = Camera();

  // A second key at frame 20: turned, nearer, looking at the chest.
  view_->SetAngles(-0.7, -0.3, 0.0);
  view_->SetDistance(first.distance * 0.6);
  view_->SetTarget({0.0, 1.3, 0.0});
  view_->SetFieldOfView(first.fieldOfView + 20, false);
  const engine::CameraKeyValues second = Camera();
  ASSERT_EQ(scene_->RecordKey(20, 0, view_.get()), 1);

  scene_->ShowFrame(0, view_.get());
  ExpectSame(Camera(), first, 1e-12);
  ExpectCameraObjectAtTheEye();
  const platform::Image atFirst = viewtest::RenderPicture(*view_, scene_.get());

  scene_->ShowFrame(10, view_.get());
  const engine::CameraKeyValues between = Camera();
  EXPECT_LT(between.yaw, first.yaw);
  EXPECT_GT(between.yaw, second.yaw);
  EXPECT_LT(between.distance, first.distance);
  EXPECT_GT(between.distance, second.distance);
  EXPECT_GT(between.fieldOfView, first.fieldOfView);
  EXPECT_LT(between.fieldOfView, second.fieldOfView);
  ExpectCameraObjectAtTheEye();
  const platform::Image atBetween = viewtest::RenderPicture(*view_, scene_.get());

  scene_->ShowFrame(20, view_.get());
  ExpectSame(Camera(), second, 1e-12);
  ExpectCameraObjectAtTheEye();
  const platform::Image atSecond = viewtest::RenderPicture(*view_, scene_.get());

  // The three frames side by side, for people to look at.
  platform::Image strip;
  strip.Create(3 * atFirst.Width(), atFirst.Height(), 32);
  const platform::Image* frames[3] = {&atFirst, &atBetween, &atSecond};
  for (int k = 0; k < 3; ++k)
    for (int y = 0; y < atFirst.Height(); ++y)
      for (int x = 0; x < atFirst.Width(); ++x) strip.SetBgra(k * atFirst.Width() + x, y, frames[k]->GetBgra(x, y));
  viewtest::SavePicture(strip, "camera_keys_0_10_20");
  EXPECT_GT(viewtest::PixelsOff(atFirst, atSecond, 8), 2000);
  EXPECT_GT(viewtest::PixelsOff(atFirst, atBetween, 8), 1000);

  // Removing the camera animation takes the camera object with it.
  scene_->SetCameraAnimation(view_.get(), 0, true);
  EXPECT_EQ(scene_->GetTrackCount(), 0);
  EXPECT_EQ(scene_->FindCameraObject(), nullptr);
}

}  // namespace
