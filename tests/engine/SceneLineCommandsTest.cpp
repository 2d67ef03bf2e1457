// Scene commands on line drawings: a profile swept along a path, lines
// divided evenly (only in face-less objects of their own) and divided to a
// length measured in the scene.
#include <algorithm>
#include <cmath>
#include <string>

#include "engine/ModelingTestSupport.h"
#include "engine/SceneTestSupport.h"

namespace scene_line_commands_test {

using engine::MDocObj;
using engine::MMeshObj;
using engine::PointRecord;
using engine::PtrArray;
using scenetest::DumpIs;
using scenetest::DumpScene;

// Free lines through the points in order (an open chain).
meshkit::MeshFixture Chain(std::initializer_list<PointRecord> points) {
  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add(points);
  for (std::size_t k = 0; k + 1 < f.v.size(); ++k) f->AddLineBetween(f.v[k], f.v[k + 1]);
  f->Checkpoint(true);
  return f;
}

// Child 1 a bent profile of two lines about the origin, child 2 the path
// given (placed at the origin too); the profile selected first.
std::unique_ptr<MDocObj> SweepScene(meshkit::MeshFixture path, bool selectBoth = true) {
  auto scene = scenetest::SceneTest::MakeScene([&](MDocObj& s) {
    scenetest::SceneTest::Add(
        s, scenetest::SceneTest::Place(Chain({{-0.5, 0, 0}, {0, 0.5, 0}, {0.5, 0, 0}}), 0, 0, 0));
    scenetest::SceneTest::Add(s, scenetest::SceneTest::Place(std::move(path), 0, 0, 0));
  });
  if (selectBoth)
    scenetest::SceneTest::SelectOnly(*scene, {1, 2});
  else
    scenetest::SceneTest::SelectOnly(*scene, {1});
  return scene;
}

meshkit::MeshFixture StraightPath() { return Chain({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}}); }

class SceneLineCommandsTest : public scenetest::SceneTest {};

TEST_F(SceneLineCommandsTest, ASweptProfileBecomesAWallAlongThePathAndThePathGoes) {
  auto scene = SweepScene(StraightPath());
  const scenetest::SceneOrder beforeOrder = scenetest::OrderOf(*scene);
  const std::string before = DumpScene(*scene, false, &beforeOrder);
  scene->SweepAlongPath(false);
  ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
  ASSERT_EQ(scene->GetChildCount(), 2) << "the grid and the swept profile";
  MMeshObj* swept = engine::AsMesh(scene->ChildAt(1));
  ASSERT_NE(swept, nullptr);
  // Three steps of two quads each, four copies of the profile's three points.
  EXPECT_EQ(swept->faces.Length(), 12);
  EXPECT_EQ(swept->vertices.Length(), 12);
  for (int z = 0; z <= 3; ++z) {
    int atLevel = 0;
    for (const engine::MVertex* v : swept->vertices) atLevel += std::fabs(v->position.z - z) < 1e-12;
    EXPECT_EQ(atLevel, 3) << "the profile's copy at z = " << z;
  }
  for (const engine::MVertex* v : swept->vertices) EXPECT_FALSE(v->flags & engine::kVertexSelected);
  EXPECT_TRUE(meshkit::MeshIsValid(*swept));

  const scenetest::SceneOrder afterOrder = scenetest::OrderOf(*scene);
  const std::string after = DumpScene(*scene, false, &afterOrder);
  scene->UndoEdit(0);
  EXPECT_TRUE(DumpIs(*scene, before, &beforeOrder));
  scene->UndoEdit(1);
  EXPECT_TRUE(DumpIs(*scene, after, &afterOrder));
  scene->UndoEdit(0);
  scene->EndEdit(0);
  EXPECT_TRUE(DumpIs(*scene, before, &beforeOrder));
}

TEST_F(SceneLineCommandsTest, OnABentPathEveryCopyIsCarriedToItsPointTurnedOrNot) {
  // Each copy is moved by its path step and turned about its own centre,
  // so the copies' centres follow the path: the mean of all points is the
  // profile's centre (0, 1/6, 0) moved by the mean of the path's points.
  for (bool turn : {false, true}) {
    SCOPED_TRACE(turn ? "turned" : "not turned");
    auto scene = SweepScene(Chain({{0, 0, 0}, {0, 0, 1}, {1, 0, 2}, {1, 1, 3}}));
    scene->SweepAlongPath(turn);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
    MMeshObj* swept = engine::AsMesh(scene->ChildAt(1));
    EXPECT_EQ(swept->faces.Length(), 12);
    PointRecord mean{0, 0, 0};
    for (const engine::MVertex* v : swept->vertices)
      mean = {mean.x + v->position.x / 12, mean.y + v->position.y / 12, mean.z + v->position.z / 12};
    ExpectNear(mean, 0.5, 1.0 / 6 + 0.25, 1.5, 1e-9);
    EXPECT_TRUE(meshkit::MeshIsValid(*swept));
  }
}

