// Mesh commands over the selection (objects mode and elements mode),
// dropping objects, mirrored copies, hiding, the transform panel, mirror
// layers and the scene-wide line commands: each through the edit step's
// undo and redo, and cut short by memory at every allocation.
#include <functional>
#include <string>
#include <vector>

#include "engine/ModelingTestSupport.h"
#include "engine/SceneTestSupport.h"
#include "engine/scene/MDocObj_Internal.h"

namespace scene_selection_commands_test {

using engine::MDocObj;
using engine::MMeshObj;
using engine::MObject;
using engine::PointRecord;
using engine::PtrArray;
using scenetest::DumpIs;
using scenetest::DumpScene;

// Selects the first `n` vertices of the mesh and every line between two of
// them (the lines only with `lines`); no object stays selected.
void SelectFirstVertices(MDocObj& scene, MMeshObj* mesh, int n, bool lines) {
  scene.SetAllSelected(false);
  int k = 0;
  for (engine::MVertex* v : mesh->GetVertexList())
    if (k++ < n) v->flags |= engine::kVertexSelected;
  if (lines)
    for (engine::MLine* line : mesh->lines)
      if ((line->end0->flags & engine::kVertexSelected) != 0 && (line->end1->flags & engine::kVertexSelected) != 0)
        line->flags |= engine::kLineSelected;
  mesh->InvalidateSelectionCache();
}

enum class Body { Tetra, Sphere, Loop, Fan, MirrorHalf };

MMeshObj* MakeBody(Body body) {
  using scenetest::SceneTest;
  switch (body) {
    case Body::Tetra:
      return SceneTest::Tetra(1, 2, 3);
    case Body::Sphere:
      return SceneTest::Place(meshkit::MakeSphere(8, 6), 1, 2, 3);
    case Body::Loop:
      return SceneTest::Place(modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), 1, 2, 3);
    case Body::Fan:
      return SceneTest::Place(meshkit::MakeFan(6, 2), 1, 2, 3);
    case Body::MirrorHalf:
      return SceneTest::Place(meshkit::MakeMirrorHalf(), 0, 2, 0);
  }
  return nullptr;
}

// Child 1 the body on layer 0 (a mirror layer for the mirror half), child 2
// a tetrahedron at x = -4 on layer 1; child 1 selected (objects mode) or
// some of its elements (elements mode).
enum class Mode { Objects, Elements, Nothing };

std::unique_ptr<MDocObj> CommandScene(Body body, Mode mode) {
  auto scene = scenetest::SceneTest::MakeScene([body](MDocObj& s) {
    s.AddLayer(0);
    if (body == Body::MirrorHalf) s.SetLayerFlag(0, engine::kLayerMirror, 1, false);
    scenetest::SceneTest::Add(s, MakeBody(body), 0);
    scenetest::SceneTest::Add(s, scenetest::SceneTest::Tetra(-4, 0, 0), 1);
  });
  switch (mode) {
    case Mode::Objects:
      scenetest::SceneTest::SelectOnly(*scene, {1});
      break;
    case Mode::Elements:
      SelectFirstVertices(*scene, engine::AsMesh(scene->ChildAt(1)), 3, true);
      break;
    case Mode::Nothing:
      scene->SetAllSelected(false);
      break;
  }
  return scene;
}

struct Command {
  const char* name;
  Body body;
  Mode mode;
  std::function<void(MDocObj&)> run;
  std::function<void(MDocObj&)> prepare = {};  // after the mode's selection, before the dump
};

void SelectTwoVertices(MDocObj& s) { SelectFirstVertices(s, engine::AsMesh(s.ChildAt(1)), 2, false); }

