// The camera: defaults and presets, projection kinds and the lens, the view
// matrix, projection of points checked against GLU both ways, camera
// positions, the camera record and the lights.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <memory>

#include "engine/ObjectTestSupport.h"
#include "engine/core/QFile.h"
#include "support/TempDir.h"
#include "view/QImpGL.h"
#include "view/ViewTestSupport.h"

namespace {

using engine::MatrixRecord;
using engine::PointRecord;
using objecttest::Bytes;
using platform::RECT;
using view::QView;
using Mode = platform::File::Mode;

class CameraTest : public viewtest::ViewTest {
 protected:
  PointRecord ToCamera(QView& v, const PointRecord& p) {
    PointRecord out;
    engine::MUtilTransformPoint(v.GetViewMatrix(), p, out);
    return out;
  }
  testsupport::TempDir dir_;
};

void ExpectNear(const PointRecord& a, const PointRecord& b, double tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST_F(CameraTest, ANewViewLooksFromTheDefaultPlace) {
  QView v(RECT{0, 0, 64, 48});
  ASSERT_TRUE(v.HasContext());
  double yaw, pitch, roll;
  v.GetAngles(yaw, pitch, roll);
  EXPECT_EQ(yaw, 0.7);
  EXPECT_EQ(pitch, -0.4);
  EXPECT_EQ(roll, 0.0);
  EXPECT_EQ(v.GetProjectionKind(), 1601);
  EXPECT_EQ(v.GetDistance(), 7.0);
  EXPECT_EQ(v.GetZoomFactor(), 0.5);
  EXPECT_EQ(v.GetDepthUnit(), 100.0);
  EXPECT_EQ(v.GetFieldOfView(), 81);
  EXPECT_EQ(view::DefaultFieldOfView(), 81);
  EXPECT_NEAR(v.GetFieldOfViewFactor(), 0.993, 0.001);
  EXPECT_EQ(v.GetViewAxis(), 2);
  EXPECT_EQ(v.GetViewPresetKind(), 10);
  EXPECT_EQ(v.GetDrawMode(), 2);
  EXPECT_EQ(v.GetStateFlag(), 1);
  int r, g, b;
  v.GetBackgroundColor(r, g, b);
  EXPECT_EQ(r + g + b, 3 * 255);
  EXPECT_FALSE(platform::GlContext::AnyCurrent()) << "the constructor leaves the context released";
}

TEST_F(CameraTest, PresetsSetAnglesAndKind) {
  struct Case {
    int preset;
    double yaw, pitch;
    int kind;
  };
  QView v(RECT{0, 0, 40, 40});
  for (const Case& c : {Case{0, 0.7, -0.4, 1601}, Case{1, 0.0, -view::kHalfPi, 1603}, Case{2, 0.0, 0.0, 1603},
                        Case{3, view::kHalfPi, 0.0, 1603}, Case{7, view::kHalfPi, 0.0, 1603}}) {
    SCOPED_TRACE(c.preset);
    v.SetTarget({5, 5, 5});
    v.SetDistance(40.0);
    v.SetZoomFactor(2.0);
    v.SaveProjectionKind();
    v.SetViewPreset(c.preset);
    double yaw, pitch, roll;
    v.GetAngles(yaw, pitch, roll);
    EXPECT_EQ(yaw, c.yaw);
    EXPECT_EQ(pitch, c.pitch);
    EXPECT_EQ(v.GetProjectionKind(), c.kind);
    EXPECT_EQ(v.GetDistance(), 7.0);
    EXPECT_EQ(v.GetZoomFactor(), 0.5);
    EXPECT_EQ(v.GetTarget().x, 0.0);
    EXPECT_FALSE(v.RestoreProjectionKind(false)) << "the saved kind is cleared";
  }
}

TEST_F(CameraTest, ProjectionKindsKeepThePictureSizeThroughTheDistance) {
  QView v(RECT{0, 0, 40, 40});
  v.SetDistance(50.0);
  v.SetProjectionKind(1601, false);
  EXPECT_EQ(v.GetDistance(), 50.0) << "the current kind changes nothing";
  v.SetProjectionKind(1603, false);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 50.0 * v.GetFieldOfViewFactor() / 1.0);
  v.SetProjectionKind(1601, false);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 50.0);
  v.SetProjectionKind(1600, false);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 50.0 * v.GetFieldOfViewFactor() / 1.4);
  v.SetProjectionKind(1602, false);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 50.0 * v.GetFieldOfViewFactor() / 0.6);
  const double before = v.GetDistance();
  v.SetProjectionKind(1777, false);
  EXPECT_EQ(v.GetDistance(), before) << "an unknown kind keeps the factor";
  EXPECT_EQ(v.GetProjectionKind(), 1777);

  v.SaveProjectionKind();
  v.SetProjectionKind(1601, false);
  EXPECT_TRUE(v.RestoreProjectionKind(false));
  EXPECT_EQ(v.GetProjectionKind(), 1777);
}

