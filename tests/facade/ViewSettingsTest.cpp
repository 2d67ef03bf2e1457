// The figure view's settings as the property bars set them: line and face
// style, camera, zoom values, lights, and the picture going stale.
#include <cmath>
#include <functional>

#include "FacadeTestSupport.h"
#include "view/QView.h"
#include "view/ViewTypes.h"

namespace {

using facadetest::FacadeTest;
using platform::COLORREF;
using platform::MakeRgb;

class ViewSettingsTest : public FacadeTest {
 protected:
  void SetUp() override {
    FacadeTest::SetUp();
    figure_ = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0, 60, 60);
    ASSERT_NE(figure_, nullptr);
  }
  facade::KxLibV& V() { return figure_->GetView(); }
  view::QView& Q() { return figure_->GetView().View(); }
  struct Style {
    int width, kind;
    COLORREF line, face;
    int lineMode, faceMode, factor;
  };
  Style DrawStyle() {
    Style s{};
    V().GetDrawStyle(s.width, s.kind, s.line, s.face, s.lineMode, s.faceMode, s.factor);
    return s;
  }
  std::unique_ptr<facade::KxLibR> figure_;
};

// Page line kinds skip the view's missing kind 2; modes 0 one colour, 1 no
// lines (the kind is kept), 2 each line its own colour.
TEST_F(ViewSettingsTest, LineColourModesAndKinds) {
  struct Case {
    int mode, pageKind, viewKind;
    bool overrideOn;
    int shownKind, shownMode;
  } cases[] = {
      {0, 4, 3, true, 4, 0}, {2, 1, 1, false, 1, 2}, {1, 4, 0, false, 4, 1},
      {2, 5, 4, false, 5, 2}, {0, 1, 1, true, 1, 0}, {2, 2, 2, false, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " kind " << c.pageKind);
    V().SetLineColor(MakeRgb(200, 10, 20), c.mode, c.pageKind);
    EXPECT_EQ(Q().lineKind, c.viewKind);
    EXPECT_EQ(Q().IsLineColorOverride(), c.overrideOn);
    const Style s = DrawStyle();
    EXPECT_EQ(s.kind, c.shownKind);
    EXPECT_EQ(s.lineMode, c.shownMode);
    if (c.mode == 0) {
      EXPECT_EQ(s.line, MakeRgb(200, 10, 20));
    }
  }
}

TEST_F(ViewSettingsTest, FaceColourModesKeepTheShading) {
  Q().shadingKind = 3;
  V().SetFaceColor(MakeRgb(0, 0, 255), 1);
  EXPECT_EQ(Q().shadingKind, 0);
  EXPECT_EQ(DrawStyle().faceMode, 1);
  V().SetFaceColor(MakeRgb(0, 0, 255), 1);  // twice: the kept kind is not lost
  EXPECT_EQ(V().GetShadingKind(), 3);
  V().SetFaceColor(MakeRgb(0, 0, 255), 0);
  EXPECT_EQ(Q().shadingKind, 3);
  EXPECT_TRUE(Q().IsFaceColorOverride());
  EXPECT_EQ(DrawStyle().faceMode, 0);
  EXPECT_EQ(DrawStyle().face, MakeRgb(0, 0, 255));
  V().SetFaceColor(0, 2);
  EXPECT_FALSE(Q().IsFaceColorOverride());
  EXPECT_EQ(DrawStyle().faceMode, 2);

  // The shading kind set while faces are hidden waits for them.
  V().SetFaceColor(0, 1);
  V().SetShadingKind(1);
  EXPECT_EQ(Q().shadingKind, 0);
  EXPECT_EQ(V().GetShadingKind(), 1);
  V().SetFaceColor(0, 2);
  EXPECT_EQ(Q().shadingKind, 1);
  V().SetShadingKind(2);
  EXPECT_EQ(Q().shadingKind, 2);
}

TEST_F(ViewSettingsTest, LineWidthAndFactor) {
  V().SetLineWidth(3);
  EXPECT_EQ(DrawStyle().width, 3);
  V().SetLineWidth(0);
  EXPECT_EQ(DrawStyle().width, 0);
  EXPECT_FALSE(Q().IsLineWidthOverride());
  EXPECT_EQ(DrawStyle().factor, 1);
  V().SetSupersampling(3);
  EXPECT_EQ(DrawStyle().factor, 3);
  int width = 0, height = 0, factor = 0;
  double lineScale = 0;
  V().GetOutputSize(width, height, factor, lineScale);
  EXPECT_EQ(width, 60);
  EXPECT_EQ(factor, 3);
}