// The body turned inside out in an earlier step.
void TurnBodyInsideOut(MDocObj& s) {
  MMeshObj* mesh = engine::AsMesh(s.ChildAt(1));
  mesh->SaveEditState();
  mesh->ReverseAllFaces();
  s.EndEdit(0);
}
void SelectLoop(MDocObj& s) { SelectFirstVertices(s, engine::AsMesh(s.ChildAt(1)), 4, true); }

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"line colour", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.SetLineColour(0x0000FF); }},
      {"line colour of selected lines", Body::Tetra, Mode::Elements, [](MDocObj& s) { s.SetLineColour(0xFF0000); }},
      {"crease", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.SetCrease(); }},
      {"crease on selected lines", Body::Tetra, Mode::Elements, [](MDocObj& s) { s.SetCrease(); }},
      {"crease on vertices", Body::Tetra, Mode::Nothing, [](MDocObj& s) { s.SetCrease(); }, SelectTwoVertices},
      {"clear crease", Body::Fan, Mode::Objects, [](MDocObj& s) { s.ClearCrease(); }},
      {"faces in loops", Body::Loop, Mode::Objects, [](MDocObj& s) { s.MakeFacesInLoops(); }},
      {"faces in all loops", Body::Loop, Mode::Nothing, [](MDocObj& s) { s.MakeFacesInAllLoops(); }},
      {"fill holes", Body::Loop, Mode::Nothing, [](MDocObj& s) { s.FillSelectedHoles(); }, SelectLoop},
      {"drop down", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.DropSelectedObjects(2); }},
      {"drop along x", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.DropSelectedObjects(1); }},
      {"mirrored copies", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.MakeMirroredCopies(false); }},
      {"mirror half made whole", Body::MirrorHalf, Mode::Objects, [](MDocObj& s) { s.MakeMirroredCopies(false); }},
      {"smooth", Body::Sphere, Mode::Objects, [](MDocObj& s) { s.SmoothSelection(2); }},
      {"smooth selected", Body::Sphere, Mode::Elements, [](MDocObj& s) { s.SmoothSelection(2); }},
      {"reduce", Body::Sphere, Mode::Objects, [](MDocObj& s) { s.ReduceSelection(0.5); }},
      {"flatten along y", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.FlattenSelection(2); }},
      {"flatten selected in own plane", Body::Sphere, Mode::Elements, [](MDocObj& s) { s.FlattenSelection(11); }},
      {"scale objects", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.ScaleSelectedObjects(2, 1, 0.5); }},
      {"hide", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.HideSelection(0); }},
      {"hide all but", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.HideSelection(2); }},
      {"hide selected", Body::Tetra, Mode::Elements, [](MDocObj& s) { s.HideSelection(0); }},
      {"show all", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.ShowAll(); },
       [](MDocObj& s) {
         s.HideSelection(0);
         s.EndEdit(0);
       }},
      {"line width", Body::Tetra, Mode::Objects, [](MDocObj& s) { EXPECT_TRUE(s.SetSelectionLineWidth(3)); }},
      {"line width of selected lines", Body::Tetra, Mode::Elements,
       [](MDocObj& s) { EXPECT_TRUE(s.SetSelectionLineWidth(4)); }},
      {"line width scaled", Body::Tetra, Mode::Objects,
       [](MDocObj& s) {
         s.SetSelectionLineWidth(3);
         s.ScaleSelectionLineWidth(2);
       }},
      {"line crease weight", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.SetLineCreaseWeight(0.5); }},
      {"crease weight of selected lines", Body::Tetra, Mode::Elements, [](MDocObj& s) { s.SetLineCreaseWeight(0.5); }},
      {"crease weight of vertices", Body::Tetra, Mode::Nothing, [](MDocObj& s) { s.SetLineCreaseWeight(0.5); },
       SelectTwoVertices},
      {"vertex crease weight", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.SetVertexCreaseWeight(0.25); }},
      {"smooth display", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.SetSmoothSurfaceOn(true); }},
      {"smooth surface applied", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.ApplySmoothSurface(1); },
       [](MDocObj& s) {
         s.SetSmoothSurfaceOn(true);
         s.EndEdit(0);
       }},
      {"mirror editing on", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.SetMirrorEditing(true); },
       [](MDocObj& s) {
         s.SetLayerFlag(0, engine::kLayerMirror, 1, false);
         s.EndEdit(0);
       }},
      {"mirror editing off", Body::MirrorHalf, Mode::Objects, [](MDocObj& s) { s.SetMirrorEditing(false); }},
      {"layer mirror on", Body::Tetra, Mode::Nothing, [](MDocObj& s) { s.SetLayerMirror(true, 0); }},
      {"layer mirror off", Body::MirrorHalf, Mode::Nothing, [](MDocObj& s) { s.SetLayerMirror(false, 0); }},
      {"lines divided", Body::Loop, Mode::Objects, [](MDocObj& s) { s.DivideSelectedLines(3); }},
      {"lines divided to a length", Body::Loop, Mode::Objects, [](MDocObj& s) { s.ApplyLengthToSelection(0.4); }},
      {"selected lines divided to a length", Body::Loop, Mode::Elements,
       [](MDocObj& s) { s.ApplyLengthToSelection(0.3); }},
      {"selected lines extruded", Body::Loop, Mode::Elements, [](MDocObj& s) { s.CopySelectedPartsBy(1, 0.5); }},
      {"selected face extruded along its normals", Body::Tetra, Mode::Elements,
       [](MDocObj& s) { s.CopySelectedPartsBy(2, 0.3); }},
      {"faces turned over", Body::Tetra, Mode::Objects, [](MDocObj& s) { s.OrientFaces(nullptr); }},
      {"parts turned outwards", Body::Sphere, Mode::Elements, [](MDocObj& s) { s.OrientFaces(nullptr); },
       TurnBodyInsideOut},
      {"faces turned towards an eye", Body::Sphere, Mode::Objects,
       [](MDocObj& s) {
         const PointRecord eyeAndTarget[2] = {{1, 2, 50}, {1, 2, 3}};
         s.OrientFaces(eyeAndTarget);
       },
       TurnBodyInsideOut},
  };
  return commands;
}

