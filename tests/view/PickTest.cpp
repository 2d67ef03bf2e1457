// Picking through the view on a scene of unit cubes: the pick ray, objects
// and elements under a point, rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SceneTestSupport.h"
#include "ViewTestSupport.h"
#include "platform/GlContext.h"
#include "view/QView.h"

namespace {

using engine::PointRecord;
using platform::RECT;
using view::PackScreenPoint;
using view::QView;

class PickTest : public scenetest::SceneTest {
 protected:
  void TearDown() override {
    platform::GlContext::ReleaseCurrent();
    SceneTest::TearDown();
  }
  // A cube from (x, y, z) to (x + 1, y + 1, z + 1).
  static engine::MObject* AddCube(engine::MDocObj& scene, double x, double y, double z) {
    return Add(scene, Place(meshkit::MakeCube(), x, y, z));
  }
  static void Aim(QView& v, int kind) { viewtest::AimAtOrigin(v, kind); }
  // A scene of cubes; its floor grid takes no part in picks.
  template <class Fill>
  static std::unique_ptr<engine::MDocObj> CubeScene(Fill fill) {
    auto scene = MakeScene(fill);
    scene->GetGridObject()->excluded = 1;
    return scene;
  }
  static std::uint32_t Packed(const PointRecord& s) {
    return PackScreenPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
  }
};

TEST_F(PickTest, PackedPointsHoldSignedHalves) {
  EXPECT_EQ(PackScreenPoint(100, 50), (100u << 16) | 50u);
  EXPECT_EQ(PackScreenPoint(-1, 5), 0xFFFF0005u);
  int x = 0, y = 0;
  view::UnpackScreenPoint(PackScreenPoint(-7, -300), x, y);
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, -300);
}

// Every point of the ray under a pixel projects back onto that pixel, for
// perspective and parallel cameras; the perspective ray starts at the eye.
TEST_F(PickTest, RayUnderAPixelProjectsBackOntoIt) {
  for (int kind : {view::kProjectionWide, view::kProjectionFieldOfView, view::kProjectionParallel}) {
    SCOPED_TRACE(kind);
    QView v(RECT{0, 0, 200, 200});
    Aim(v, kind);
    PointRecord nearPoint, farPoint;
    v.ScreenToRay(37, 150, nearPoint, farPoint);
    for (double t : {0.25, 0.5, 1.0}) {
      PointRecord p{nearPoint.x + t * (farPoint.x - nearPoint.x), nearPoint.y + t * (farPoint.y - nearPoint.y),
                    nearPoint.z + t * (farPoint.z - nearPoint.z)};
      PointRecord s;
      v.ProjectPoint(p, s);
      EXPECT_NEAR(s.x, 37.0, 1e-6);
      EXPECT_NEAR(s.y, 150.0, 1e-6);
    }
    if (kind != view::kProjectionParallel) {
      PointRecord eye;
      v.GetEyePosition(eye);
      ExpectNear(nearPoint, eye.x, eye.y, eye.z, 1e-9);
    }
    // One pixel down at the target is about distance x the pixel angle.
    const double perPixel = v.WorldPerPixel(PackScreenPoint(100, 100), {0, 0, 0});
    EXPECT_GT(perPixel, 0.001);
    EXPECT_LT(perPixel, 0.2);
  }
}

TEST_F(PickTest, PicksTheCubeUnderThePointAndNothingBesideIt) {
  auto scene = CubeScene([](engine::MDocObj& s) { AddCube(s, -0.5, -0.5, -0.5); });
  QView v(RECT{0, 0, 200, 200});
  Aim(v, view::kProjectionFieldOfView);
  PointRecord hit;
  view::PickedElements e;
  engine::MObject* cube = scene->ChildAt(1);
  EXPECT_EQ(v.PickNearest(scene.get(), PackScreenPoint(100, 100), hit, &e), cube);
  EXPECT_NE(e.face, nullptr);
  // The hit lies on the cube's surface, on the side facing the eye.
  const double onSide = std::min({std::fabs(std::fabs(hit.x) - 0.5), std::fabs(std::fabs(hit.y) - 0.5),
                                  std::fabs(std::fabs(hit.z) - 0.5)});
  EXPECT_LT(onSide, 1e-6);
  EXPECT_EQ(v.PickNearest(scene.get(), PackScreenPoint(3, 3), hit, &e), nullptr);
  EXPECT_EQ(v.PickObject(scene.get(), PackScreenPoint(100, 100), hit), cube);
  EXPECT_EQ(v.PickObject(scene.get(), PackScreenPoint(3, 197), hit), nullptr);
  // The pick leaves the scene's include-excluded switch clear.
  EXPECT_EQ(scene->pickExcluded, 0);
}