TEST_F(CameraTest, TheLensMovesTheCameraOnlyForTheFieldOfViewKind) {
  QView v(RECT{0, 0, 40, 40});
  v.SetProjectionKind(1603, false);
  v.SetDistance(30.0);
  v.GetViewMatrix();
  v.SetFieldOfView(40, false);
  EXPECT_EQ(v.GetFieldOfView(), 40);
  EXPECT_EQ(v.GetDistance(), 30.0);
  const double factor40 = std::tan(40 * 0.5 * view::kPi / 180) * 1.1627906976744187;
  EXPECT_DOUBLE_EQ(v.GetFieldOfViewFactor(), factor40);
  v.SetProjectionKind(1601, false);
  EXPECT_DOUBLE_EQ(v.GetDistance(), 30.0 / factor40);
  v.SetFieldOfView(81, false);
  EXPECT_NEAR(v.GetDistance(), 30.0 / factor40 * factor40 / v.GetFieldOfViewFactor(), 1e-9);
}

TEST_F(CameraTest, TheLensIsHeldToWhatAViewRecordCanStore) {
  QView v(RECT{0, 0, 40, 40});
  v.SetFieldOfView(400, false);
  EXPECT_EQ(v.GetFieldOfView(), 255);
  v.SetFieldOfView(0, false);
  EXPECT_EQ(v.GetFieldOfView(), 1);
  v.SetFieldOfView(-20, false);
  EXPECT_EQ(v.GetFieldOfView(), 1);
}

TEST_F(CameraTest, TheViewMatrixPutsTheTargetAheadOfTheCamera) {
  QView v(RECT{0, 0, 40, 40});
  v.SetTarget({3, -2, 7});
  v.SetAngles(0.3, -0.8, 0.2);
  v.SetDistance(12.0);
  v.InvalidateMatrices();
  ExpectNear(ToCamera(v, {3, -2, 7}), {0, 0, 12}, 1e-12);
  PointRecord eye, target, direction;
  v.GetEyeAndTarget(eye, target);
  ExpectNear(target, {3, -2, 7}, 1e-12);
  v.GetViewDirection(direction);
  ExpectNear(PointRecord{eye.x + 12 * direction.x, eye.y + 12 * direction.y, eye.z + 12 * direction.z}, target,
             1e-9);
  PointRecord axis;
  v.SetAxisViewMarker(0);
  v.GetViewAxis(axis);
  ExpectNear(axis, direction, 1e-12);

  // Parallel: the picture is scaled by min(1 / distance, 1.2) and pushed
  // beyond five depth units.
  v.SetProjectionKind(1603, false);
  v.SetDistance(0.5);
  v.InvalidateMatrices();
  const PointRecord onTarget = ToCamera(v, {3, -2, 7});
  EXPECT_NEAR(onTarget.z, 1.2 * (0.5 + 5 * 100.0), 1e-9);
  const PointRecord aside = ToCamera(v, {4, -2, 7});
  EXPECT_NEAR(std::hypot(aside.x - onTarget.x, aside.y - onTarget.y, aside.z - onTarget.z), 1.2, 1e-12);
}

TEST_F(CameraTest, AFlippedFaceOrderMirrorsThePictureOnly) {
  QView plain(RECT{0, 0, 40, 40}), flipped(RECT{0, 0, 40, 40});
  for (QView* v : {&plain, &flipped}) {
    v->SetTarget({1, 2, 3});
    v->SetAngles(0.4, -0.3, 0.0);
    v->SetDistance(9.0);
  }
  flipped.SetFaceOrderFlipped(true);
  flipped.InvalidateMatrices();
  // The flipped view shows each point where the plain view shows its
  // mirror image.
  for (const PointRecord& p : {PointRecord{0, 0, 0}, PointRecord{5, -1, 2}, PointRecord{-3, 4, 1}})
    ExpectNear(ToCamera(flipped, p), ToCamera(plain, {-p.x, p.y, p.z}), 1e-12);
  double yaw, pitch, roll;
  flipped.GetAngles(yaw, pitch, roll);
  EXPECT_EQ(yaw, 0.4);
  EXPECT_EQ(flipped.GetTarget().x, 1.0);
}