class SceneSelectionCommandsTest : public scenetest::SceneTest {};

TEST_F(SceneSelectionCommandsTest, EveryCommandUndoesAndRedoesToTheSameScene) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    auto scene = CommandScene(c.body, c.mode);
    if (c.prepare) c.prepare(*scene);
    const scenetest::SceneOrder beforeOrder = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &beforeOrder);
    c.run(*scene);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
    const scenetest::SceneOrder afterOrder = scenetest::OrderOf(*scene);
    const std::string after = DumpScene(*scene, false, &afterOrder);
    EXPECT_FALSE(DumpIs(*scene, before, &beforeOrder)) << "the command changed nothing";

    scene->UndoEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &beforeOrder));
    scene->UndoEdit(1);
    EXPECT_TRUE(DumpIs(*scene, after, &afterOrder));
    scene->UndoEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &beforeOrder));
    scene->EndEdit(0);
    EXPECT_TRUE(DumpIs(*scene, before, &beforeOrder));
    PtrArray meshes;
    scene->CollectMeshes(scene.get(), meshes);
    for (int i = 0; i < meshes.count; ++i)
      EXPECT_TRUE(meshkit::FindMeshFaults(*static_cast<MMeshObj*>(meshes[i])).empty());
  }
}

TEST_F(SceneSelectionCommandsTest, ACommandCutShortByMemoryUndoesToTheSceneBefore) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    auto make = [&c] {
      std::unique_ptr<MDocObj> scene = CommandScene(c.body, c.mode);
      if (c.prepare) c.prepare(*scene);
      return scene;
    };
    scenetest::ExpectUndoneAfterEachAllocationFailure(make, c.run, 3000, [](MDocObj& scene) {
      PtrArray meshes;
      scene.CollectMeshes(&scene, meshes);
      for (int i = 0; i < meshes.count; ++i)
        EXPECT_TRUE(meshkit::FindMeshFaults(*static_cast<MMeshObj*>(meshes[i])).empty());
    });
  }
}

}  // namespace scene_selection_commands_test

namespace scene_selection_commands_test {

// The scene box of the object.
engine::BoundsRecord BoxOf(MDocObj& scene, MObject* object) {
  engine::BoundsRecord box;
  scene.GetWorldBounds(object, box);
  return box;
}

// A unit cube placed with its lowest corner at the point.
MMeshObj* Cube(double x, double y, double z) { return scenetest::SceneTest::Place(meshkit::MakeCube(), x, y, z); }

// Drops the cube at child 1 (selected) along the axis past the other cubes.
struct DropCase {
  const char* name;
  int axis;
  PointRecord start;
  std::vector<PointRecord> others;  // unselected cubes' lowest corners
  double expectedMin;                // along the drop axis: the cube's low side (Y) or high side (X, Z)
};

TEST_F(SceneSelectionCommandsTest, DroppedObjectsStopAtTheFirstObstacleOrTheLimit) {
  const std::vector<DropCase> cases = {
      {"onto the floor", 2, {0, 5, 0}, {}, 0.0},
      {"onto a cube below", 2, {0.5, 5, 0.5}, {{0, 0, 0}}, 1.0},
      {"past a cube beside its path", 2, {3, 5, 0}, {{0, 0, 0}}, 0.0},
      {"lifted out of the floor", 2, {0, -0.5, 0}, {}, 0.0},
      {"to the grid's edge", 1, {10, 0, 0}, {}, 50.0},
      {"pulled back inside", 1, {60, 0, 0}, {}, 50.0},
      {"against a cube in the way", 1, {0, 0, 0.5}, {{20, 0, 0}}, 20.0},
      {"along z to a cube", 3, {0.5, 0.5, 0}, {{0, 0, 7}}, 7.0},
  };
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([&](MDocObj& s) {
      Add(s, Cube(c.start.x, c.start.y, c.start.z));
      for (const PointRecord& p : c.others) Add(s, Cube(p.x, p.y, p.z));
    });
    SelectOnly(*scene, {1});
    scene->DropSelectedObjects(c.axis);
    ASSERT_EQ(FailState(), 0);
    const engine::BoundsRecord box = BoxOf(*scene, scene->ChildAt(1));
    const double edge = c.axis == 2 ? box.minY : c.axis == 1 ? box.maxX : box.maxZ;
    EXPECT_NEAR(edge, c.expectedMin, 1e-9);
    // Only the drop axis changes.
    EXPECT_NEAR(box.minX, c.axis == 1 ? c.expectedMin - 1 : c.start.x, 1e-9);
    EXPECT_NEAR(box.minZ, c.axis == 3 ? c.expectedMin - 1 : c.start.z, 1e-9);
    scene->UndoEdit(0);
    ExpectNear(Origin(scene->ChildAt(1)), c.start.x, c.start.y, c.start.z);
  }
}