// A pick on a corner reports the vertex and moves the hit exactly onto it;
// an empty spot leaves the requested kind 0 and answers nothing; in draw
// mode 0 no face is reported, but vertices still are.
TEST_F(PickTest, ElementPicksReportTheirKind) {
  auto scene = CubeScene([](engine::MDocObj& s) { AddCube(s, -0.5, -0.5, -0.5); });
  QView v(RECT{0, 0, 200, 200});
  Aim(v, view::kProjectionFieldOfView);
  // Corner (0.5, 0.5, 0.5) of the cube, seen from the front right above.
  PointRecord corner{0.5, 0.5, -0.5}, screen;
  PointRecord eye;
  v.GetEyePosition(eye);
  // The corner nearest the eye is certainly visible.
  double best = 1e9;
  for (double x : {-0.5, 0.5})
    for (double y : {-0.5, 0.5})
      for (double z : {-0.5, 0.5}) {
        const double d = std::hypot(x - eye.x, y - eye.y, z - eye.z);
        if (d < best) best = d, corner = {x, y, z};
      }
  v.ProjectPoint(corner, screen);
  int code = 0;
  PointRecord hit;
  view::PickedElements e;
  bool marked = true;
  ASSERT_EQ(v.PickElement(scene.get(), Packed(screen), code, nullptr, hit, &marked, &e), scene->ChildAt(1));
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(marked);
  ASSERT_NE(e.vertex, nullptr);
  ExpectNear(hit, corner.x, corner.y, corner.z, 1e-12);

  code = 0;
  EXPECT_EQ(v.PickElement(scene.get(), PackScreenPoint(2, 2), code, nullptr, hit, nullptr, &e), nullptr);
  EXPECT_EQ(code, 0);

  // The middle of the picture shows a face in draw mode 2 (the view's
  // start), none in draw mode 0.
  v.PickNearest(scene.get(), PackScreenPoint(100, 100), hit, &e);
  EXPECT_NE(e.face, nullptr);
  v.SetDrawMode(0);
  v.PickNearest(scene.get(), PackScreenPoint(100, 100), hit, &e);
  EXPECT_EQ(e.face, nullptr);
  // Vertices and lines are still picked.
  ASSERT_EQ(v.PickNearest(scene.get(), Packed(screen), hit, &e), scene->ChildAt(1));
  EXPECT_NE(e.vertex, nullptr);
  EXPECT_EQ(e.face, nullptr);
  code = 0;
  ASSERT_EQ(v.PickElement(scene.get(), Packed(screen), code, nullptr, hit, nullptr, &e), scene->ChildAt(1));
  EXPECT_EQ(code, 1);
}

// An object that only notes the engine's pick scale when it is asked.
class PickScaleProbe : public engine::MObject {
 public:
  engine::MObject* PickFace(const PointRecord&, const PointRecord&, const PointRecord&, double*, engine::MVertex**,
                            engine::MLine**, engine::MFace**) override {
    scales.push_back(engine::EngContext().pickScale);
    return nullptr;
  }
  std::vector<double> scales;
};

// Pixel tolerances follow the supersampling factor for the length of a
// pick, 1 without supersampling; afterwards the scale is what it was.
TEST_F(PickTest, ThePickScaleIsTheSupersamplingFactorDuringAPick) {
  auto* probe = new PickScaleProbe;
  auto scene = CubeScene([&](engine::MDocObj& s) { Add(s, probe); });
  QView v(RECT{0, 0, 200, 200});
  Aim(v, view::kProjectionFieldOfView);
  const double before = engine::EngContext().pickScale;
  PointRecord hit;
  for (int factor : {3, 0, 2}) {
    v.SetSamplingFactor(factor);
    EXPECT_EQ(v.PickNearest(scene.get(), PackScreenPoint(100, 100), hit, nullptr), nullptr);
  }
  int code = 0;
  v.PickElement(scene.get(), PackScreenPoint(100, 100), code, nullptr, hit, nullptr);
  EXPECT_EQ(probe->scales, (std::vector<double>{3.0, 1.0, 2.0, 2.0}));
  EXPECT_EQ(engine::EngContext().pickScale, before);
}

TEST_F(PickTest, RectangleSelectsOnlyTheObjectsInside) {
  auto scene = CubeScene([](engine::MDocObj& s) {
    AddCube(s, -2.5, -0.5, -0.5);
    AddCube(s, 1.5, -0.5, -0.5);
  });
  QView v(RECT{0, 0, 200, 200});
  Aim(v, view::kProjectionParallel);
  PointRecord left, right;
  v.ProjectPoint({-2.0, 0.0, 0.0}, left);
  v.ProjectPoint({2.0, 0.0, 0.0}, right);
  // The screen box of the left cube's corners, a pixel larger: a rectangle
  // selects the objects it holds whole.
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (double x : {-2.5, -1.5})
    for (double y : {-0.5, 0.5})
      for (double z : {-0.5, 0.5}) {
        PointRecord c;
        v.ProjectPoint({x, y, z}, c);
        x0 = std::min(x0, c.x), y0 = std::min(y0, c.y), x1 = std::max(x1, c.x), y1 = std::max(y1, c.y);
      }
  std::vector<engine::MObject*> picked;
  v.SelectInRect(scene.get(), {x1 + 1, y0 - 1, 0}, {x0 - 1, y1 + 1, 0}, picked);
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0], scene->ChildAt(1));
  picked.clear();
  v.SelectInRect(scene.get(), {x0 + 3, y0 - 1, 0}, {x1 + 1, y1 + 1, 0}, picked);  // cut at the left
  EXPECT_TRUE(picked.empty());
  picked.clear();
  v.SelectInRect(scene.get(), {-2000, -2000, 0}, {2000, 2000, 0}, picked);
  EXPECT_EQ(picked.size(), 2u);
  picked.clear();
  v.SelectInRect(scene.get(), {(left.x + right.x) / 2 - 3, 0, 0}, {(left.x + right.x) / 2 + 3, 10, 0}, picked);
  EXPECT_TRUE(picked.empty());
  PointRecord hit;
  EXPECT_EQ(v.PickInRect(scene.get(), {right.x - 20, right.y - 20, 0}, {right.x + 20, right.y + 20, 0}, hit),
            scene->ChildAt(2));
}

}  // namespace
