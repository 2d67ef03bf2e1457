// Selection transforms (moves, turns and scales of objects and vertices,
// the symmetric-object constraint, units), step transforms, repeated and
// circular copies, align and distribute, element snapping and primitives.
#include <cmath>
#include <string>

#include "engine/SceneTestSupport.h"

namespace {

using engine::MDocObj;
using engine::MGroupObj;
using engine::MMeshObj;
using engine::MObject;
using engine::PointRecord;
using engine::PtrArray;
using engine::TransformStep;
using scenetest::DumpScene;

constexpr double kPi = 3.14159265358979323846;

class SceneTransformTest : public scenetest::SceneTest {
 protected:
  static void Angles(MObject* object, double& y, double& x, double& z) {
    engine::MatrixRecord m;
    object->GetMatrix(m);
    PointRecord scale, t;
    engine::MUtilDecomposeMatrix(m, y, x, z, scale, t);
  }
  // A mirror-half mesh (symmetric) at x = 0 on a mirror layer 1, and a plain
  // tetrahedron on layer 0.
  static std::unique_ptr<MDocObj> MirrorScene() {
    return MakeScene([](MDocObj& s) {
      s.AddLayer(0);
      s.SetLayerFlag(1, engine::kLayerMirror, 1, false);
      Add(s, Place(meshkit::MakeMirrorHalf(), 0, 0, 0), 1);
      Add(s, Tetra(3, 0, 0), 0);
    });
  }
  // The scene positions of the mesh's vertices, in list order.
  static std::vector<PointRecord> WorldVertices(MDocObj& scene, MMeshObj* mesh) {
    engine::MatrixRecord world;
    scene.GetObjectWorldMatrix(mesh, &world, nullptr);
    std::vector<PointRecord> out;
    for (engine::MVertex* v : mesh->GetVertexList()) {
      PointRecord p;
      engine::MUtilTransformPoint(world, v->GetPosition(), p);
      out.push_back(p);
    }
    return out;
  }
};

// ---- objects -------------------------------------------------------------------------------

TEST_F(SceneTransformTest, SymmetricObjectsOnMirrorLayersKeepTheMirrorPlane) {
  auto scene = MirrorScene();
  MObject* half = scene->ChildAt(1);
  beeps_ = 0;
  scene->MoveSelection(PointRecord{5, 0, 0}, half);
  ExpectNear(Origin(half), 0, 0, 0);
  EXPECT_EQ(beeps_, 1);
  scene->MoveSelection(PointRecord{0, 5, 0}, half);
  ExpectNear(Origin(half), 0, 5, 0);
  EXPECT_EQ(beeps_, 1);

  SelectOnly(*scene, {1});
  scene->RotateSelectedObjects(Origin(half), kPi / 6, 0, 0, 0, 0, 0, 1);
  double y, x, z;
  Angles(half, y, x, z);
  EXPECT_NEAR(y, 0, 1e-9);
  EXPECT_EQ(beeps_, 2);
  scene->RotateSelectedObjects(Origin(half), 0, kPi / 6, 0, 0, 0, 0, 1);
  Angles(half, y, x, z);
  EXPECT_NEAR(x, kPi / 6, 1e-9);

  // The plain object moves freely; a symmetric one moved by the selection
  // move keeps x too.
  scene->MoveSelection(PointRecord{5, 0, 0}, scene->ChildAt(2));
  ExpectNear(Origin(scene->ChildAt(2)), 8, 0, 0);
  SelectOnly(*scene, {1, 2});
  scene->MoveSelectionBy(PointRecord{5, 1, 0});
  ExpectNear(Origin(half), 0, 6, 0);
  ExpectNear(Origin(scene->ChildAt(2)), 13, 1, 0);
}

TEST_F(SceneTransformTest, TurningAboutAPivotInAbsoluteAndRelativeModes) {
  MDocObj scene;
  MObject* object = Add(scene, Tetra(2, 0, 0));
  SelectOnly(scene, {1});
  scene.RotateSelectedObjects(PointRecord{0, 0, 0}, kPi / 2, 0, 0, 0, 0, 0, 1);
  ExpectNear(Origin(object), 0, 0, 2);  // the engine's turn about Y takes x towards z
  // Relative: the turn that carries (pi/2, 0, 0) into (pi, 0, 0).
  scene.RotateSelectedObjects(PointRecord{0, 0, 0}, kPi, 0, 0, kPi / 2, 0, 0, 0);
  ExpectNear(Origin(object), -2, 0, 0);
}

TEST_F(SceneTransformTest, UniformScalingChangesMatricesAndAxisScalingMovesVertices) {
  MDocObj scene;
  MMeshObj* mesh = static_cast<MMeshObj*>(Add(scene, Tetra(1, 0, 0)));
  SelectOnly(scene, {1});
  // The elements (the dump after its first line, which holds the matrix).
  auto elements = [mesh] {
    const std::string dump = meshkit::DumpMesh(*mesh);
    return dump.substr(dump.find('\n'));
  };
  const std::string vertices = elements();
  const double uniform[3] = {2, 2, 2};
  scene.ScaleSelectionAxes(PointRecord{0, 0, 0}, uniform, 0, 1, nullptr);
  EXPECT_EQ(elements(), vertices);
  ExpectNear(Origin(mesh), 2, 0, 0);

  const double ignoredAxes[3] = {2, 3, 4};
  scene.ScaleSelection(PointRecord{0, 0, 0}, ignoredAxes, 0);
  engine::MatrixRecord m;
  mesh->GetMatrix(m);
  EXPECT_NEAR(m.m[1][1], 4.0, 1e-12);  // uniformly by the first factor
  EXPECT_NEAR(m.m[2][2], 4.0, 1e-12);

  MDocObj other;
  MMeshObj* plain = static_cast<MMeshObj*>(Add(other, Tetra(1, 0, 0)));
  SelectOnly(other, {1});
  const std::vector<PointRecord> before = WorldVertices(other, plain);
  engine::MatrixRecord matrixBefore;
  plain->GetMatrix(matrixBefore);
  const double alongX[3] = {2, 1, 1};
  other.ScaleSelectionAxes(PointRecord{0, 0, 0}, alongX, 0, 1, nullptr);
  engine::MatrixRecord matrixAfter;
  plain->GetMatrix(matrixAfter);
  EXPECT_TRUE(engine::MUtilMatrixEqual(matrixBefore, matrixAfter));
  const std::vector<PointRecord> after = WorldVertices(other, plain);
  for (std::size_t i = 0; i < before.size(); ++i) ExpectNear(after[i], before[i].x * 2, before[i].y, before[i].z);
}

TEST_F(SceneTransformTest, TransformRequestsRefuseFigureGroupsAndNeverCollapse) {
  auto scene = MakeScene([](MDocObj& s) {
    auto* group = new MGroupObj();
    auto* figure = new scenetest::StandInFigure();
    meshkit::MakeTetra()->CopyTo(figure);
    group->AddChild(figure);
    Add(s, group);
    Add(s, Tetra(4, 0, 0));
  });
  SelectOnly(*scene, {1});
  engine::TransformRequest request;
  request.scale = {2, 1, 1};
  EXPECT_EQ(scene->ApplyTransformRecord(request), -1);
  SelectOnly(*scene, {2});
  EXPECT_EQ(scene->ApplyTransformRecord(request), 0);
  request.scale = {0, 0, 0};
  request.move = {1, 0, 0};
  EXPECT_EQ(scene->ApplyTransformRecord(request), 0);
  EXPECT_EQ(FailState(), 0);
  engine::MatrixRecord m;
  scene->ChildAt(2)->GetMatrix(m);
  EXPECT_TRUE(std::isfinite(m.m[3][0]));
  EXPECT_NEAR(m.m[3][0], 5 * 1e-8 + 1, 1e-6);
}

TEST_F(SceneTransformTest, UnitsScaleTheSceneByTheRatioOfTheirFactors) {
  EXPECT_EQ(MDocObj::GetUnitFactor(0), 1.0);
  EXPECT_EQ(MDocObj::GetUnitFactor(-5), 1.0);
  EXPECT_EQ(MDocObj::GetUnitFactor(2), 10.0);
  EXPECT_EQ(MDocObj::GetUnitFactor(4), 0.01);
  EXPECT_EQ(MDocObj::GetUnitFactor(13), 1.0);
  MDocObj scene;
  scene.unitCode = 1;
  MObject* object = Add(scene, Tetra(1, 2, 3));
  EXPECT_EQ(scene.SetLengthUnit(2), 10.0);
  ExpectNear(Origin(object), 10, 20, 30);
  EXPECT_EQ(scene.GetUnitCode(), 2);
  EXPECT_FALSE(object->IsSelected());
  EXPECT_NEAR(object->lightInfo.lightDistance, 1000.0, 1e-9);
}

TEST_F(SceneTransformTest, PlacingTheSelectionPutsItsBottomCentreOnThePoint) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra(5, 5, 5)); });
  SelectOnly(*scene, {1});
  scene->PlaceSelectionAt(PointRecord{0, 0, 0});
  ExpectNear(Origin(scene->ChildAt(1)), -0.5, 0, -0.5);
  // An object that was there before comes back to its place on undo.
  scene->UndoEdit(0);
  ASSERT_EQ(scene->GetChildCount(), 2);
  ExpectNear(Origin(scene->ChildAt(1)), 5, 5, 5);
  scene->EndEdit(0);

  // Objects pasted in this step and placed stay made in it: undo takes them out.
  scene->CopySelection(false);
  scene->EndEdit(0);
  scene->PasteObjects(nullptr, false, false);
  scene->PlaceSelectionAt(PointRecord{0, 0, 0});
  ASSERT_EQ(scene->GetChildCount(), 3);
  scene->UndoEdit(0);
  ASSERT_EQ(scene->GetChildCount(), 2);
  ExpectNear(Origin(scene->ChildAt(1)), 5, 5, 5);
}