TEST_F(SceneSelectionCommandsTest, MirroredCopiesLieAcrossThePlaneAndFaceOutwards) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Cube(1, 0, 0)); });
  SelectOnly(*scene, {1});
  scene->MakeMirroredCopies(false);
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(scene->GetChildCount(), 3);
  MMeshObj* copy = engine::AsMesh(scene->ChildAt(2));
  ASSERT_NE(copy, nullptr);
  const engine::BoundsRecord box = BoxOf(*scene, copy);
  EXPECT_NEAR(box.minX, -2, 1e-9);
  EXPECT_NEAR(box.maxX, -1, 1e-9);
  // The mirroring is baked into the copy: a plain matrix, faces turned back
  // to face outwards (each face's normal points away from the cube's centre).
  engine::MatrixRecord m;
  copy->GetMatrix(m);
  EXPECT_GT(m.m[0][0], 0);
  EXPECT_TRUE(meshkit::FindMeshFaults(*copy).empty());
  const PointRecord centre{-1.5, 0.5, 0.5};
  for (engine::MFace* face : copy->GetFaceList()) {
    engine::MVertex* corners[3];
    face->GetVertices(corners);
    PointRecord p[3];
    for (int k = 0; k < 3; ++k) engine::MUtilTransformPoint(m, corners[k]->GetPosition(), p[k]);
    PointRecord n;
    engine::OsUtilCrossProduct(engine::scene_detail::Sub(p[1], p[0]), engine::scene_detail::Sub(p[2], p[0]), n);
    const PointRecord mid{(p[0].x + p[1].x + p[2].x) / 3, (p[0].y + p[1].y + p[2].y) / 3,
                          (p[0].z + p[1].z + p[2].z) / 3};
    EXPECT_GT(engine::scene_detail::Dot(n, engine::scene_detail::Sub(mid, centre)), 0);
  }
}

TEST_F(SceneSelectionCommandsTest, ASymmetricHalfIsMadeWholeWithoutACopy) {
  auto scene = MakeScene([](MDocObj& s) {
    s.SetLayerFlag(0, engine::kLayerMirror, 1, false);
    Add(s, Place(meshkit::MakeMirrorHalf(), 0, 0, 0));
  });
  SelectOnly(*scene, {1});
  scene->MakeMirroredCopies(false);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(scene->GetChildCount(), 2);
  MMeshObj* mesh = engine::AsMesh(scene->ChildAt(1));
  EXPECT_EQ(mesh->IsMirrorMode(), 0);
  const engine::BoundsRecord box = BoxOf(*scene, mesh);
  EXPECT_NEAR(box.minX, -2, 1e-9);
  EXPECT_NEAR(box.maxX, 2, 1e-9);
}

TEST_F(SceneSelectionCommandsTest, FlatteningFollowsTheScenesAxesAndRefusesUnknownKinds) {
  auto scene = MakeScene([](MDocObj& s) {
    MMeshObj* tetra = Tetra(0, 0, 0);
    engine::MatrixRecord m;
    engine::MUtilIdentity(m);
    engine::MUtilRotateZ(m, 0.5, m);
    tetra->SetMatrix(m);
    Add(s, tetra);
  });
  SelectOnly(*scene, {1});
  EXPECT_TRUE(EndsInFatalExit([&] { scene->FlattenSelection(5); }));
  EXPECT_TRUE(EndsInFatalExit([&] { scene->FlattenSelection(0); }));
  scene->FlattenSelection(2);
  ASSERT_EQ(FailState(), 0);
  MMeshObj* mesh = engine::AsMesh(scene->ChildAt(1));
  engine::MatrixRecord m;
  mesh->GetMatrix(m);
  const PointRecord first = [&] {
    PointRecord p;
    engine::MUtilTransformPoint(m, (*mesh->GetVertexList().begin())->GetPosition(), p);
    return p;
  }();
  for (engine::MVertex* v : mesh->GetVertexList()) {
    PointRecord p;
    engine::MUtilTransformPoint(m, v->GetPosition(), p);
    EXPECT_NEAR(p.y, first.y, 1e-9);
  }
}

TEST_F(SceneSelectionCommandsTest, CreasesGoOnLinesAndOnlyWithoutLinesOnVertices) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  MMeshObj* mesh = engine::AsMesh(scene->ChildAt(1));
  // Objects mode: every line sharp, no vertex flagged.
  SelectOnly(*scene, {1});
  scene->SetCrease();
  for (engine::MLine* line : mesh->lines) EXPECT_TRUE(line->IsSharp());
  for (engine::MVertex* v : mesh->GetVertexList()) EXPECT_EQ(v->flags & engine::kVertexFullCrease, 0u);
  scene->UndoEdit(0);
  // Two vertices and no line: the vertices become full creases.
  SelectFirstVertices(*scene, mesh, 2, false);
  scene->SetCrease();
  int k = 0;
  for (engine::MVertex* v : mesh->GetVertexList())
    EXPECT_EQ((v->flags & engine::kVertexFullCrease) != 0, k++ < 2) << "vertex " << k - 1;
  for (engine::MLine* line : mesh->lines) EXPECT_FALSE(line->IsSharp());
  scene->EndEdit(0);
  // Clearing takes the flag and the crease weight bits off those vertices.
  (*mesh->GetVertexList().begin())->flags |= 0x00050000u;
  scene->ClearCrease();
  for (engine::MVertex* v : mesh->GetVertexList()) EXPECT_EQ(v->flags & (engine::kVertexFullCrease | 0x000F0000u), 0u);
}

