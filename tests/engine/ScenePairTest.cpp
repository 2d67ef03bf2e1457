// The boolean of two selected scene objects: the result on the current
// layer in place of the two, undone and redone by the edit step; mirror
// halves taken part whole and given back as halves; the refusals; and
// memory running out at every allocation. Copies of selected parts put
// back into their mesh or made objects of their own.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/BooleanTestSupport.h"
#include "engine/SceneTestSupport.h"
#include "engine/core/EngRandom.h"
#include "engine/modeling/MBoolean.h"
#include "engine/scene/MDocObj_Internal.h"

namespace scene_pair_test {

using engine::MBoolean;
using engine::MDocObj;
using engine::MMeshObj;
using engine::PtrArray;
using scenetest::DumpIs;
using scenetest::DumpScene;
using scenetest::SceneTest;

// The box [lo, hi] at the scene origin.
MMeshObj* BoxAt(const engine::PointRecord& lo, const engine::PointRecord& hi) {
  MMeshObj* mesh = booleantest::Box(lo, hi);
  mesh->Checkpoint(false);
  return mesh;
}

// The right half (x from 0) of the box [-1, 1] x [0, 1] x [0, 1]: its face
// in the plane x = 0 taken off, that side's corners on the mirror plane.
MMeshObj* HalfBox() {
  MMeshObj* mesh = booleantest::Box({0, 0, 0}, {1, 1, 1});
  PtrArray side;
  for (engine::MFace* face : mesh->GetFaceList()) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    if (c[0]->position.x == 0 && c[1]->position.x == 0 && c[2]->position.x == 0) side.Add(face);
  }
  mesh->DeleteFaces(side);
  for (engine::MVertex* v : mesh->GetVertexList())
    if (v->position.x == 0) v->flags |= engine::kVertexOnMirror;
  mesh->SetMirrorMode(1);
  mesh->Checkpoint(false);
  return mesh;
}

class ScenePairTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    engine::EngSeedRandom(5);
  }

  // Child 1 on layer 0, child 2 on layer 1 (both mirror layers with
  // `mirror`), the current layer 2; `order` lists the children in the order
  // they are selected.
  static std::unique_ptr<MDocObj> PairScene(MMeshObj* one, MMeshObj* two, bool mirror,
                                            std::initializer_list<int> order) {
    auto scene = MakeScene([&](MDocObj& s) {
      s.AddLayer(0);
      s.AddLayer(0);
      if (mirror) {
        s.SetLayerFlag(0, engine::kLayerMirror, 1, false);
        s.SetLayerFlag(1, engine::kLayerMirror, 1, false);
      }
      Add(s, one, 0);
      Add(s, two, 1);
      s.SetCurrentLayer(2);
    });
    SelectOnly(*scene, order);
    return scene;
  }

  // The boolean's result, null when it failed or left more than one object.
  static MMeshObj* RunBoolean(MDocObj& scene, int mode) {
    scene.BooleanOfPair(mode);
    EXPECT_EQ(FailState(), 0) << engine::EngContext().failReason;
    EXPECT_EQ(scene.GetChildCount(), 2) << "the two objects give way to one";
    return FailState() == 0 && scene.GetChildCount() == 2 ? engine::AsMesh(scene.ChildAt(1)) : nullptr;
  }

  // Undo gives the scene before, redo the result, undo once more the scene
  // before, which an EndEdit then keeps.
  static void ExpectUndoAndRedo(MDocObj& scene, const std::string& before, const scenetest::SceneOrder& beforeOrder) {
    const scenetest::SceneOrder afterOrder = scenetest::OrderOf(scene);
    const std::string after = DumpScene(scene, false, &afterOrder);
    scene.UndoEdit(0);
    EXPECT_TRUE(DumpIs(scene, before, &beforeOrder));
    scene.UndoEdit(1);
    EXPECT_TRUE(DumpIs(scene, after, &afterOrder));
    scene.UndoEdit(0);
    EXPECT_TRUE(DumpIs(scene, before, &beforeOrder));
    scene.EndEdit(0);
    EXPECT_TRUE(DumpIs(scene, before, &beforeOrder));
  }
};