// Points projected by the view land where GLU projects them with the
// renderer's matrices, and GLU takes them back to the world point.
TEST_F(CameraTest, PointsProjectAsGlDrawsThemAndBack) {
  for (int kind : {1600, 1601, 1602, 1603}) {
    SCOPED_TRACE(kind);
    QView v(RECT{0, 0, 160, 100});
    v.MakeCurrent(true);
    v.SetProjectionKind(kind, false);
    v.SetTarget({1, 2, 3});
    v.SetAngles(0.5, -0.35, 0.1);
    v.SetDistance(kind == 1603 ? 20.0 : 60.0);
    v.SetViewport(RECT{0, 0, 160, 100}, true);
    MatrixRecord worldToScreen;
    v.GetProjectionMatrix(worldToScreen);
    EXPECT_EQ(worldToScreen.flag, kind == 1603 ? 1 : 0);
    double modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 160);
    PointRecord centre;
    v.ProjectPoint({1, 2, 3}, centre);
    EXPECT_NEAR(centre.x, 80.0, 1e-6);
    EXPECT_NEAR(centre.y, 50.0, 1e-6);
    for (const PointRecord& p : {PointRecord{0, 0, 0}, PointRecord{4, 1, -2}, PointRecord{-3, 5, 6}}) {
      PointRecord s;
      v.ProjectPoint(p, s);
      double wx, wy, wz;
      ASSERT_EQ(gluProject(p.x, p.y, p.z, modelview, projection, viewport, &wx, &wy, &wz), GL_TRUE);
      EXPECT_NEAR(s.x, wx, 1e-6);
      EXPECT_NEAR(s.y, 100.0 - wy, 1e-6);
      EXPECT_GT(s.z, 0.0);
      double bx, by, bz;
      ASSERT_EQ(gluUnProject(s.x, 100.0 - s.y, wz, modelview, projection, viewport, &bx, &by, &bz), GL_TRUE);
      ExpectNear({bx, by, bz}, p, 1e-6);
    }
    const std::uint32_t packed = v.ProjectPointShort({1, 2, 3});
    EXPECT_NEAR(static_cast<int>(packed >> 16), 80, 1);
    EXPECT_NEAR(static_cast<int>(packed & 0xFFFFu), 50, 1);
    v.MakeCurrent(false);
  }
}

TEST_F(CameraTest, ATiledProjectionCutsTheFrustumIntoEqualWindows) {
  QView v(RECT{0, 0, 40, 40});
  v.MakeCurrent(true);
  v.SetMaxViewport(100, 100);
  v.CreateRenderTarget(RECT{0, 0, 200, 100}, false);
  ASSERT_EQ(v.GetTileCount(), 3);
  double whole[16], tile[16];
  v.SetupProjection(v.GetViewRect(), true, 0, 0, false);
  glGetDoublev(GL_PROJECTION_MATRIX, whole);
  // Tile (2, 0): the right-most column, the bottom row.
  v.SetupProjection(v.GetViewRect(), true, 2, 0, true);
  glGetDoublev(GL_PROJECTION_MATRIX, tile);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 67);
  EXPECT_EQ(viewport[3], 34);
  // A frustum's left and right: -(1 + m[8]) / m[0] ... expressed as the
  // window's horizontal centre and width in the near plane.
  const double wholeWidth = 2.0 / whole[0], tileWidth = 2.0 / tile[0];
  EXPECT_NEAR(tileWidth / wholeWidth, 67.0 / 200.0, 1e-6);
  const double tileCentre = tile[8] / tile[0], wholeLeft = -wholeWidth / 2;
  EXPECT_NEAR(tileCentre, wholeLeft + wholeWidth * (2 * 67.0 + 33.5) / 200.0, 1e-6);
  v.MakeCurrent(false);
}

TEST_F(CameraTest, TheCameraRecordRoundTripsAndRescalesTheTarget) {
  QView source(RECT{0, 0, 40, 40}), copy(RECT{0, 0, 40, 40});
  source.SetProjectionKind(1603, false);
  source.SetFieldOfView(50, false);
  source.SetTarget({1, 2, 3});
  source.SetDistance(33.0);
  source.SetZoomFactor(1.5);
  source.SetAngles(0.1, 0.2, 0.3);
  const std::string path = dir_.File("camera.bin");
  {
    engine::QFile out(path, Mode::kCreateWrite);
    source.WriteCameraRecord(out, 10.0);
    out.FlushAndClose();
  }
  EXPECT_EQ(testsupport::TempDir::ReadAll(path).size(), 84u);
  engine::QFile in(path, Mode::kRead);
  ASSERT_EQ(copy.ReadCameraRecord(in, 5.0), 0);
  view::CameraState state;
  copy.GetCameraState(state);
  EXPECT_EQ(state.projectionKind, 1603);
  EXPECT_EQ(state.fieldOfView, 50);
  EXPECT_EQ(state.target.x, 2.0) << "stored unit / current unit";
  EXPECT_EQ(state.target.z, 6.0);
  EXPECT_EQ(state.distance, 33.0) << "the distance is not rescaled";
  EXPECT_EQ(state.zoomFactor, 1.5);
  EXPECT_EQ(state.roll, 0.3);

  engine::QFile refused(dir_.Write("refused.bin", Bytes().Int(1).Double(1.0).Int(1603).data), Mode::kRead);
  EXPECT_EQ(copy.ReadCameraRecord(refused, 1.0), -1);
  EXPECT_EQ(refused.ReadPosition(), 4) << "nothing past the leading word is read";
}