TEST_F(SceneSelectionCommandsTest, HidingAllButTheSelectionHidesTheOthersAndDeselects) {
  auto scene = MakeScene([](MDocObj& s) {
    Add(s, Tetra());
    Add(s, Tetra(3, 0, 0));
  });
  SelectOnly(*scene, {1});
  scene->HideSelection(2);
  ASSERT_EQ(FailState(), 0);
  EXPECT_FALSE(scene->HasSelectedObject());
  for (engine::MVertex* v : engine::AsMesh(scene->ChildAt(1))->GetVertexList())
    EXPECT_EQ(v->flags & engine::kVertexHidden, 0u);
  for (engine::MVertex* v : engine::AsMesh(scene->ChildAt(2))->GetVertexList())
    EXPECT_NE(v->flags & engine::kVertexHidden, 0u);
  scene->ShowAll();
  for (engine::MVertex* v : engine::AsMesh(scene->ChildAt(2))->GetVertexList())
    EXPECT_EQ(v->flags & engine::kVertexHidden, 0u);
}

TEST_F(SceneSelectionCommandsTest, ThePanelShowsTheSelectionsPlaceTurnAndSize) {
  auto scene = MakeScene([](MDocObj& s) {
    MMeshObj* cube = Cube(0, 0, 0);
    engine::MatrixRecord m;
    engine::MUtilComposeMatrix(0.5, 0, 0, PointRecord{2, 1, 1}, PointRecord{3, 4, 5}, nullptr, m);
    cube->SetMatrix(m);
    Add(s, cube);
  });
  engine::TransformPanelValues values;
  bool parts = true;
  scene->SetAllSelected(false);
  scene->GetTransformPanelValues(values, parts);
  EXPECT_FALSE(parts);
  ExpectNear(values.step.move, 0, 0, 0);
  ExpectNear(values.step.scale, 0, 0, 0);
  EXPECT_EQ(values.clipboardValue, scene->GetUnitCode());

  SelectOnly(*scene, {1});
  scene->GetTransformPanelValues(values, parts);
  EXPECT_FALSE(parts);
  ExpectNear(values.step.move, 3, 4, 5);
  EXPECT_NEAR(values.step.turnY, 0.5 * 180 / 3.14159265358979323846, 1e-9);
  const engine::BoundsRecord box = BoxOf(*scene, scene->ChildAt(1));
  ExpectNear(values.boxMin, box.minX, box.minY, box.minZ);
  ExpectNear(values.step.scale, box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ);

  SelectFirstVertices(*scene, engine::AsMesh(scene->ChildAt(1)), 2, false);
  scene->GetTransformPanelValues(values, parts);
  EXPECT_TRUE(parts);
  PointRecord centre;
  scene->GetSelectedVerticesCentre(centre);
  ExpectNear(values.step.move, centre.x, centre.y, centre.z);
  EXPECT_EQ(values.step.turnY, 0);
}

// ---- mirror layers ------------------------------------------------------------------------

struct MirrorSideCase {
  const char* name;
  double lowX, highX;  // the object's extent in x
  double expectedShift;
};

TEST_F(SceneSelectionCommandsTest, TurningALayerMirroredMovesItsObjectsLeftOfThePlane) {
  // Grid cell 10: shift = -1.1 × largest x - 5, applied only when negative.
  const std::vector<MirrorSideCase> cases = {
      {"spanning the plane", -2, 3, -8.3},
      {"left already", -12, -5 / 1.1, 0.0},
      {"just short of it", -12, -4, -0.6},
  };
  for (const MirrorSideCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([&](MDocObj& s) {
      MMeshObj* cube = Cube(0, 0, 0);
      engine::MatrixRecord m;
      engine::MUtilComposeMatrix(0, 0, 0, PointRecord{c.highX - c.lowX, 1, 1}, PointRecord{c.lowX, 0, 0}, nullptr, m);
      cube->SetMatrix(m);
      Add(s, cube);
    });
    scene->SetLayerMirror(true, 0);
    ASSERT_EQ(FailState(), 0);
    EXPECT_EQ(scene->GetLayerRecord(0).mirror, 1);
    EXPECT_FALSE(scene->HasSelectedObject());
    const engine::BoundsRecord box = BoxOf(*scene, scene->ChildAt(1));
    EXPECT_NEAR(box.minX, c.lowX + c.expectedShift, 1e-9);
    EXPECT_NEAR(box.maxX, c.highX + c.expectedShift, 1e-9);
    scene->UndoEdit(0);
    EXPECT_EQ(scene->GetLayerRecord(0).mirror, 0);
    EXPECT_NEAR(BoxOf(*scene, scene->ChildAt(1)).maxX, c.highX, 1e-9);
  }
}