TEST_F(ScenePairTest, TheBooleanOfTwoObjectsTakesTheirPlaceOnTheCurrentLayerAndUndoes) {
  // The unit cube (selected first) and the box [0.5, 2]^3 placed through
  // its matrix: they share [0.5, 1]^3. The later selected object is the
  // boolean's first operand.
  struct Case {
    const char* name;
    int mode;
    double volume;
  };
  for (const Case& c : {Case{"union", MBoolean::kUnion, 1 + 3.375 - 0.125},
                        Case{"later minus earlier", MBoolean::kAMinusB, 3.375 - 0.125},
                        Case{"intersection", MBoolean::kIntersection, 0.125},
                        Case{"earlier minus later", MBoolean::kBMinusA, 1 - 0.125}}) {
    SCOPED_TRACE(c.name);
    MMeshObj* later = BoxAt({0, 0, 0}, {1.5, 1.5, 1.5});
    later->SetMatrix(objecttest::Translation(0.5, 0.5, 0.5));
    later->Checkpoint(false);
    auto scene = PairScene(BoxAt({0, 0, 0}, {1, 1, 1}), later, false, {1, 2});
    const scenetest::SceneOrder order = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &order);

    MMeshObj* result = RunBoolean(*scene, c.mode);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetLayer(), 2) << "the current layer, not either source's";
    EXPECT_NEAR(booleantest::Volume(*result), c.volume, 1e-4);
    EXPECT_TRUE(booleantest::ClosedAndOriented(*result));
    EXPECT_TRUE(meshkit::FindMeshFaults(*result).empty());
    // The result keeps the later object's placement.
    ExpectNear(Origin(result), 0.5, 0.5, 0.5);
    ExpectUndoAndRedo(*scene, before, order);
  }
}

TEST_F(ScenePairTest, AMirrorHalfTakesPartWholeAndComesBackAHalf) {
  // The half box H (whole: [-1, 1] x [0, 1]^2) and the plain box P =
  // [0.25, 0.75] x [0.5, 1.5]^2, right of the plane; their common part
  // is 0.125. A half result's open side lies in the plane through the
  // origin, so its volume is that of the half solid.
  struct Case {
    const char* name;
    bool halfFirst;
    int mode;
    double volume;
    bool half;
  };
  for (const Case& c : {
           // Operand 0 plain: the half goes first anyway, H minus P.
           Case{"plain first, later minus earlier", false, MBoolean::kAMinusB, 1 - 0.125, true},
           // Operand 0 the half: passed first with the mode turned, P minus H.
           Case{"half first, later minus earlier", true, MBoolean::kAMinusB, 0.5 - 0.125, false},
           Case{"half first, union", true, MBoolean::kUnion, 1 + 0.5 - 0.125, true},
       }) {
    SCOPED_TRACE(c.name);
    MMeshObj* plain = BoxAt({0.25, 0.5, 0.5}, {0.75, 1.5, 1.5});
    auto scene = PairScene(HalfBox(), plain, true, c.halfFirst ? std::initializer_list<int>{1, 2}
                                                                : std::initializer_list<int>{2, 1});
    const scenetest::SceneOrder order = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &order);

    MMeshObj* result = RunBoolean(*scene, c.mode);
    ASSERT_NE(result, nullptr);
    EXPECT_NEAR(booleantest::Volume(*result), c.volume, 1e-4);
    EXPECT_EQ(result->IsSymmetric(), c.half);
    int onPlane = 0;
    for (engine::MVertex* v : result->GetVertexList()) {
      EXPECT_GE(v->position.x, -1e-9) << "nothing is left of the added half";
      if ((v->flags & engine::kVertexOnMirror) != 0) {
        ++onPlane;
        EXPECT_EQ(v->position.x, 0);
      }
      EXPECT_EQ(v->flags & 0x20u, 0u) << "no seam mark is left";
    }
    EXPECT_EQ(onPlane > 0, c.half);
    for (engine::MFace* face : result->GetFaceList()) {
      bool listed = false;
      for (engine::MShader* shader : result->GetShaderList()) listed = listed || shader == face->shader;
      EXPECT_TRUE(listed) << "every face has a material of the mesh";
    }
    EXPECT_TRUE(meshkit::FindMeshFaults(*result).empty());
    ExpectUndoAndRedo(*scene, before, order);
  }
}