// The zoom value is the zoom factor on a scale the property bar shows; a
// value set comes back unchanged (rounded, not truncated).
TEST_F(ViewSettingsTest, ZoomValuesMapToZoomFactors) {
  struct Case {
    double zoom;
    int value;
  } cases[] = {{1.0, 75}, {0.5, 50}, {0.25, 25}, {2.0, 125}, {0.982, 74}, {0.01, 1}};
  for (const Case& c : cases) {
    Q().SetZoomFactor(c.zoom);
    EXPECT_EQ(V().GetZoomValue(), c.value) << c.zoom;
  }
  for (int value = 1; value <= 400; value += 7) {
    V().SetZoomValue(value);
    EXPECT_EQ(V().GetZoomValue(), value);
  }
  // A larger zoom factor keeps the camera further off in proportion.
  V().SetZoomValue(50);
  const double distance = Q().GetDistance();
  V().SetZoomValue(75);
  EXPECT_NEAR(Q().GetDistance(), 2 * distance, 1e-9);
}

TEST_F(ViewSettingsTest, CameraSettingsInDegreesAndLensValues) {
  V().SetCameraAngles(0.1, 0.2, 0.5);
  V().SetCameraSettings(30, 20, 60, 100, 1.5, 2.5, -3.0);
  double yaw = 0, pitch = 0, roll = 0;
  V().GetCameraAngles(yaw, pitch, roll);
  EXPECT_NEAR(yaw, 30 * view::kPi / 180, 1e-12);
  EXPECT_NEAR(pitch, -20 * view::kPi / 180, 1e-12);
  EXPECT_EQ(roll, 0.5) << "the page's rotation stays";
  int ax = 0, ay = 0, lens = 0, zoom = 0;
  double x = 0, y = 0, z = 0;
  V().GetCameraSettings(ax, ay, lens, zoom, x, y, z);
  EXPECT_EQ(ax, 30);
  EXPECT_EQ(ay, 20);
  EXPECT_EQ(lens, 60);
  EXPECT_EQ(zoom, 100);
  EXPECT_EQ(x, 1.5);
  EXPECT_EQ(y, 2.5);
  EXPECT_EQ(z, -3.0);
  EXPECT_EQ(Q().GetProjectionKind(), view::kProjectionFieldOfView);

  // Each projection kind shows its lens value.
  struct KindCase {
    int kind, lens;
  } kinds[] = {{view::kProjectionWide, 113}, {view::kProjectionNarrow, 48}, {view::kProjectionParallel, 0},
               {view::kProjectionFieldOfView, 60}};
  for (const KindCase& c : kinds) {
    EXPECT_EQ(V().SetProjectionKind(c.kind), 0);
    EXPECT_EQ(Q().GetProjectionKind(), c.kind);
    V().GetCameraSettings(ax, ay, lens, zoom, x, y, z);
    EXPECT_EQ(lens, c.lens) << c.kind;
  }
  // Lens 0 is the parallel camera; a lens beyond a byte is held to 255, so
  // the figure can still be saved.
  V().SetCameraSettings(30, 20, 0, 100, 0, 0, 0);
  EXPECT_EQ(Q().GetProjectionKind(), view::kProjectionParallel);
  V().SetCameraSettings(30, 20, 300, 100, 0, 0, 0);
  EXPECT_EQ(Q().GetProjectionKind(), view::kProjectionFieldOfView);
  EXPECT_EQ(Q().GetFieldOfView(), 255);
  EXPECT_EQ(figure_->SaveWithOptions(Path("wide.Z4T"), 0, nullptr, {}), facade::kFacadeOk);
}