TEST_F(SceneSelectionCommandsTest, AGroupHeadsMirrorFlagReachesItsMembersAndLeavesOthers) {
  auto scene = MakeScene([](MDocObj& s) {
    s.AddLayer(1);  // 1: a group head
    s.AddLayer(0);  // 2: its member
    s.AddLayer(0);  // 3
    s.SetLayerFlag(1, engine::kLayerGroupHead, 1, false);
    s.SetLayerFlag(3, engine::kLayerMirror, 1, false);
    Add(s, Cube(2, 0, 0), 2);
    Add(s, Cube(2, 0, 0), 3);
  });
  ASSERT_EQ(scene->GetLayerRecord(1).groupHead, 1);
  scene->SetLayerMirror(true, 1);
  EXPECT_EQ(scene->GetLayerRecord(1).mirror, 1);
  EXPECT_EQ(scene->GetLayerRecord(2).mirror, 1);
  EXPECT_EQ(scene->GetLayerRecord(0).mirror, 0);
  EXPECT_LT(BoxOf(*scene, scene->ChildAt(1)).maxX, 0);
  // Layer 3 was mirrored already: its object stays where it was.
  EXPECT_NEAR(BoxOf(*scene, scene->ChildAt(2)).minX, 2, 1e-9);
}

TEST_F(SceneSelectionCommandsTest, TurningMirroringOffMakesHalvesWholeAndKeepsOthers) {
  auto scene = MakeScene([](MDocObj& s) {
    s.SetLayerFlag(0, engine::kLayerMirror, 1, false);
    Add(s, Place(meshkit::MakeMirrorHalf(), 0, 0, 0));
    Add(s, Cube(-3, 0, 0));
  });
  scene->SetLayerMirror(false, 0);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(scene->GetLayerRecord(0).mirror, 0);
  EXPECT_FALSE(scene->HasSelectedObject());
  // The half made whole, the plain cube given its mirrored copy.
  ASSERT_EQ(scene->GetChildCount(), 4);
  EXPECT_NEAR(BoxOf(*scene, scene->ChildAt(1)).minX, -2, 1e-9);
  EXPECT_NEAR(BoxOf(*scene, scene->ChildAt(3)).minX, 2, 1e-9);
}

struct MirrorQueryCase {
  const char* name;
  std::vector<int> selected;  // children selected
  bool elementsOfChild2;      // vertices of child 2 selected instead
  bool touches, all, mixes;
};

TEST_F(SceneSelectionCommandsTest, SelectionMirrorQueriesTellMixedFromPure) {
  // Child 1 on the plain layer 0, child 2 on the mirror layer 1.
  const std::vector<MirrorQueryCase> cases = {
      {"nothing", {}, false, false, false, false},
      {"plain only", {1}, false, false, false, false},
      {"mirror only", {2}, false, true, true, false},
      {"both", {1, 2}, false, true, false, true},
      {"mirror elements", {}, true, true, true, false},
  };
  auto scene = MakeScene([](MDocObj& s) {
    s.AddLayer(0);
    s.SetLayerFlag(1, engine::kLayerMirror, 1, false);
    Add(s, Tetra(), 0);
    Add(s, Tetra(-3, 0, 0), 1);
  });
  for (const MirrorQueryCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.elementsOfChild2)
      SelectFirstVertices(*scene, engine::AsMesh(scene->ChildAt(2)), 1, false);
    else
      SelectOnly(*scene, {});
    for (int i : c.selected) scene->ChildAt(i)->Select(true);
    EXPECT_EQ(scene->SelectionTouchesMirrorLayer(), c.touches);
    EXPECT_EQ(scene->SelectionAllOnMirrorLayers(), c.all);
    EXPECT_EQ(scene->SelectionMixesMirrorLayers(), c.mixes);
    engine::AsMesh(scene->ChildAt(2))->ClearSelection();
  }
}

TEST_F(SceneSelectionCommandsTest, LineWidthWithNothingSelectedAnswersFalseAndChangesNothing) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  scene->SetAllSelected(false);
  const std::string before = DumpScene(*scene);
  EXPECT_FALSE(scene->SetSelectionLineWidth(5));
  EXPECT_EQ(DumpScene(*scene), before);
  SelectOnly(*scene, {1});
  EXPECT_TRUE(scene->SetSelectionLineWidth(5));
  for (engine::MLine* line : engine::AsMesh(scene->ChildAt(1))->lines)
    EXPECT_EQ((line->flags & engine::kLineWidthMask) >> engine::kLineWidthShift, 5u);
}