TEST_F(SceneTransformTest, SelectionDirectionNeedsExactlyOneMesh) {
  MDocObj scene;
  Add(scene, Place(meshkit::MakeQuadPair(true), 0, 0, 0));
  Add(scene, Tetra());
  int kind = 0;
  PointRecord v;
  scene.SelectAll(true);
  scene.GetSelectionDirection(kind, v);
  EXPECT_EQ(kind, -1);
  SelectOnly(scene, {1});
  scene.GetSelectionDirection(kind, v);
  EXPECT_EQ(kind, 2);
  ExpectNear(v, 0, 0, 1);
}

TEST_F(SceneTransformTest, FreezingMovesTheTransformIntoTheGeometry) {
  MDocObj scene;
  MMeshObj* half = Place(meshkit::MakeMirrorHalf(), 0, 0, 0);
  half->SetMatrix(objecttest::Composed(0, 0, 0, {2, 2, 2}, {3, 1, 0}));
  Add(scene, half);
  auto* group = new MGroupObj();
  group->AddChild(Tetra(1, 0, 0));
  group->SetMatrix(objecttest::Translation(0, 0, 5));
  Add(scene, group);
  const std::vector<PointRecord> before = WorldVertices(scene, half);
  std::vector<bool> onPlane;
  for (engine::MVertex* v : half->GetVertexList()) onPlane.push_back((v->flags & engine::kVertexOnMirror) != 0);
  engine::MatrixRecord tetraBefore;
  scene.GetObjectWorldMatrix(group->ChildAt(0), &tetraBefore, nullptr);
  scene.SelectAll(true);
  scene.FreezeTransforms();
  ASSERT_EQ(FailState(), 0);

  double y, x, z;
  Angles(half, y, x, z);
  EXPECT_NEAR(y + x + z, 0, 1e-12);
  EXPECT_NEAR(Origin(half).x, 0, 1e-12);  // the pivot of a symmetric mesh stays on the plane
  const std::vector<PointRecord> after = WorldVertices(scene, half);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (onPlane[i])
      EXPECT_EQ(after[i].x, 0.0);
    else
      ExpectNear(after[i], before[i].x, before[i].y, before[i].z);
  }
  // A group pushes its transform into its children.
  engine::MatrixRecord tetraAfter, groupMatrix;
  scene.GetObjectWorldMatrix(group->ChildAt(0), &tetraAfter, nullptr);
  group->GetMatrix(groupMatrix);
  EXPECT_TRUE(engine::MUtilMatrixEqual(tetraAfter, tetraBefore));
  EXPECT_NEAR(groupMatrix.m[0][0], 1.0, 1e-12);
  scene.SetKeepScaleFlag(true);
  EXPECT_EQ(half->flags & 1, 1);
}

