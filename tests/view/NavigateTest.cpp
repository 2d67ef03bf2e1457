// Camera navigation and the camera history on a scene of one unit cube.
#include <gtest/gtest.h>

#include <cmath>

#include "SceneTestSupport.h"
#include "ViewTestSupport.h"
#include "platform/GlContext.h"
#include "view/QView.h"

namespace {

using engine::PointRecord;
using platform::RECT;
using view::PackScreenPoint;
using view::QView;

class NavigateTest : public scenetest::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    scene_ = MakeScene([this](engine::MDocObj& s) { cube_ = Add(s, Place(meshkit::MakeCube(), -0.5, -0.5, -0.5)); });
    scene_->GetGridObject()->excluded = 1;  // the floor takes no part in picks
  }
  void TearDown() override {
    platform::GlContext::ReleaseCurrent();
    SceneTest::TearDown();
  }
  static void Aim(QView& v, int kind = view::kProjectionFieldOfView) { viewtest::AimAtOrigin(v, kind); }
  // The renderer's matrices for the camera as it is now, as a frame sets
  // them up.
  static void Refresh(QView& v) { v.SetViewport(RECT{0, 0, 200, 200}, true); }
  // The width on screen of the cube's projected corners.
  static double ScreenWidth(QView& v) {
    Refresh(v);
    double low = 1e9, high = -1e9;
    for (double x : {-0.5, 0.5})
      for (double y : {-0.5, 0.5})
        for (double z : {-0.5, 0.5}) {
          PointRecord s;
          v.ProjectPoint({x, y, z}, s);
          low = std::min(low, s.x);
          high = std::max(high, s.x);
        }
    return high - low;
  }
  std::unique_ptr<engine::MDocObj> scene_;
  engine::MObject* cube_ = nullptr;
};

// Zooming in on an empty spot halves the distance and zooming out doubles
// it; zooming in grows the picture.
TEST_F(NavigateTest, ZoomInGrowsThePictureAndZoomOutShrinksIt) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  const double width = ScreenWidth(v);
  v.ZoomToRect(scene_.get(), {2, 2, 0}, nullptr, false);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 4.0);
  EXPECT_GT(ScreenWidth(v), width * 1.5);
  v.ZoomToRect(scene_.get(), {2, 2, 0}, nullptr, true);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 8.0);
  EXPECT_NEAR(ScreenWidth(v), width, 1e-9);
  v.ZoomToRect(scene_.get(), {2, 2, 0}, nullptr, true);
  EXPECT_LT(ScreenWidth(v), width * 0.75);
  EXPECT_TRUE(v.IsCameraChanged());
}

// Zooming in on the cube puts the target exactly on the point under the
// mouse and brings the camera closer.
TEST_F(NavigateTest, ZoomInOnAHitCentresTheHit) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  PointRecord hit;
  ASSERT_NE(v.PickObject(scene_.get(), PackScreenPoint(110, 95), hit), nullptr);
  v.ZoomToRect(scene_.get(), {110, 95, 0}, nullptr, false);
  ExpectNear(v.GetTarget(), hit.x, hit.y, hit.z, 1e-9);
  EXPECT_LT(v.GetDistance(), 8.0);
  PointRecord s;
  Refresh(v);
  v.ProjectPoint(hit, s);
  EXPECT_NEAR(s.x, 100.0, 1e-6);
  EXPECT_NEAR(s.y, 100.0, 1e-6);
}

// A rectangle zoom brings the rectangle to fill the view; a rectangle of no
// size (a click) zooms as a point would, never dividing by zero.
TEST_F(NavigateTest, RectangleZoomAndADegenerateRectangle) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  const double width = ScreenWidth(v);
  const PointRecord a{80, 80, 0}, b{120, 120, 0};
  v.ZoomToRect(scene_.get(), a, &b, false);
  EXPECT_GT(ScreenWidth(v), width * 3);
  EXPECT_TRUE(std::isfinite(v.GetDistance()));

  QView w(RECT{0, 0, 200, 200});
  Aim(w);
  const PointRecord same{2, 2, 0};
  w.ZoomToRect(scene_.get(), same, &same, false);
  EXPECT_DOUBLE_EQ(w.GetDistance(), 4.0);
}