TEST_F(ScenePairTest, ASelectionThatIsNotAPairOfMeshHoldersChangesNothing) {
  struct Case {
    const char* name;
    std::vector<int> selected;
    bool mirrorOne;
    bool emptyGroup;
    int reason;
  };
  for (const Case& c : {
           Case{"one object", {1}, false, false, engine::kEngReasonNotAPair},
           Case{"three objects", {1, 2, 3}, false, false, engine::kEngReasonNotAPair},
           Case{"a group without meshes", {1, 3}, false, true, engine::kEngReasonNotAPair},
           Case{"mirror and plain layers", {1, 2}, true, false, engine::kEngReasonMixedMirrorLayers},
       }) {
    SCOPED_TRACE(c.name);
    auto scene = MakeScene([&](MDocObj& s) {
      s.AddLayer(0);
      if (c.mirrorOne) s.SetLayerFlag(1, engine::kLayerMirror, 1, false);
      Add(s, BoxAt({0, 0, 0}, {1, 1, 1}), 0);
      Add(s, BoxAt({0.5, 0.5, 0.5}, {2, 2, 2}), 1);
      if (!c.emptyGroup) Add(s, Tetra(4, 0, 0), 0);
    });
    // Added after the edit step closed: closing it takes out groups without meshes.
    if (c.emptyGroup) Add(*scene, new engine::MGroupObj(), 0);
    ASSERT_EQ(scene->GetChildCount(), 4);
    scene->SetAllSelected(false);
    std::uint32_t time = 1;
    for (int i : c.selected) {
      scene->ChildAt(i)->Select(true);
      scene->ChildAt(i)->selectTime = time++;
    }
    const std::string before = DumpScene(*scene, true);
    scene->BooleanOfPair(MBoolean::kUnion);
    EXPECT_EQ(FailState(), engine::kEngFailFailed);
    EXPECT_EQ(FailReason(), c.reason);
    engine::EngContext().ClearFailure();
    EXPECT_EQ(DumpScene(*scene, true), before);
  }
}

TEST_F(ScenePairTest, ABooleanCutShortByMemoryUndoesToTheSceneBefore) {
  std::unique_ptr<MDocObj> scene;
  std::string before;
  scenetest::SceneOrder order;
  auto fresh = [&] {
    engine::EngSeedRandom(5);
    scene = PairScene(HalfBox(), BoxAt({0.25, 0.5, 0.5}, {0.75, 1.5, 1.5}), true, {1, 2});
    order = scenetest::OrderOf(*scene);
    before = DumpScene(*scene, false, &order);
  };
  fresh();
  const int reached = meshkit::ForEachAllocationFailure([&] { scene->BooleanOfPair(MBoolean::kUnion); },
                                                        [&](int nth) {
                                                          engine::EngContext().ClearFailure();
                                                          EXPECT_EQ(scene->GetChildCount(), 3)
                                                              << "the two objects stay, allocation " << nth;
                                                          scene->UndoEdit(0);
                                                          EXPECT_TRUE(DumpIs(*scene, before, &order))
                                                              << "allocation " << nth;
                                                          fresh();
                                                        },
                                                        5000);
  EXPECT_GT(reached, 20) << "allocations were met";
  EXPECT_EQ(FailState(), 0) << "the boolean ends once memory suffices";
}

// The unit cube at (1, 2, 3) with its top (z = 1) selected: four vertices,
// their lines and so the two faces.
std::unique_ptr<MDocObj> TopSelectedScene() {
  auto scene = SceneTest::MakeScene([](MDocObj& s) { SceneTest::Add(s, SceneTest::Place(meshkit::MakeCube(), 1, 2, 3)); });
  scene->SetAllSelected(false);
  MMeshObj* mesh = engine::AsMesh(scene->ChildAt(1));
  for (engine::MVertex* v : mesh->GetVertexList())
    if (v->position.z == 1) v->flags |= engine::kVertexSelected;
  for (engine::MLine* line : mesh->lines)
    if (line->end0->position.z == 1 && line->end1->position.z == 1) line->flags |= engine::kLineSelected;
  mesh->InvalidateSelectionCache();
  return scene;
}