TEST_F(SceneSelectionCommandsTest, PastedMirroredObjectsEndHalfACellLeftOfThePlane) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Cube(1, 0, 0)); });
  SelectOnly(*scene, {1});
  scene->CopySelection(false);
  scene->EndEdit(0);
  scene->PasteMirroredLeft();
  ASSERT_EQ(FailState(), 0);
  engine::PtrArray selected;
  scene->GetSelectedObjects(selected);
  ASSERT_GT(selected.count, 0);
  engine::BoundsRecord all{0, 0, 0, 0, 0, 0, 1};
  for (int i = 0; i < selected.count; ++i) {
    const engine::BoundsRecord box = BoxOf(*scene, static_cast<MObject*>(selected[i]));
    engine::MUtilBoxUnion(all, box, all);
  }
  EXPECT_NEAR(all.maxX, -5, 1e-9);
  // The original stays where it was.
  EXPECT_NEAR(BoxOf(*scene, scene->ChildAt(1)).minX, 1, 1e-9);
}

}  // namespace scene_selection_commands_test

namespace scene_selection_commands_test {

// ---- selection-wide questions and settings -------------------------------------------------

struct SmoothStateCase {
  const char* name;
  std::vector<int> smooth;    // children shown smooth
  std::vector<int> selected;  // children selected
  int expected;
};

TEST_F(SceneSelectionCommandsTest, TheSmoothStateSumsUpTheSelectedMeshes) {
  const std::vector<SmoothStateCase> cases = {
      {"nothing selected", {1}, {}, 0},
      {"a plain mesh", {2}, {1}, 1},
      {"a smooth mesh", {1}, {1}, 2},
      {"one of each", {1}, {1, 2}, 3},
  };
  for (const SmoothStateCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([](MDocObj& s) {
      Add(s, Tetra());
      Add(s, Tetra(3, 0, 0));
    });
    for (int i : c.smooth) engine::AsMesh(scene->ChildAt(i))->SetSmoothDisplay(1);
    SelectOnly(*scene, {});
    for (int i : c.selected) scene->ChildAt(i)->Select(true);
    EXPECT_EQ(scene->GetSelectionSmoothState(), c.expected);
    EXPECT_EQ(scene->SelectionHasSmoothSurfaceOn(), (c.expected & 2) != 0);
    EXPECT_TRUE(scene->HasSmoothSurfaceOn());
  }
}

TEST_F(SceneSelectionCommandsTest, PreparedNormalsAreUpdatedOnceUntilTheNextEdit) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  MMeshObj* mesh = engine::AsMesh(scene->ChildAt(1));
  // A marker no update leaves behind: every normal it reaches becomes a unit vector.
  const PointRecord marker{9, 9, 9};
  auto markNormals = [&] {
    for (engine::MVertex* v : mesh->GetVertexList()) v->SetNormal(marker);
  };
  auto normalsMarked = [&] {
    for (engine::MVertex* v : mesh->GetVertexList())
      if (v->normal.x != marker.x) return false;
    return true;
  };
  markNormals();
  scene->PrepareMeshes(1, 0, 0);
  EXPECT_FALSE(normalsMarked());
  unsigned char a, b, c;
  scene->GetModeBytes(a, b, c);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(c, 0);
  // Prepared already: a second request leaves them alone; a request for
  // smooth meshes' normals finds none here.
  markNormals();
  scene->PrepareMeshes(1, 1, 0);
  EXPECT_TRUE(normalsMarked());
  // An edit pass clears the prepared bytes; the next request updates again.
  scene->EndEdit(0);
  scene->PrepareMeshes(1, 0, 0);
  EXPECT_FALSE(normalsMarked());
}

TEST_F(SceneSelectionCommandsTest, MirrorEditingLeavesMeshesOffMirrorLayersAndSaysSo) {
  auto scene = MakeScene([](MDocObj& s) {
    s.AddLayer(0);
    s.SetLayerFlag(1, engine::kLayerMirror, 1, false);
    Add(s, Tetra(2, 0, 0), 0);
    Add(s, Tetra(2, 0, 0), 1);
  });
  SelectOnly(*scene, {1});
  const std::string before = DumpScene(*scene);
  EXPECT_TRUE(scene->SetMirrorEditing(true));
  EXPECT_EQ(DumpScene(*scene), before);
  SelectOnly(*scene, {2});
  EXPECT_FALSE(scene->SetMirrorEditing(true));
  MMeshObj* mirrored = engine::AsMesh(scene->ChildAt(2));
  EXPECT_EQ(mirrored->IsMirrorMode(), 1);
  // The pivot went to the plane: the matrix keeps no x translation.
  EXPECT_EQ(Origin(mirrored).x, 0);
}