TEST_F(SceneTransformTest, LinesAreSelectedByTheirWidth) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  SelectOnly(*scene, {1});
  auto* mesh = static_cast<engine::MMeshObj*>(scene->ChildAt(1));
  scene->SelectElementsByKind(false, 6, 2, 3);
  EXPECT_EQ(FailState(), 0);
  EXPECT_FALSE(mesh->HasSelectedLine());
  scene->SelectElementsByKind(false, 6, 1, 1);  // the tetrahedron's lines are 1 wide
  EXPECT_EQ(FailState(), 0);
  EXPECT_EQ(mesh->CountSelectedLines(), 6);
}

TEST_F(SceneTransformTest, MeshOperationsOfTheModellingPartRunOnASceneMesh) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  SelectOnly(*scene, {1});
  const std::string before = DumpScene(*scene);
  // One connected part: nothing to split off.
  scene->UngroupSelection(nullptr, nullptr, nullptr);
  EXPECT_EQ(FailState(), 0);
  EXPECT_EQ(DumpScene(*scene), before);
  EXPECT_NE(scene->MergeObjectMeshes(scene->ChildAt(1), 1), nullptr);
  EXPECT_EQ(FailState(), 0);
  scene->SelectElementsByKind(false, 4, 0, 0);  // border lines: a closed tetrahedron has none
  EXPECT_EQ(FailState(), 0);
}

