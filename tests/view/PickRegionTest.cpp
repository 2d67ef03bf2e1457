// Picks beyond one point on scenes of unit cubes: faces with their colour,
// box handles on an object's surface, regions and the whole view, the
// centre of a picked selection, polylines, the plane across an axis, and
// mirrored joints.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SceneTestSupport.h"
#include "ViewTestSupport.h"
#include "engine/mesh/MFace.h"
#include "platform/GlContext.h"
#include "view/QView.h"

namespace {

using engine::PointRecord;
using platform::RECT;
using view::PackScreenPoint;
using view::QView;

class PickRegionTest : public scenetest::SceneTest {
 protected:
  void TearDown() override {
    for (int i = 0; i < picked_.count; ++i) delete static_cast<engine::ElementSelection*>(picked_[i]);
    platform::GlContext::ReleaseCurrent();
    SceneTest::TearDown();
  }
  // Cubes from (x, y, z) to (x + 1, y + 1, z + 1); the floor takes no part
  // in picks.
  static std::unique_ptr<engine::MDocObj> Cubes(std::initializer_list<PointRecord> corners) {
    auto scene = MakeScene([&](engine::MDocObj& s) {
      for (const PointRecord& c : corners) Add(s, Place(meshkit::MakeCube(), c.x, c.y, c.z));
    });
    scene->GetGridObject()->excluded = 1;
    return scene;
  }
  static std::uint32_t Packed(const PointRecord& s) {
    return PackScreenPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
  }
  PointRecord Screen(QView& v, const PointRecord& p) {
    PointRecord s;
    v.ProjectPoint(p, s);
    return s;
  }
  engine::PtrArray picked_;
};

// A face's colour with its mesh's index in the scene and its own index; an
// empty spot gives nothing.
TEST_F(PickRegionTest, FacePickReportsTheFaceAndItsColour) {
  auto scene = Cubes({{-2.5, -0.5, -0.5}, {1.5, -0.5, -0.5}});
  QView v(RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionParallel);
  auto* right = static_cast<engine::MMeshObj*>(scene->ChildAt(2));
  for (engine::MFace* face : right->GetFaceList()) face->shader->diffuseColor = {1.0, 0.5, 0.0};
  int meshIndex = -1, faceIndex = -1;
  std::uint32_t colour = 0;
  ASSERT_TRUE(v.PickFace(scene.get(), Packed(Screen(v, {2.0, 0.0, 0.0})), meshIndex, faceIndex, colour));
  EXPECT_EQ(meshIndex, scene->GetMeshIndex(right));
  ASSERT_GE(faceIndex, 0);
  EXPECT_EQ(colour, 0x007FFFu) << "red 255, green 127, blue 0";
  EXPECT_EQ(engine::EngContext().facePickActive, 0) << "put back after the pick";
  EXPECT_FALSE(v.PickFace(scene.get(), PackScreenPoint(100, 3), meshIndex, faceIndex, colour));
}

// A selected cube's box handle is picked on its surface; the same kind of
// handle on a cube behind another one is hidden by it.
TEST_F(PickRegionTest, SurfacePointsAreHandlesNotHiddenBehindOtherSurfaces) {
  QView v(RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionFieldOfView);
  PointRecord eye;
  v.GetEyePosition(eye);
  const double e = std::hypot(eye.x, eye.y, eye.z);
  const PointRecord d{eye.x / e, eye.y / e, eye.z / e};
  // One cube at the origin, one three units towards the eye.
  auto scene = Cubes({{-0.5, -0.5, -0.5}, {3 * d.x - 0.5, 3 * d.y - 0.5, 3 * d.z - 0.5}});
  engine::MObject* back = scene->ChildAt(1);
  engine::MObject* front = scene->ChildAt(2);
  // The face handle turned most to the eye, pushed out 2 % of the diagonal.
  const auto facing = [&](const PointRecord& centre) {
    const double push = 0.5 + 0.02 * std::sqrt(3.0);
    const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    if (ax >= ay && ax >= az) return PointRecord{centre.x + std::copysign(push, d.x), centre.y, centre.z};
    if (ay >= az) return PointRecord{centre.x, centre.y + std::copysign(push, d.y), centre.z};
    return PointRecord{centre.x, centre.y, centre.z + std::copysign(push, d.z)};
  };
  PointRecord hit;
  front->Select(true);
  EXPECT_EQ(v.PickSurfacePoint(scene.get(), Packed(Screen(v, facing({3 * d.x, 3 * d.y, 3 * d.z}))), hit), front);
  EXPECT_EQ(v.PickSurfacePoint(scene.get(), PackScreenPoint(3, 3), hit), nullptr);
  front->Select(false);
  back->Select(true);
  EXPECT_EQ(v.PickSurfacePoint(scene.get(), Packed(Screen(v, facing({0, 0, 0}))), hit), nullptr)
      << "behind the front cube";
}

// A region takes the vertices inside it mesh by mesh; the whole view takes
// every cube; the centre of one cube's picked elements is its middle.
TEST_F(PickRegionTest, RegionsAndTheWholeViewCollectElements) {
  auto scene = Cubes({{-2.5, -0.5, -0.5}, {1.5, -0.5, -0.5}});
  QView v(RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionParallel);
  // A box around the left cube on the screen.
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (double x : {-2.5, -1.5})
    for (double y : {-0.5, 0.5})
      for (double z : {-0.5, 0.5}) {
        const PointRecord s = Screen(v, {x, y, z});
        x0 = std::min(x0, s.x), y0 = std::min(y0, s.y), x1 = std::max(x1, s.x), y1 = std::max(y1, s.y);
      }
  engine::PointArray corners;
  for (PointRecord c : {PointRecord{x0 - 2, y0 - 2, 0}, {x1 + 2, y0 - 2, 0}, {x1 + 2, y1 + 2, 0}, {x0 - 2, y1 + 2, 0}})
    corners.Add(c);
  const view::ScreenRegion region(corners);
  ASSERT_EQ(v.PickInRegion(scene.get(), region, nullptr, picked_), 1);
  auto* entry = static_cast<engine::ElementSelection*>(picked_[0]);
  EXPECT_EQ(entry->object, scene->ChildAt(1));
  EXPECT_EQ(entry->vertices.count, 8);
  EXPECT_EQ(scene->pickExcluded, 0);

  PointRecord centre;
  v.GetSelectionCenter(centre, picked_);
  ExpectNear(centre, -2.0, 0.0, 0.0, 1e-12);
  // Asked for the other cube only, the region holds nothing of it.
  engine::PtrArray none;
  EXPECT_EQ(v.PickInRegion(scene.get(), region, scene->ChildAt(2), none), 0);

  ASSERT_EQ(v.SelectAllInView(scene.get(), picked_), 2);
  EXPECT_EQ(static_cast<engine::ElementSelection*>(picked_[2])->object, scene->ChildAt(2));

  // Nothing to centre on: the target; two entries break the rule of one.
  engine::PtrArray empty;
  v.GetSelectionCenter(centre, empty);
  ExpectNear(centre, 0, 0, 0, 0);
  EXPECT_TRUE(EndsInFatalExit([&] { v.GetSelectionCenter(centre, picked_); }));
}

// A polyline is tried at its points, then at its edges' middles, then at
// the quarters: the round that first reaches the cube decides.
TEST_F(PickRegionTest, PolylinePicksProbeFinerEachRound) {
  auto scene = Cubes({{-0.5, -0.5, -0.5}});
  QView v(RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionParallel);
  const PointRecord c = Screen(v, {0, 0, 0});
  // One edge 400 pixels long through the cube's middle at a quarter of its
  // length; the cube is well under 100 pixels across on the screen, so
  // only the quarter point reaches it.
  engine::PointArray line;
  line.Add({c.x - 100, c.y, 0});
  line.Add({c.x + 300, c.y, 0});
  PointRecord hit;
  std::uint32_t at = 0;
  EXPECT_EQ(v.PickAlongPolyline(scene.get(), line, 1, false, hit, at), nullptr);
  EXPECT_EQ(v.PickAlongPolyline(scene.get(), line, 2, false, hit, at), scene->ChildAt(1));
  EXPECT_EQ(at, PackScreenPoint(static_cast<int>(c.x), static_cast<int>(c.y)));

  // Closed, the edge back from the last point to the first counts too: its
  // middle reaches the cube in the first round.
  engine::PointArray corner;
  corner.Add({c.x - 60, c.y - 60, 0});
  corner.Add({c.x + 100, c.y - 60, 0});
  corner.Add({c.x + 60, c.y + 60, 0});
  EXPECT_EQ(v.PickAlongPolyline(scene.get(), corner, 1, false, hit, at), nullptr);
  EXPECT_EQ(v.PickAlongPolyline(scene.get(), corner, 1, true, hit, at), scene->ChildAt(1));
}

// The plane across the axis: through the origin for an axis view, through
// the scene's primitive extent otherwise; a ray along the plane finds
// nothing.
TEST_F(PickRegionTest, AxisPlanePicks) {
  auto scene = Cubes({});
  QView v(RECT{0, 0, 200, 200});
  v.MakeCurrent(true);
  v.SetProjectionKind(view::kProjectionParallel, false);
  v.SetAngles(0.0, -view::kHalfPi, 0.0);  // from above
  v.SetDistance(4.0);
  v.SetViewport(RECT{0, 0, 200, 200}, true);
  v.InvalidateMatrices();
  ASSERT_EQ(v.GetAxisViewCode(), 2);
  v.SetAxisCode(2);
  PointRecord p;
  ASSERT_EQ(v.PickOnAxisPlane(PackScreenPoint(130, 60), scene.get(), p), 0);
  EXPECT_NEAR(p.y, 0.0, 1e-12);
  const PointRecord s = Screen(v, p);
  EXPECT_NEAR(s.x, 130, 1e-6);
  EXPECT_NEAR(s.y, 60, 1e-6);
  v.SetAxisCode(1);
  EXPECT_EQ(v.PickOnAxisPlane(PackScreenPoint(130, 60), scene.get(), p), -1) << "looking down along the plane x = c";

  // Not an axis view: the plane x = the primitive extent's x.
  viewtest::AimAtOrigin(v, view::kProjectionFieldOfView);
  double ex = 0, ey = 0, ez = 0;
  scene->GetPrimitiveExtent(ex, ey, ez);
  ASSERT_EQ(v.PickOnAxisPlane(PackScreenPoint(150, 100), scene.get(), p), 0);
  EXPECT_NEAR(p.x, ex, 1e-9);
}

// A vertex with a mirror partner gives both screen points; one without
// gives none.
TEST_F(PickRegionTest, JointPointsOfMirroredVertices) {
  auto scene = Cubes({{-0.5, -0.5, -0.5}});
  QView v(RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionParallel);
  auto* cube = static_cast<engine::MMeshObj*>(scene->ChildAt(1));
  engine::MatrixRecord world;
  scene->GetObjectWorldMatrix(cube, &world, nullptr);
  // The vertex nearest the eye and the one across x from it.
  PointRecord eye;
  v.GetEyePosition(eye);
  engine::MVertex* nearest = nullptr;
  double best = 1e9;
  PointRecord at{};
  for (engine::MVertex* vertex : cube->GetVertexList()) {
    PointRecord w;
    engine::MUtilTransformPoint(world, vertex->position, w);
    if (std::hypot(w.x - eye.x, w.y - eye.y, w.z - eye.z) < best)
      best = std::hypot(w.x - eye.x, w.y - eye.y, w.z - eye.z), nearest = vertex, at = w;
  }
  engine::MVertex* across = nullptr;
  for (engine::MVertex* vertex : cube->GetVertexList())
    if (vertex->position.y == nearest->position.y && vertex->position.z == nearest->position.z && vertex != nearest)
      across = vertex;
  ASSERT_NE(across, nullptr);
  engine::MVertex* vertex = nullptr;
  PointRecord p1, p2;
  EXPECT_FALSE(v.PickJointPoints(scene.get(), Packed(Screen(v, at)), vertex, p1, p2));
  EXPECT_EQ(vertex, nearest);
  nearest->mirrorPartner = across;
  across->mirrorPartner = nearest;
  ASSERT_TRUE(v.PickJointPoints(scene.get(), Packed(Screen(v, at)), vertex, p1, p2));
  EXPECT_EQ(vertex, nearest);
  PointRecord acrossWorld;
  engine::MUtilTransformPoint(world, across->position, acrossWorld);
  const PointRecord want1 = Screen(v, at), want2 = Screen(v, acrossWorld);
  EXPECT_NEAR(p1.x, want1.x, 1e-6);
  EXPECT_NEAR(p1.y, want1.y, 1e-6);
  EXPECT_NEAR(p2.x, want2.x, 1e-6);
  EXPECT_NEAR(p2.y, want2.y, 1e-6);
  nearest->mirrorPartner = across->mirrorPartner = nullptr;
}

}  // namespace