TEST_F(SceneSelectionCommandsTest, AverageTextureVectorsOfNoVertexStayZero) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  scene->SetAllSelected(false);
  PointRecord a{9, 9, 9}, b{9, 9, 9};
  scene->GetAverageTextureVectors(a, b);
  ExpectNear(a, 0, 0, 0);
  ExpectNear(b, 0, 0, 0);
}

TEST_F(SceneSelectionCommandsTest, MeshKindsAndLineLoopsOfTheSelection) {
  auto scene = MakeScene([](MDocObj& s) {
    Add(s, Tetra());
    Add(s, Place(modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}), 0, 0, 0));
    auto* group = new engine::MGroupObj();
    meshkit::MeshFixture chain = meshkit::MakeEmptyMesh();
    chain.Add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    chain->AddLineBetween(chain.v[0], chain.v[1]);
    chain->AddLineBetween(chain.v[1], chain.v[2]);
    group->AddChild(chain.mesh.release());
    Add(s, group);
  });
  SelectOnly(*scene, {1});
  EXPECT_EQ(scene->ClassifySelectionMeshes(), 0);  // closed: no open line
  SelectOnly(*scene, {2});
  EXPECT_EQ(scene->ClassifySelectionMeshes(), 2);  // lines without faces
  EXPECT_TRUE(scene->HasClosedLineLoop(scene->ChildAt(2)));
  EXPECT_FALSE(scene->HasClosedLineLoop(scene->ChildAt(3)));
  EXPECT_TRUE(EndsInFatalExit([&] { scene->HasClosedLineLoop(scene->ChildAt(0)); }));
}

}  // namespace scene_selection_commands_test

namespace scene_selection_commands_test {

// ---- line primitives of symmetric drawing ---------------------------------------------------

struct CirclePlacement {
  const char* name;
  bool wave, mirrorLayer;
  double expectedX;
};

TEST_F(SceneSelectionCommandsTest, CoilsAndWavesStandBesideTheMirrorPlaneOnMirrorLayers) {
  const std::vector<CirclePlacement> cases = {
      {"coil on a mirror layer", false, true, -3.0},
      {"wave on a mirror layer", true, true, -1.5},
      {"coil on a plain layer", false, false, 0.0},
      {"wave on a plain layer", true, false, 0.0},
  };
  const PointRecord p{1.0, 1.5, 0.5};
  const int counts[2] = {2, 8};
  for (const CirclePlacement& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([&](MDocObj& s) { s.SetLayerFlag(0, engine::kLayerMirror, c.mirrorLayer ? 1 : 0, false); });
    const std::string before = DumpScene(*scene);
    if (c.wave)
      scene->AddCircleMeshAlt(p, counts);
    else
      scene->AddCircleMesh(p, counts);
    ASSERT_EQ(FailState(), 0);
    ASSERT_EQ(scene->GetChildCount(), 2);
    MMeshObj* mesh = engine::AsMesh(scene->ChildAt(1));
    ASSERT_NE(mesh, nullptr);
    int vertices = 0;
    for (engine::MVertex* v : mesh->GetVertexList()) vertices += v != nullptr ? 1 : 0;
    EXPECT_GT(vertices, 2);
    EXPECT_FALSE(mesh->HasFaces());
    ExpectNear(Origin(mesh), c.expectedX, 0, 0);
    scene->UndoEdit(0);
    EXPECT_EQ(DumpScene(*scene), before);
  }
}

TEST_F(SceneSelectionCommandsTest, ALinePrimitiveCutShortByMemoryLeavesNoChildBehind) {
  const int counts[2] = {2, 8};
  for (bool wave : {false, true}) {
    std::unique_ptr<MDocObj> scene;
    auto fresh = [&] { scene = MakeScene([](MDocObj& s) { s.SetLayerFlag(0, engine::kLayerMirror, 1, false); }); };
    fresh();
    meshkit::ForEachAllocationFailure(
        [&] {
          if (wave)
            scene->AddCircleMeshAlt(PointRecord{1, 1.5, 0.5}, counts);
          else
            scene->AddCircleMesh(PointRecord{1, 1.5, 0.5}, counts);
        },
        [&](int nth) {
          EXPECT_EQ(scene->GetChildCount(), 1) << "allocation " << nth;
          engine::EngContext().ClearFailure();
          fresh();
        });
  }
}

TEST_F(SceneSelectionCommandsTest, DiscardingAnEditRevertsAndClosesTheStep) {
  auto scene = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  const std::string before = DumpScene(*scene);
  SelectOnly(*scene, {1});
  scene->MoveSelectionBy(PointRecord{1, 0, 0});
  scene->DiscardEdit();
  EXPECT_EQ(DumpScene(*scene), before);
  EXPECT_FALSE(scene->IsRedoAvailable());
}

}  // namespace scene_selection_commands_test