// ---- vertices and steps --------------------------------------------------------------------------

TEST_F(SceneTransformTest, VertexMovesFollowTheSceneAxesAndMoveWholeRings) {
  MDocObj scene;
  meshkit::MeshFixture f = meshkit::MakeSeamTube(4, 1);
  engine::MVertex* seam = f.v[0];
  engine::MVertex* twin = f.v[4];
  seam->flags |= engine::kVertexSelected;
  MMeshObj* tube = Place(std::move(f), 0, 0, 0);
  tube->SetMatrix(objecttest::Composed(kPi / 2, 0, 0, {1, 1, 1}, {0, 0, 0}));
  tube->InvalidateSelectionCache();
  Add(scene, tube);
  const PointRecord before = seam->GetPosition();
  scene.MoveSelectedVertices(PointRecord{1, 0, 0}, true);
  engine::MatrixRecord world;
  scene.GetObjectWorldMatrix(tube, &world, nullptr);
  PointRecord was, now;
  engine::MUtilTransformPoint(world, before, was);
  engine::MUtilTransformPoint(world, seam->GetPosition(), now);
  ExpectNear(now, was.x + 1, was.y, was.z);
  ExpectNear(twin->GetPosition(), seam->GetPosition().x, seam->GetPosition().y, seam->GetPosition().z);
  EXPECT_TRUE(meshkit::FindMeshFaults(*tube, 0).empty());
}

TEST_F(SceneTransformTest, BoundFiguresFollowTheirMovedVertices) {
  MDocObj scene;
  auto* figure = new scenetest::StandInFigure();
  meshkit::MakeTetra()->CopyTo(figure);
  figure->GetVertexList().First()->flags |= engine::kVertexSelected;
  figure->InvalidateSelectionCache();
  Add(scene, figure);
  scene.MoveSelectedVertices(PointRecord{0, 1, 0}, true);
  EXPECT_EQ(figure->updates, 0);  // not bound
  figure->bound = true;
  scene.MoveSelectedVertices(PointRecord{0, 1, 0}, false);
  EXPECT_EQ(figure->updates, 0);
  scene.MoveSelectedVertices(PointRecord{0, 1, 0}, true);
  EXPECT_EQ(figure->updates, 1);
}

