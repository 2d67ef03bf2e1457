// The scene document: a new scene, the edit step over every kind of object
// (commit, undo, redo, and the undo of a step cut short by running out of
// memory), keeping mesh undo rings across a commit, removing empty objects.
#include <functional>
#include <string>
#include <vector>

#include "engine/SceneTestSupport.h"
#include "platform/ResStrings.h"

namespace {

using engine::MDocObj;
using engine::MGroupObj;
using engine::MMeshObj;
using engine::MObject;
using engine::PointRecord;
using scenetest::DumpScene;

class SceneDocumentTest : public scenetest::SceneTest {};

TEST_F(SceneDocumentTest, NewSceneHoldsOnlyTheFloorGrid) {
  MDocObj scene;
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(scene.GetChildCount(), 1);
  EXPECT_EQ(scene.ChildAt(0)->GetType(), engine::kObjectGrid);
  EXPECT_EQ(scene.GetType(), engine::kObjectScene);
  EXPECT_EQ(scene.GetLayerCount(), 1);
  EXPECT_EQ(scene.GetCurrentLayer(), 0);
  EXPECT_EQ(scene.GetUnitCode(), 0);
  EXPECT_EQ(scene.drawingParamFactor, 0.5);
  EXPECT_TRUE(scene.IsUntouched());
  EXPECT_FALSE(scene.HasObjects());
  EXPECT_STREQ(scene.GetLayerRecord(0).name, "");
  for (int i = 0; i < engine::kLayerCount; ++i) {
    const engine::LayerRecord& r = scene.GetLayerRecord(i);
    EXPECT_EQ(r.visible + r.editable * 2 + r.groupHead * 4 + r.spareFlag * 8 + r.mirror * 16, 3) << "layer " << i;
  }
  EXPECT_EQ(scene.GetGridStep(), 2.0);
  double x, y, z;
  scene.GetPrimitiveExtent(x, y, z);
  EXPECT_EQ(x, 50.0);
  EXPECT_EQ(y, 0.0);
  EXPECT_EQ(z, 50.0);
}

TEST_F(SceneDocumentTest, ViewModePreferenceShapesANewScene) {
  struct Case {
    int viewMode;
    bool mirror, singleMesh;
    int editMode;
  };
  for (const Case& c : {Case{0, false, false, 0}, Case{1, true, false, 0}, Case{2, false, true, 0},
                        Case{3, false, false, 1}, Case{7, false, false, 0}}) {
    prefs_.viewMode = c.viewMode;
    MDocObj scene;
    EXPECT_EQ(scene.GetLayerRecord(0).mirror != 0, c.mirror) << c.viewMode;
    EXPECT_EQ(scene.GetGridObject()->mirrorShown != 0, c.mirror) << c.viewMode;
    EXPECT_EQ(scene.IsSingleMeshMode(), c.singleMesh) << c.viewMode;
    EXPECT_EQ(scene.GetEditMode(), c.editMode) << c.viewMode;
  }
}

TEST_F(SceneDocumentTest, LayerZeroTakesItsNameFromTheStringTable) {
  auto previous = platform::SetStringTableHook([](int id) { return id == 33712 ? std::string("Base") : std::string(); });
  MDocObj scene;
  platform::SetStringTableHook(previous);
  EXPECT_STREQ(scene.GetLayerRecord(0).name, "Base");
}

TEST_F(SceneDocumentTest, AllocationFailureDuringConstructionLeavesADeletableScene) {
  int needed = meshkit::ForEachAllocationFailure(
      [] {
        auto* scene = new (std::nothrow) MDocObj();
        if (scene == nullptr) engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
        delete scene;
      },
      [](int) {});
  EXPECT_GT(needed, 0);
}

// ---- the edit step over every kind of object ------------------------------------------

enum class Kind { Mesh, Group, Figure };

MObject* MakeObject(Kind kind) {
  switch (kind) {
    case Kind::Mesh:
      return scenetest::SceneTest::Tetra(1, 2, 3);
    case Kind::Figure: {
      auto* figure = new scenetest::StandInFigure();
      meshkit::MeshFixture f = meshkit::MakeTetra();
      f->CopyTo(figure);
      figure->SetMatrix(objecttest::Translation(1, 2, 3));
      figure->Checkpoint(false);
      return figure;
    }
    case Kind::Group: {
      auto* group = new MGroupObj();
      group->AddChild(scenetest::SceneTest::Tetra(0, 1, 0));
      group->AddChild(scenetest::SceneTest::Tetra(2, 0, 0));
      group->SetMatrix(objecttest::Translation(1, 2, 3));
      return group;
    }
  }
  return nullptr;
}

// Child 1 is the object of the kind, child 2 a plain mesh; child 1 is selected.
std::unique_ptr<MDocObj> SceneWith(Kind kind) {
  auto scene = scenetest::SceneTest::MakeScene([kind](MDocObj& s) {
    scenetest::SceneTest::Add(s, MakeObject(kind), 0);
    scenetest::SceneTest::Add(s, scenetest::SceneTest::Tetra(-4, 0, 0), 0);
    s.AddLayer(0);
    s.AddLayer(0);
  });
  scenetest::SceneTest::SelectOnly(*scene, {1});
  return scene;
}

// Selects vertices 0 and 1 of every mesh under child 1 (no object selected).
void SelectSomeVertices(MDocObj& scene) {
  scene.SetAllSelected(false);
  engine::PtrArray meshes;
  scene.CollectMeshes(scene.ChildAt(1), meshes);
  for (int i = 0; i < meshes.count; ++i) {
    int n = 0;
    for (engine::MVertex* v : static_cast<MMeshObj*>(meshes[i])->GetVertexList())
      if (n++ < 2) v->flags |= engine::kVertexSelected;
    static_cast<MMeshObj*>(meshes[i])->InvalidateSelectionCache();
  }
}

struct Edit {
  const char* name;
  std::function<void(MDocObj&)> prepare;  // before the dump taken before the edit
  std::function<void(MDocObj&)> run;
};

const std::vector<Edit>& Edits() {
  static const std::vector<Edit> edits = {
      {"delete", {}, [](MDocObj& s) { s.DeleteSelection(); }},
      {"move", {}, [](MDocObj& s) { s.MoveSelectionBy(PointRecord{1, 2, 3}); }},
      {"duplicate", {}, [](MDocObj& s) { s.DuplicateSelection(nullptr, nullptr); }},
      {"copy and paste", {}, [](MDocObj& s) {
         s.CopySelection(false);
         s.PasteObjects(nullptr, false, false);
       }},
      {"cut", {}, [](MDocObj& s) { s.CutSelection(); }},
      {"rotate", {}, [](MDocObj& s) { s.RotateSelectedObjects(PointRecord{0, 0, 0}, 0.5, 0.25, 0, 0, 0, 0, 1); }},
      {"scale along x", {}, [](MDocObj& s) {
         const double f[3] = {2, 1, 1};
         s.ScaleSelectionAxes(PointRecord{0, 0, 0}, f, 0, 1, nullptr);
       }},
      {"transform step", {}, [](MDocObj& s) {
         engine::TransformStep step;
         step.move = {1, 0, 0};
         step.turnY = 30;
         step.scale = {150, 150, 150};
         s.ApplyTransformStep(step);
       }},
      {"to layer 2", {}, [](MDocObj& s) { s.MoveSelectionToLayer(2); }},
      {"delete layer 0", {}, [](MDocObj& s) { s.DeleteLayer(0); }},
      {"freeze", {}, [](MDocObj& s) { s.FreezeTransforms(); }},
      {"keep scale", {}, [](MDocObj& s) { s.SetKeepScaleFlag(true); }},
      {"circular copies", {}, [](MDocObj& s) {
         s.CopySelection(false);
         s.SelectAll(false);
         s.PasteCopies(1, 3, engine::TransformStep(), 1, PointRecord{0, 1, 0});
       }},
      {"vertex move", SelectSomeVertices, [](MDocObj& s) { s.MoveSelectedVertices(PointRecord{0, 0, 1}, true); }},
      {"vertex align", SelectSomeVertices, [](MDocObj& s) { s.AlignSelection(1, PointRecord{0, 1, 0}); }},
      {"vertex scale", SelectSomeVertices, [](MDocObj& s) {
         const double f[3] = {2, 3, 1};
         s.ScaleSelectionAxes(PointRecord{0, 0, 0}, f, 1, 1, nullptr);
       }},
  };
  return edits;
}

TEST_F(SceneDocumentTest, EveryEditUndoesAndRedoesOverEveryKindOfObject) {
  for (Kind kind : {Kind::Mesh, Kind::Group, Kind::Figure}) {
    for (const Edit& edit : Edits()) {
      SCOPED_TRACE(std::string(edit.name) + " on kind " + std::to_string(static_cast<int>(kind)));
      auto scene = SceneWith(kind);
      if (edit.prepare) edit.prepare(*scene);
      const std::string before = DumpScene(*scene);
      edit.run(*scene);
      ASSERT_EQ(FailState(), 0);
      const std::string after = DumpScene(*scene);
      EXPECT_NE(after, before);

      scene->UndoEdit(0);
      EXPECT_EQ(DumpScene(*scene), before);
      EXPECT_TRUE(scene->IsRedoAvailable());
      scene->UndoEdit(1);
      EXPECT_EQ(DumpScene(*scene), after);
      scene->UndoEdit(0);
      EXPECT_EQ(DumpScene(*scene), before);
      scene->EndEdit(0);
      EXPECT_EQ(DumpScene(*scene), before);
      EXPECT_EQ(scene->removedObjects.count, 0);
      engine::PtrArray meshes;
      scene->CollectMeshes(scene.get(), meshes);
      for (int i = 0; i < meshes.count; ++i)
        EXPECT_TRUE(meshkit::FindMeshFaults(*static_cast<MMeshObj*>(meshes[i])).empty());
      EXPECT_EQ(FailState(), 0);
    }
  }
}

TEST_F(SceneDocumentTest, AnEditCutShortByMemoryUndoesToTheSceneBefore) {
  for (const Edit& edit : Edits()) {
    SCOPED_TRACE(edit.name);
    std::unique_ptr<MDocObj> scene;
    std::string before;
    auto fresh = [&] {
      scene = SceneWith(Kind::Group);
      if (edit.prepare) edit.prepare(*scene);
      before = DumpScene(*scene);
    };
    fresh();
    meshkit::ForEachAllocationFailure([&] { edit.run(*scene); },
                                      [&](int nth) {
                                        engine::EngContext().ClearFailure();
                                        scene->UndoEdit(0);
                                        EXPECT_EQ(DumpScene(*scene), before) << "allocation " << nth;
                                        fresh();
                                      },
                                      2000);
  }
}

TEST_F(SceneDocumentTest, CommitDeletesRemovedObjectsAndUndoBringsThemBack) {
  auto scene = SceneWith(Kind::Mesh);
  MObject* object = scene->ChildAt(1);
  scene->DeleteSelection();
  EXPECT_EQ(scene->GetChildCount(), 2);
  EXPECT_EQ(object->GetEditState(), engine::kEditRemoved);
  scene->UndoEdit(0);
  EXPECT_EQ(scene->ChildAt(2), object);
  EXPECT_EQ(Origin(object).z, 3.0);
  scene->UndoEdit(1);
  EXPECT_EQ(scene->removedObjects.count, 1);
  scene->EndEdit(0);
  EXPECT_EQ(scene->removedObjects.count, 0);
  EXPECT_EQ(scene->GetChildCount(), 2);
  EXPECT_FALSE(scene->IsUntouched());
  EXPECT_TRUE(scene->HasUndoStep());
}

TEST_F(SceneDocumentTest, RevertStepOnANeverCommittedSceneChangesNothing) {
  MDocObj scene;
  Add(scene, Tetra());
  const std::string before = DumpScene(scene);
  scene.RevertStep();
  EXPECT_EQ(DumpScene(scene), before);
  EXPECT_FALSE(scene.HasUndoStep());
}

// ---- mesh undo rings across a commit -----------------------------------------------------

TEST_F(SceneDocumentTest, OnlyAVertexStepKeepsTheMeshRingsAcrossACommit) {
  engine::EngContext().undoDepth = 3;
  struct Case {
    const char* name;
    std::function<void(MDocObj&)> edit;
    bool keeps;
  };
  const std::vector<Case> cases = {
      {"vertices only", [](MDocObj& s) { s.MoveSelectedVertices(PointRecord{0, 1, 0}, false); }, true},
      {"an object moved too", [](MDocObj& s) {
         s.MoveSelectedVertices(PointRecord{0, 1, 0}, false);
         s.MoveSelection(PointRecord{1, 0, 0}, s.ChildAt(2));
       }, false},
      {"an object removed too", [](MDocObj& s) {
         s.MoveSelectedVertices(PointRecord{0, 1, 0}, false);
         s.RemoveObject(s.ChildAt(2));
       }, false},
      {"an object created too", [](MDocObj& s) {
         s.MoveSelectedVertices(PointRecord{0, 1, 0}, false);
         MObject* made = scenetest::SceneTest::Tetra();
         s.AddChild(made);
         made->SetEditState(engine::kEditCreated);
       }, false},
      {"the layers edited too", [](MDocObj& s) {
         s.MoveSelectedVertices(PointRecord{0, 1, 0}, false);
         s.SaveLayerBackup();
       }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto scene = SceneWith(Kind::Mesh);
    SelectSomeVertices(*scene);
    c.edit(*scene);
    EXPECT_EQ(scene->CanKeepMeshUndo(), c.keeps);
  }
  // Kept: the committed vertex step is stored in the mesh's ring; the first
  // undo exchanges the mesh's new (empty) step, the second reaches it.
  auto scene = SceneWith(Kind::Mesh);
  SelectSomeVertices(*scene);
  const std::string before = DumpScene(*scene);
  scene->MoveSelectedVertices(PointRecord{0, 1, 0}, false);
  const std::string after = DumpScene(*scene);
  scene->EndEdit(0);
  scene->UndoEdit(0);
  EXPECT_EQ(DumpScene(*scene), after);
  scene->UndoEdit(0);
  EXPECT_EQ(DumpScene(*scene), before);
}

TEST_F(SceneDocumentTest, MeshesOfAFigureGroupNeverKeepTheirRings) {
  engine::EngContext().undoDepth = 3;
  auto scene = MakeScene([](MDocObj& s) {
    auto* group = new MGroupObj();
    group->AddChild(MakeObject(Kind::Figure));
    group->AddChild(Tetra());
    Add(s, group);
  });
  auto* group = static_cast<MGroupObj*>(scene->ChildAt(1));
  auto* mesh = static_cast<MMeshObj*>(group->ChildAt(1));
  mesh->SaveEditState();
  EXPECT_FALSE(scene->CanKeepMeshUndo());
  mesh->SaveEditState();
  scene->EndEdit(0);
  EXPECT_EQ(mesh->forwardCount, 0);
}

// ---- empty objects ---------------------------------------------------------------------------

TEST_F(SceneDocumentTest, RemoveEmptyObjectsTakesEmptyGroupsAndMeshesAndKeepsTheGrid) {
  MDocObj scene;
  auto* outer = new MGroupObj();
  auto* inner = new MGroupObj();
  MMeshObj* moved = Tetra();
  inner->AddChild(moved);
  outer->AddChild(inner);
  Add(scene, outer);
  Add(scene, new MMeshObj());  // no vertices
  Add(scene, Tetra());
  inner->RemoveChild(moved);
  scene.AddChild(moved);
  scene.RemoveEmptyObjects();
  ASSERT_EQ(scene.GetChildCount(), 3);
  EXPECT_EQ(scene.ChildAt(0)->GetType(), engine::kObjectGrid);
  EXPECT_EQ(scene.ChildAt(1)->GetType(), engine::kObjectMesh);
  EXPECT_EQ(scene.ChildAt(2), moved);
}

TEST_F(SceneDocumentTest, TheShadowPassSeesTheGridAndTheFloorShadowState) {
  MDocObj scene;
  engine::MShadowScene* shadows = &scene;
  EXPECT_EQ(shadows->ShadowDocument(), &scene);
  EXPECT_DOUBLE_EQ(engine::ObjectShadowStep(shadows), 100.0 * 0.01 / 10);
  EXPECT_EQ(shadows->ShadowImageState(), 0);  // nothing made yet: every caster makes its image
  scene.floorShadowState = 2;
  EXPECT_EQ(shadows->ShadowImageState(), 2);
  scene.EndEdit(0);
  EXPECT_EQ(shadows->ShadowImageState(), 0);
  PointRecord normal, point;
  EXPECT_FALSE(shadows->RayCastObjects(PointRecord{0, 5, 0}, PointRecord{0, -1, 0}, normal, point, 0.1));
}

TEST_F(SceneDocumentTest, ObjectOnMirrorLayerQueries) {
  MDocObj scene;
  scene.SetLayerFlag(1, engine::kLayerMirror, 1, false);
  auto* group = new MGroupObj();
  MMeshObj* inside = Tetra();
  group->AddChild(inside);
  Add(scene, group, 1);
  inside->layer = 0;
  EXPECT_TRUE(scene.IsObjectOnMirrorLayer(inside, true));
  EXPECT_FALSE(scene.IsObjectOnMirrorLayer(inside, false));
  EXPECT_TRUE(scene.HasMirrorLayer());
  EXPECT_FALSE(scene.AreAllLayersHeadOrMirror());
  EXPECT_TRUE(EndsInFatalExit([&] { scene.IsObjectOnMirrorLayer(nullptr, true); }));
  inside->layer = 120;
  EXPECT_TRUE(EndsInFatalExit([&] { scene.IsObjectOnMirrorLayer(inside, false); }));
  inside->layer = 0;
}

}  // namespace