TEST_F(NavigateTest, PanMovesWhatLayUnderTheMouseOrNothing) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v, view::kProjectionParallel);
  // In a parallel view the target moves by the world distance between the
  // two far points, whatever the distance.
  PointRecord na, fa, nb, fb;
  v.PointToRay(PackScreenPoint(50, 60), na, fa);
  v.PointToRay(PackScreenPoint(90, 40), nb, fb);
  PointRecord reported;
  v.Pan(PackScreenPoint(50, 60), PackScreenPoint(90, 40), &reported);
  ExpectNear(v.GetTarget(), 0, 0, 0);  // only reported
  ExpectNear(reported, fa.x - fb.x, fa.y - fb.y, fa.z - fb.z, 1e-9);
  v.MarkCameraChanged(false);
  v.Pan(PackScreenPoint(70, 70), PackScreenPoint(70, 70), nullptr);
  ExpectNear(v.GetTarget(), 0, 0, 0);
  EXPECT_FALSE(v.IsCameraChanged());

  // In perspective the point at the target's depth follows the mouse's
  // direction (the wide lens moves it 1.4 times as far).
  QView p(RECT{0, 0, 200, 200});
  Aim(p, view::kProjectionWide);
  PointRecord before;
  p.ProjectPoint({0, 0, 0}, before);
  p.Pan(PackScreenPoint(100, 100), PackScreenPoint(130, 80), nullptr);
  PointRecord after;
  Refresh(p);
  p.ProjectPoint({0, 0, 0}, after);
  EXPECT_GT(after.x - before.x, 30.0);
  EXPECT_NEAR((after.y - before.y) / (after.x - before.x), -20.0 / 30.0, 0.03);
}

TEST_F(NavigateTest, FitScaleAndEmptyBounds) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  v.SetTarget({5, 5, 5});
  v.SetDistance(100.0);
  v.FitToBounds(cube_);
  ExpectNear(v.GetTarget(), 0, 0, 0, 1e-12);
  EXPECT_DOUBLE_EQ(v.GetZoomFactor(), 0.5);
  const double width = ScreenWidth(v);
  EXPECT_GT(width, 40.0);
  EXPECT_LT(width, 200.0);

  v.ScaleCamera(0.0);
  ExpectNear(v.GetTarget(), 0, 0, 0);
  v.SetTarget({1, 2, 3});
  const double distance = v.GetDistance();
  v.ScaleCamera(2.0);
  ExpectNear(v.GetTarget(), 2, 4, 6);
  EXPECT_DOUBLE_EQ(v.GetDistance(), distance * 2);

  engine::MGroupObj empty;
  QView preset(RECT{0, 0, 200, 200});
  const PointRecord presetTarget = preset.GetTarget();
  v.FitToBounds(&empty);
  ExpectNear(v.GetTarget(), presetTarget.x, presetTarget.y, presetTarget.z);
}

// The zoom value of the property bar comes back as it was set.
TEST_F(NavigateTest, ZoomValueSurvivesARoundTrip) {
  for (int value = 1; value <= 400; ++value)
    ASSERT_EQ(view::ZoomValueOfFactor(view::ZoomFactorOfValue(value)), value) << value;
  EXPECT_EQ(view::ZoomValueOfFactor(0.5), 50);
  EXPECT_DOUBLE_EQ(view::ZoomFactorOfValue(100), 1.5);
}

// ---- history ------------------------------------------------------------

TEST_F(NavigateTest, FreshHistoryHasNowhereToGo) {
  QView v(RECT{0, 0, 200, 200});
  EXPECT_FALSE(v.CanGoBack());
  EXPECT_FALSE(v.CanGoForward());
}