TEST_F(ViewSettingsTest, TheFirstLightInDegrees) {
  int a = 0, b = 0, v1 = 0, v3 = 0;
  V().GetLight(a, b, v1, v3);
  EXPECT_EQ(a, 50);  // 0.28 pi
  EXPECT_EQ(b, -50);
  EXPECT_EQ(v1, 35);
  EXPECT_EQ(v3, 50);
  V().SetLight(10, -20, 60, 40);
  V().GetLight(a, b, v1, v3);
  EXPECT_EQ(a, 10);
  EXPECT_EQ(b, -20);
  EXPECT_EQ(v1, 60);
  EXPECT_EQ(v3, 40);
  view::LightSettings lights;
  Q().GetLights(lights);
  EXPECT_NEAR(lights.firstAngles[0], 10 * view::kPi / 180, 1e-12);
  EXPECT_EQ(lights.intensities[1], 0.0) << "the second light is left alone";
  EXPECT_EQ(lights.firstAngles[1], -view::kHalfPi);
}

// Every setting marks the picture stale; the next request renders.
TEST_F(ViewSettingsTest, EverySettingMarksThePictureStale) {
  const std::function<void(facade::KxLibV&)> settings[] = {
      [](facade::KxLibV& v) { v.SetLineWidth(2); },
      [](facade::KxLibV& v) { v.SetLineColor(0, 0, 1); },
      [](facade::KxLibV& v) { v.SetFaceColor(0, 0); },
      [](facade::KxLibV& v) { v.SetShadingKind(1); },
      [](facade::KxLibV& v) { v.SetCameraAngles(0.2, 0.1, 0.0); },
      [](facade::KxLibV& v) { v.SetCameraSettings(10, 10, 40, 80, 0, 0, 0); },
      [](facade::KxLibV& v) { v.SetZoomValue(90); },
      [](facade::KxLibV& v) { v.SetLight(20, 20, 30, 30); },
      [](facade::KxLibV& v) { v.SetSupersampling(2); },
      [](facade::KxLibV& v) { v.SetOutputSize(70, 60, 0, 1.0); },
      [](facade::KxLibV& v) { v.SetProjectionKind(view::kProjectionParallel); },
      [](facade::KxLibV& v) {
        double x, y, z;
        v.Pan(5, 5, x, y, z);
      },
  };
  int i = 0;
  for (const auto& set : settings) {
    SCOPED_TRACE(i++);
    ASSERT_NE(V().GetImage(false), nullptr);
    ASSERT_TRUE(V().IsImageValid());
    set(V());
    EXPECT_FALSE(V().IsImageValid());
  }
}

TEST_F(ViewSettingsTest, LockingAndSilhouetteAndThePageMode) {
  ASSERT_NE(V().GetImage(false), nullptr);
  V().SetCameraAngles(0.9, 0, 0);
  V().LockImage();
  EXPECT_TRUE(V().IsImageValid()) << "nothing renders while locked";
  V().UnlockImage();
  EXPECT_FALSE(V().IsImageValid());

  Q().SetDrawMode(2);
  V().BeginSilhouetteRender();
  EXPECT_EQ(Q().GetDrawMode(), 3);
  EXPECT_FALSE(Q().IsSmoothShown());
  ASSERT_NE(V().GetImage(false), nullptr);
  facadetest::SavePicture(*V().GetImage(false), "cube_silhouette");
  V().EndSilhouetteRender();
  EXPECT_EQ(Q().GetDrawMode(), 2);
  EXPECT_TRUE(Q().IsSmoothShown());

  Q().SetOptionFlag(1);
  ASSERT_NE(V().GetImage(false), nullptr);
  V().UsePageDrawMode();
  EXPECT_EQ(Q().GetDrawMode(), 6);
  EXPECT_EQ(Q().toneFlag, 1);
  EXPECT_EQ(Q().GetOptionFlag(), 0);
  EXPECT_FALSE(V().IsImageValid());
  ASSERT_NE(V().GetImage(false), nullptr);
  V().UsePageDrawMode();
  EXPECT_TRUE(V().IsImageValid()) << "already in the page's mode";
}

TEST_F(ViewSettingsTest, PanningMovesTheTargetAcrossTheView) {
  ASSERT_NE(V().GetImage(false), nullptr);
  const engine::PointRecord before = Q().GetTarget();
  double x = 0, y = 0, z = 0;
  V().Pan(0, 0, x, y, z);
  EXPECT_EQ(x, before.x);
  EXPECT_EQ(y, before.y);
  V().Pan(20, 0, x, y, z);
  const double moved = std::hypot(x - before.x, y - before.y, z - before.z);
  EXPECT_GT(moved, 0.05);
  EXPECT_EQ(Q().GetTarget().x, x);
}

}  // namespace