TEST_F(ScenePairTest, CopiedPartsGoBackIntoTheMeshOrBecomeAnObjectAndUndo) {
  struct Case {
    const char* name;
    int kind;
    double distance;
    int children;                     // objects in the scene after the copy
    int sourceVertices;               // the cube's eight, or with the copy's four
    engine::PointRecord copyCorner;   // where the copy of corner (0, 0, 1) lands, in the cube's axes
  };
  // The grid's default paste offset is (0, cell, cell).
  MDocObj probe;
  engine::PointRecord offset;
  probe.GetDefaultPasteOffset(offset);
  for (const Case& c : {Case{"pasted beside", 0, 0, 2, 12, {offset.x, offset.y, 1 + offset.z}},
                        Case{"pasted in place", 0, -1, 2, 12, {0, 0, 1}},
                        Case{"lifted along the normals as an object", 3, 0.5, 3, 8, {0, 0, 1.5}}}) {
    SCOPED_TRACE(c.name);
    auto scene = TopSelectedScene();
    const scenetest::SceneOrder order = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &order);
    MMeshObj* source = engine::AsMesh(scene->ChildAt(1));

    scene->CopySelectedPartsBy(c.kind, c.distance);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
    ASSERT_EQ(scene->GetChildCount(), c.children);
    EXPECT_EQ(source->GetVertexList().Length(), c.sourceVertices);
    MMeshObj* copy = c.kind == 3 ? engine::AsMesh(scene->ChildAt(2)) : source;
    if (c.kind == 3) {
      EXPECT_EQ(copy->GetVertexList().Length(), 4);
      EXPECT_EQ(copy->GetFaceList().Length(), 2);
      ExpectNear(Origin(copy), 1, 2, 3);
    }
    // The copy's four corners, and only they, are selected.
    int selected = 0;
    bool cornerFound = false;
    for (engine::MVertex* v : copy->GetVertexList()) {
      if ((v->flags & engine::kVertexSelected) == 0) continue;
      ++selected;
      const engine::PointRecord& p = v->position;
      cornerFound = cornerFound || (std::abs(p.x - c.copyCorner.x) < 1e-9 && std::abs(p.y - c.copyCorner.y) < 1e-9 &&
                                    std::abs(p.z - c.copyCorner.z) < 1e-9);
    }
    EXPECT_EQ(selected, 4);
    EXPECT_TRUE(cornerFound);
    int sourceSelected = 0;
    for (engine::MVertex* v : source->GetVertexList()) sourceSelected += (v->flags & engine::kVertexSelected) != 0;
    EXPECT_EQ(sourceSelected, c.kind == 3 ? 0 : 4) << "the source keeps no selection of its own";
    EXPECT_TRUE(meshkit::FindMeshFaults(*copy).empty());
    ExpectUndoAndRedo(*scene, before, order);
  }
}

TEST_F(ScenePairTest, PulledOutPartsStayJoinedToTheMeshByWalls) {
  // The cube's top pulled up by 0.5 (kind 1) or along its corners' normals
  // (kind 2): four walls of two triangles each, the solid still closed.
  for (int kind : {1, 2}) {
    SCOPED_TRACE(kind);
    auto scene = TopSelectedScene();
    const scenetest::SceneOrder order = scenetest::OrderOf(*scene);
    const std::string before = DumpScene(*scene, false, &order);
    MMeshObj* cube = engine::AsMesh(scene->ChildAt(1));
    scene->CopySelectedPartsBy(kind, 0.5);
    ASSERT_EQ(FailState(), 0) << engine::EngContext().failReason;
    EXPECT_EQ(scene->GetChildCount(), 2);
    EXPECT_EQ(cube->GetFaceList().Length(), 12 + 8);
    EXPECT_EQ(cube->GetVertexList().Length(), 12);
    EXPECT_TRUE(cube->IsClosed());
    int raised = 0;
    for (engine::MVertex* v : cube->GetVertexList()) raised += v->position.z > 1.25;
    EXPECT_EQ(raised, 4);
    if (kind == 1) {
      for (engine::MVertex* v : cube->GetVertexList()) EXPECT_TRUE(v->position.z <= 1 || v->position.z == 1.5);
    }
    EXPECT_TRUE(meshkit::FindMeshFaults(*cube).empty());
    ExpectUndoAndRedo(*scene, before, order);
  }
}

TEST_F(ScenePairTest, CopyingPartsCutShortByMemoryUndoesToTheSceneBefore) {
  for (int kind : {0, 1, 2, 3}) {
    SCOPED_TRACE(kind);
    scenetest::ExpectUndoneAfterEachAllocationFailure(TopSelectedScene,
                                                      [kind](MDocObj& s) { s.CopySelectedPartsBy(kind, 0.5); });
  }
}

}  // namespace scene_pair_test