TEST_F(NavigateTest, BackSavesTheChangedCameraSoForwardReturnsToIt) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  v.PushHistory();  // the first camera
  const double first = v.GetDistance();
  v.SetFieldOfView(40, false);
  const int fieldOfView = v.GetFieldOfView();
  v.ZoomToRect(scene_.get(), {2, 2, 0}, nullptr, false);
  const double zoomed = v.GetDistance();
  v.SetDrawMode(0);
  EXPECT_TRUE(v.CanGoBack());
  v.HistoryBack();
  EXPECT_DOUBLE_EQ(v.GetDistance(), first);
  EXPECT_EQ(v.GetFieldOfView(), fieldOfView);  // not part of an entry
  EXPECT_EQ(v.GetDrawMode(), 0);
  EXPECT_TRUE(v.CanGoForward());
  EXPECT_FALSE(v.CanGoBack());
  v.HistoryForward();
  EXPECT_DOUBLE_EQ(v.GetDistance(), zoomed);
  EXPECT_FALSE(v.CanGoForward());
  EXPECT_TRUE(v.CanGoBack());
  // Pushing without a change stores nothing: back still lands on the first.
  v.PushHistory();
  v.PushHistory();
  v.HistoryBack();
  EXPECT_DOUBLE_EQ(v.GetDistance(), first);
}

TEST_F(NavigateTest, TheRingKeepsTheLastTenCameras) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  for (int i = 1; i <= 11; ++i) {
    v.SetDistance(i);
    v.MarkCameraChanged(true);
    v.PushHistory();
  }
  int steps = 0;
  while (v.CanGoBack()) {
    v.HistoryBack();
    ++steps;
    ASSERT_LE(steps, 20);
  }
  EXPECT_EQ(steps, 9);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 2.0);  // the first camera is given up
  for (int i = 0; i < 9; ++i) v.HistoryForward();
  EXPECT_DOUBLE_EQ(v.GetDistance(), 11.0);
  EXPECT_FALSE(v.CanGoForward());
}

// Aligning to a selected face turns the camera to look straight along the
// face's normal, the shortest way; to a line, along the line (mode 1) or
// with the camera's sideways axis on it (mode 0). Without such a selection
// nothing happens.
TEST_F(NavigateTest, AlignToPlaneLooksAlongTheSelection) {
  QView v(RECT{0, 0, 200, 200});
  Aim(v);
  auto* cube = static_cast<engine::MMeshObj*>(cube_);
  EXPECT_FALSE(v.AlignToPlane(0, scene_.get())) << "nothing selected";
  EXPECT_FALSE(v.CanGoBack());

  const auto parallel = [](const PointRecord& a, const PointRecord& b) {
    const double la = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z), lb = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
    return std::fabs(a.x * b.x + a.y * b.y + a.z * b.z) / (la * lb);
  };
  for (engine::MFace* face : cube->GetFaceList()) {
    SCOPED_TRACE(cube->GetFaceIndex(face));
    Aim(v);
    v.ResetHistory();
    cube->ClearSelection();
    engine::PtrArray one;
    one.Add(face);
    cube->SelectLists(&one, nullptr, nullptr);
    ASSERT_TRUE(v.AlignToPlane(0, scene_.get()));
    PointRecord along;
    v.GetViewDirection(along);
    EXPECT_NEAR(parallel(along, face->GetNormal()), 1.0, 1e-9);
    EXPECT_TRUE(v.CanGoBack()) << "the camera before is in the history";
  }

  engine::MLine* line = cube->lines.First();
  const PointRecord direction{line->end1->position.x - line->end0->position.x,
                              line->end1->position.y - line->end0->position.y,
                              line->end1->position.z - line->end0->position.z};
  cube->ClearSelection();
  engine::PtrArray one;
  one.Add(line);
  cube->SelectLists(nullptr, &one, nullptr);
  Aim(v);
  ASSERT_TRUE(v.AlignToPlane(1, scene_.get()));
  PointRecord along;
  v.GetViewDirection(along);
  EXPECT_NEAR(parallel(along, direction), 1.0, 1e-9);
  Aim(v);
  ASSERT_TRUE(v.AlignToPlane(0, scene_.get()));
  PointRecord sideways;
  engine::MUtilTransformVector(v.GetInverseViewMatrix(), {1, 0, 0}, sideways);
  EXPECT_NEAR(parallel(sideways, direction), 1.0, 1e-9);
}

}  // namespace