TEST_F(CameraTest, CopyCameraToTakesTheCameraAndTheLights) {
  QView source(RECT{0, 0, 40, 40}), other(RECT{0, 0, 40, 40});
  source.SetDrawMode(6);
  source.SetTarget({1, 1, 1});
  source.SetAngles(0.2, 0.3, 0.4);
  source.SetDistance(17.0);
  view::LightSettings lights;
  source.GetLights(lights);
  lights.intensities[1] = 80.0;
  lights.ambient = 10.0;
  source.SetLights(&lights, false);
  source.CopyCameraTo(other);
  EXPECT_EQ(other.GetDrawMode(), 6);
  EXPECT_EQ(other.GetDistance(), 17.0);
  view::LightSettings copied;
  other.GetLights(copied);
  EXPECT_EQ(copied.intensities[1], 80.0);
  EXPECT_EQ(copied.ambient, 10.0);
  ExpectNear(ToCamera(other, {1, 1, 1}), {0, 0, 17}, 1e-12);
}

TEST_F(CameraTest, LightsReachTheRendererWithTheirIntensities) {
  QView v(RECT{0, 0, 40, 40});
  v.MakeCurrent(true);
  view::LightSettings lights;
  QView::GetDefaultLights(lights);
  EXPECT_EQ(lights.intensities[0], 35.0);
  EXPECT_EQ(lights.ambient, 50.0);
  lights.intensities[1] = 50.0;
  v.SetLights(&lights, true);
  float diffuse[4], specular[4], ambient[4];
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glGetLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  EXPECT_NEAR(diffuse[0], 0.49, 1e-6);
  EXPECT_NEAR(specular[0], 0.7, 1e-6);
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glGetLightfv(GL_LIGHT1, GL_SPECULAR, specular);
  EXPECT_NEAR(diffuse[1], 0.7, 1e-6);
  EXPECT_NEAR(specular[1], 1.0, 1e-6);
  glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
  EXPECT_NEAR(ambient[2], 50.0 / 130.0 + 0.26, 1e-6);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(v.GetAppliedAmbient(), 50.0);

  // Light 1's default shines along the x axis; camera-fixed lights ignore
  // the camera, scene-fixed ones turn with it.
  const PointRecord d = v.LightDirection(-view::kHalfPi, 0.0, 0.0);
  ExpectNear(d, {-1, 0, 0}, 1e-12);
  v.SetAngles(view::kHalfPi, 0.0, 0.0);
  lights.sceneFixed = 1;
  v.SetLights(&lights, false);
  ExpectNear(v.LightDirection(-view::kHalfPi, 0.0, 0.0), {0, 0, -1}, 1e-9);
  v.MakeCurrent(false);
}

TEST_F(CameraTest, DamagedCameraValuesStillGiveAProjection) {
  QView v(RECT{0, 0, 40, 40});
  v.SetZoomFactor(0.0);
  v.SetDistance(30.0);
  v.ChangeZoom(2.0);
  EXPECT_EQ(v.GetDistance(), 30.0);
  EXPECT_EQ(v.GetZoomFactor(), 2.0);
  v.MakeCurrent(true);
  v.SetDepthUnit(0.0);
  v.SetViewport(RECT{0, 0, 40, 40}, true);
  double projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  EXPECT_TRUE(std::isfinite(projection[10]));
  EXPECT_NE(projection[0], 1.0) << "a frustum was loaded";
  v.MakeCurrent(false);
}

TEST_F(CameraTest, AxisViewsAreRecognisedFromTheAngles) {
  QView v(RECT{0, 0, 40, 40});
  v.SetViewPreset(1);
  EXPECT_EQ(v.GetAxisViewCode(), 2);
  v.SetViewPreset(2);
  EXPECT_EQ(v.GetAxisViewCode(), 3);
  v.SetViewPreset(3);
  EXPECT_EQ(v.GetAxisViewCode(), 1);
  v.SetAngles(0.001, 0.0, 0.0);
  EXPECT_EQ(v.GetAxisViewCode(), -1) << "beyond pi / 10000";
  v.SetViewPreset(0);
  EXPECT_EQ(v.GetAxisViewCode(), -1) << "perspective";
  EXPECT_FALSE(v.UpdateAxisViewFlag());
}

}  // namespace