TEST_F(SceneLineCommandsTest, ASweepCutShortByMemoryUndoesToTheSceneBefore) {
  scenetest::ExpectUndoneAfterEachAllocationFailure([] { return SweepScene(StraightPath()); },
                                                    [](MDocObj& s) { s.SweepAlongPath(true); });
}

TEST_F(SceneLineCommandsTest, ASweepWithTheWrongSelectionChangesNothing) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<MDocObj>()> make;
    int reason;
  };
  const Case cases[] = {
      {"one object", [] { return SweepScene(StraightPath(), false); }, engine::kEngReasonNotSweepPair},
      {"a closed path", [] { return SweepScene(modelingtest::FreeLoop({{0, 0, 0}, {0, 0, 1}, {0, 1, 1}})); },
       engine::kEngReasonNotSweepChains},
      {"a branching path",
       [] {
         meshkit::MeshFixture f = StraightPath();
         f.Add({{1, 0, 1}});
         f->AddLineBetween(f.v[1], f.v[4]);
         f->Checkpoint(true);
         return SweepScene(std::move(f));
       },
       engine::kEngReasonNotSweepChains},
      {"a path with faces", [] { return SweepScene(meshkit::MakeQuadPair()); }, engine::kEngReasonNotSweepChains},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = c.make();
    const std::string before = DumpScene(*scene, true);
    scene->SweepAlongPath(false);
    EXPECT_EQ(FailState(), engine::kEngFailFailed);
    EXPECT_EQ(engine::EngContext().failReason, c.reason);
    engine::EngContext().ClearFailure();
    EXPECT_EQ(DumpScene(*scene, true), before);
  }
}

TEST_F(SceneLineCommandsTest, LinesAreDividedOnlyWhenEverySelectedObjectIsAFacelessDrawing) {
  // A drawing and a tetrahedron selected together: nothing is divided.
  auto scene = MakeScene([](MDocObj& s) {
    Add(s, Place(modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), 0, 0, 0));
    Add(s, Tetra(3, 0, 0));
  });
  SelectOnly(*scene, {1, 2});
  const std::string before = DumpScene(*scene, true);
  scene->DivideSelectedLines(2);
  EXPECT_EQ(FailState(), engine::kEngFailFailed);
  EXPECT_EQ(engine::EngContext().failReason, engine::kEngReasonNotFaceless);
  engine::EngContext().ClearFailure();
  EXPECT_EQ(DumpScene(*scene, true), before);

  // The drawing alone, placed away from the origin: its matrix moves into
  // its points, which keep their places in the scene.
  SelectOnly(*scene, {1});
  MMeshObj* drawing = engine::AsMesh(scene->ChildAt(1));
  engine::MatrixRecord moved;
  engine::MUtilIdentity(moved);
  moved.m[3][0] = 5;
  drawing->SetMatrix(moved);
  scene->DivideSelectedLines(2);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(drawing->lines.Length(), 6);
  engine::MatrixRecord now;
  drawing->GetMatrix(now);
  EXPECT_EQ(now.m[3][0], 0);
  double lowest = 99;
  for (const engine::MVertex* v : drawing->vertices) lowest = std::min(lowest, v->position.x);
  EXPECT_EQ(lowest, 5);
}

TEST_F(SceneLineCommandsTest, TheLengthIsMeasuredInTheScene) {
  // A drawing of unit lines shown twice as large: a scene length of 1 cuts
  // each line in two.
  auto scene = MakeScene([](MDocObj& s) {
    Add(s, Place(modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), 0, 0, 0));
  });
  MMeshObj* drawing = engine::AsMesh(scene->ChildAt(1));
  engine::MatrixRecord scaled;
  engine::MUtilIdentity(scaled);
  for (int k = 0; k < 3; ++k) scaled.m[k][k] = 2;
  drawing->SetMatrix(scaled);
  SelectOnly(*scene, {1});
  scene->ApplyLengthToSelection(1);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(drawing->lines.Length(), 8);
  for (const engine::MLine* line : drawing->lines) {
    const double dx = line->end0->position.x - line->end1->position.x;
    const double dy = line->end0->position.y - line->end1->position.y;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 0.5, 1e-12);
  }
}

}  // namespace scene_line_commands_test