TEST_F(SceneTransformTest, StepsKeepSymmetricObjectsSymmetricAndNeverCollapse) {
  auto scene = MirrorScene();
  SelectOnly(*scene, {1, 2});
  TransformStep step;
  step.move = {2, 3, 4};
  step.turnY = 30;
  step.turnX = 45;
  step.turnZ = 60;
  scene->ApplyTransformStep(step);
  ExpectNear(Origin(scene->ChildAt(1)), 0, 3, 4);
  ExpectNear(Origin(scene->ChildAt(2)), 5, 3, 4);
  double y, x, z;
  Angles(scene->ChildAt(1), y, x, z);
  EXPECT_NEAR(y, 0, 1e-9);
  EXPECT_NEAR(x, kPi / 4, 1e-9);
  EXPECT_NEAR(z, 0, 1e-9);
  Angles(scene->ChildAt(2), y, x, z);
  EXPECT_NEAR(y, kPi / 6, 1e-9);

  TransformStep flat;
  flat.scale = {0, 0, 0};
  scene->ApplyTransformStep(flat);
  EXPECT_EQ(FailState(), 0);
  for (int i = 1; i <= 2; ++i) {
    engine::BoundsRecord box;
    scene->ChildAt(i)->GetWorldBounds(box);
    EXPECT_TRUE(std::isfinite(box.maxX - box.minX));
  }
}

// ---- copies ---------------------------------------------------------------------------------------

TEST_F(SceneTransformTest, CircularCopiesStandEvenlyAroundTheAxis) {
  MDocObj scene;
  Add(scene, Tetra(10, 0, 0));
  scene.SelectAll(true);
  scene.CopySelection(false);
  scene.SelectAll(false);
  scene.PasteCopies(1, 3, TransformStep(), 1, PointRecord{0, 2, 0});
  ASSERT_EQ(scene.GetChildCount(), 5);
  ExpectNear(Origin(scene.ChildAt(1)), 10, 0, 0);
  for (int i = 0; i < 3; ++i) {
    const double angle = (i + 1) * kPi / 2;
    const PointRecord p = Origin(scene.ChildAt(2 + i));
    EXPECT_NEAR(std::hypot(p.x, p.z), 10, 1e-9);
    EXPECT_NEAR(std::atan2(-p.z, p.x), std::remainder(angle, 2 * kPi), 1e-9) << i;
    EXPECT_TRUE(scene.ChildAt(2 + i)->IsSelected());
    EXPECT_EQ(scene.ChildAt(2 + i)->GetEditState(), engine::kEditCreated);
  }
  // Turned with its place: the copy's own x axis still points away from
  // the axis, as the original's does.
  for (int i = 2; i < 5; ++i) {
    engine::MatrixRecord m;
    scene.ChildAt(i)->GetMatrix(m);
    PointRecord axisX;
    engine::MUtilTransformVector(m, PointRecord{1, 0, 0}, axisX);
    const PointRecord p = Origin(scene.ChildAt(i));
    ExpectNear(axisX, p.x / 10, p.y / 10, p.z / 10);
  }

  TransformStep step;
  MDocObj::LinearCopyStep(2, TransformStep{{5, 0, 0}, 0, 0, 0, {110, 110, 110}}, step);
  EXPECT_EQ(step.move.x, 15.0);
  EXPECT_EQ(step.scale.x, 130.0);
}

TEST_F(SceneTransformTest, LinearCopiesOfEachClipboardObjectInTurn) {
  MDocObj scene;
  Add(scene, Tetra(0, 0, 0));
  Add(scene, Tetra(0, 7, 0));
  scene.SelectAll(true);
  scene.CopySelection(false);
  SelectOnly(scene, {1});
  scene.PasteCopies(0, 0, TransformStep{{5, 0, 0}, 0, 0, 0, {100, 100, 100}}, 0, PointRecord{0, 1, 0});
  EXPECT_EQ(scene.GetChildCount(), 3);
  EXPECT_TRUE(scene.ChildAt(1)->IsSelected());
  scene.PasteCopies(0, 2, TransformStep{{5, 0, 0}, 0, 0, 0, {100, 100, 100}}, 0, PointRecord{0, 1, 0});
  ASSERT_EQ(scene.GetChildCount(), 7);
  ExpectNear(Origin(scene.ChildAt(3)), 5, 0, 0);
  ExpectNear(Origin(scene.ChildAt(4)), 10, 0, 0);
  ExpectNear(Origin(scene.ChildAt(5)), 5, 7, 0);
  ExpectNear(Origin(scene.ChildAt(6)), 10, 7, 0);
  EXPECT_TRUE(scene.ChildAt(1)->IsSelected());  // what was selected stays selected
  EXPECT_FALSE(scene.ChildAt(2)->IsSelected());
}

// ---- align and distribute -------------------------------------------------------------------------

TEST_F(SceneTransformTest, AlignAndDistributeTable) {
  struct Case {
    int mode;
    PointRecord direction;
    std::vector<PointRecord> origins;
    std::vector<PointRecord> expected;
  };
  const std::vector<Case> cases = {
      {3, {1, 0, 0}, {{0, 1, 0}, {5, 2, 0}, {1, 3, 0}}, {{0, 1, 0}, {5, 2, 0}, {2.5, 3, 0}}},
      {1, {1, 0, 0}, {{0, 1, 0}, {6, 2, 0}, {3, 3, 0}}, {{3, 1, 0}, {3, 2, 0}, {3, 3, 0}}},
      {4, {1, 0, 0}, {{0, 0, 0}, {6, 3, 3}, {3, 6, 0}}, {{0, 3, 1}, {6, 3, 1}, {3, 3, 1}}},
      {0, {0, 1, 0}, {{0, 1, 0}, {4, -2, 0}, {8, 5, 0}}, {{0, -2, 0}, {4, -2, 0}, {8, -2, 0}}},
      {2, {0, 1, 0}, {{0, 1, 0}, {4, -2, 0}, {8, 5, 0}}, {{0, 5, 0}, {4, 5, 0}, {8, 5, 0}}},
      {5, {1, 0, 0}, {{0, 0, 0}, {10, 0, 0}, {5, 3, 0}}, {{0, 0, 0}, {10, 0, 0}, {5, 0, 0}}},
      {5, {1, 0, 0}, {{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}, {{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}},
      {7, {1, 0, 0}, {{0, 0, 0}, {1, 1, 1}}, {{0, 0, 0}, {1, 1, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    MDocObj scene;
    for (const PointRecord& o : c.origins) Add(scene, Tetra(o.x, o.y, o.z));
    scene.SelectAll(true);
    scene.AlignSelection(c.mode, c.direction);
    for (std::size_t i = 0; i < c.expected.size(); ++i)
      ExpectNear(Origin(scene.ChildAt(static_cast<int>(i) + 1)), c.expected[i].x, c.expected[i].y, c.expected[i].z);
    for (int i = 1; i < scene.GetChildCount(); ++i) EXPECT_TRUE(scene.ChildAt(i)->IsSelected());
  }
  // One object: nothing moves.
  MDocObj single;
  Add(single, Tetra(3, 4, 5));
  single.SelectAll(true);
  single.AlignSelection(1, PointRecord{1, 0, 0});
  ExpectNear(Origin(single.ChildAt(1)), 3, 4, 5);
}

TEST_F(SceneTransformTest, AligningVerticesMovesThemInSceneSpace) {
  MDocObj scene;
  meshkit::MeshFixture f = meshkit::MakeGrid(2, 1);  // (0..2, 0..1, 0)
  f.v[0]->flags |= engine::kVertexSelected;  // (0, 0)
  f.v[5]->flags |= engine::kVertexSelected;  // (2, 1)
  engine::MVertex* a = f.v[0];
  engine::MVertex* b = f.v[5];
  MMeshObj* grid = Place(std::move(f), 10, 0, 0);
  grid->InvalidateSelectionCache();
  Add(scene, grid);
  scene.AlignSelection(0, PointRecord{0, 1, 0});
  EXPECT_EQ(a->GetPosition().y, 0.0);
  EXPECT_EQ(b->GetPosition().y, 0.0);
  EXPECT_EQ(b->GetPosition().x, 2.0);
}

// ---- snapping --------------------------------------------------------------------------------------

TEST_F(SceneTransformTest, SnappingMovesAndTurnsOnlyWhenDirectionsDiffer) {
  MDocObj scene;
  meshkit::MeshFixture fa = meshkit::MakeQuadPair(false);
  meshkit::MeshFixture fb = meshkit::MakeQuadPair(false);
  engine::MLine* lineA = fa.Line(0, 1);
  engine::MLine* lineB = fb.Line(0, 1);
  engine::MLine* slanted = fb.Line(1, 2);
  engine::MVertex* vertexA = fa.v[0];
  engine::MVertex* vertexB = fb.v[2];
  MMeshObj* a = Place(std::move(fa), 0, 0, 0);
  MMeshObj* b = Place(std::move(fb), 0, 5, 0);
  Add(scene, a);
  Add(scene, b);

  scene.SnapElementToElement({a, vertexA, nullptr, nullptr, {0, 0, 0}}, {b, vertexB, nullptr, nullptr, {0, 0, 0}});
  ExpectNear(Origin(a), 0, 0, 0);  // equal points: nothing moves
  scene.SnapElementToElement({a, nullptr, lineA, nullptr, {0, 0, 0}}, {b, nullptr, lineB, nullptr, {1, 5, 0}});
  ExpectNear(Origin(a), 1, 5, 0);  // parallel lines: only the move
  double y, x, z;
  Angles(a, y, x, z);
  EXPECT_NEAR(z, 0, 1e-12);
  // A line onto a line at right angles turns it about the destination point.
  scene.SnapElementToElement({a, nullptr, lineA, nullptr, {1, 5, 0}}, {b, nullptr, slanted, nullptr, {1, 5, 0}});
  Angles(a, y, x, z);
  EXPECT_NEAR(std::fabs(z), kPi / 2, 1e-9);
  ExpectNear(Origin(a), 1, 5, 0);

  // The same object: the source element's vertices move.
  const PointRecord before = vertexB->GetPosition();
  scene.SnapElementToElement({b, vertexB, nullptr, nullptr, {1, 6, 0}}, {b, nullptr, lineB, nullptr, {1, 7, 0}});
  ExpectNear(vertexB->GetPosition(), before.x, before.y + 1, before.z);
}

TEST_F(SceneTransformTest, SnappingASymmetricObjectSidewaysBringsItBackToTheMirrorPlane) {
  auto scene = MirrorScene();
  auto* half = static_cast<MMeshObj*>(scene->ChildAt(1));
  auto* other = static_cast<MMeshObj*>(scene->ChildAt(2));
  beeps_ = 0;
  scene->SnapElementToElement({half, half->GetVertexList().First(), nullptr, nullptr, {0, 0, 0}},
                              {other, other->GetVertexList().First(), nullptr, nullptr, {3, 1, 0}});
  ExpectNear(Origin(half), 0, 1, 0);
  EXPECT_EQ(beeps_, 1);
}

// ---- primitives ---------------------------------------------------------------------------------------

TEST_F(SceneTransformTest, PrimitivesAreMadeByTheirGenerators) {
  for (int type : {1, 3, 11, 12}) {
    SCOPED_TRACE(type);
    std::unique_ptr<MMeshObj> flat(MDocObj::MakeFlatPrimitive(type, 2.0, 8, nullptr, nullptr));
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(FailState(), 0);
    EXPECT_FALSE(flat->GetFaceList().IsEmpty());
    EXPECT_TRUE(meshkit::MeshIsValid(*flat));
  }
  for (int type : {2, 4, 5, 6, 7, 8, 9, 10}) {
    SCOPED_TRACE(type);
    std::unique_ptr<MMeshObj> solid(MDocObj::MakeSolidPrimitive(type, 2.0, 8, nullptr, nullptr));
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(FailState(), 0);
    EXPECT_FALSE(solid->GetFaceList().IsEmpty());
    EXPECT_TRUE(meshkit::MeshIsValid(*solid));
  }
  // A code a Make operation does not handle gives an empty mesh.
  std::unique_ptr<MMeshObj> empty(MDocObj::MakeSolidPrimitive(3, 2.0, 8, nullptr, nullptr));
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->GetVertexList().IsEmpty());
  MDocObj scene;
  EXPECT_NE(scene.AddPrimitive(PointRecord{0, 0, 0}, 4, 2, 8, nullptr, false), nullptr);
  EXPECT_EQ(scene.GetChildCount(), 2);
  EXPECT_TRUE(EndsInFatalExit([&] { scene.AddPrimitive(PointRecord{0, 0, 0}, 13, 2, 8, nullptr, false); }));
}

}  // namespace
