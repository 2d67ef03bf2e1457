// The scene clipboard: copy, cut and paste with their layer and unit rules,
// the floor grid left alone, grouping and ungrouping, joining, detaching,
// and pasted morph targets with renamed paths.
#include <string>

#include "engine/SceneTestSupport.h"

namespace {

using engine::CRGlobalM;
using engine::EngGlobalM;
using engine::MDocObj;
using engine::MGroupObj;
using engine::MMeshObj;
using engine::MObject;
using engine::PointRecord;
using engine::PtrArray;
using scenetest::DumpScene;

class SceneClipboardTest : public scenetest::SceneTest {
 protected:
  static std::unique_ptr<MDocObj> TwoMeshes() {
    return MakeScene([](MDocObj& s) {
      Add(s, Tetra(1, 0, 0));
      Add(s, Tetra(-3, 0, 0));
    });
  }
};

TEST_F(SceneClipboardTest, CopyThenPasteLandsOneCellAwayOnTheCurrentLayerAndUndoes) {
  auto scene = TwoMeshes();
  scene->AddLayer(0);
  scene->SetCurrentLayer(1);
  SelectOnly(*scene, {1});
  const std::string before = DumpScene(*scene);
  scene->CopySelection(false);
  EXPECT_EQ(EngGlobalM().objects.count, 1);
  scene->PasteObjects(nullptr, false, false);
  ASSERT_EQ(FailState(), 0);
  ASSERT_EQ(scene->GetChildCount(), 4);
  MObject* pasted = scene->ChildAt(3);
  ExpectNear(Origin(pasted), 1, 10, 10);  // cell = 100 / 10
  EXPECT_EQ(pasted->GetLayer(), 1);
  EXPECT_TRUE(pasted->IsSelected());
  EXPECT_FALSE(scene->ChildAt(1)->IsSelected());
  scene->UndoEdit(0);
  EXPECT_EQ(DumpScene(*scene), before);
}

TEST_F(SceneClipboardTest, CutThenUndoBringsTheObjectsBack) {
  auto scene = TwoMeshes();
  SelectOnly(*scene, {1, 2});
  const std::string before = DumpScene(*scene);
  scene->CutSelection();
  EXPECT_EQ(scene->GetChildCount(), 1);
  EXPECT_EQ(EngGlobalM().objects.count, 2);
  scene->UndoEdit(0);
  EXPECT_EQ(DumpScene(*scene), before);
}

TEST_F(SceneClipboardTest, SelectAllDeleteAndMovePasteNeverTouchTheGrid) {
  auto scene = TwoMeshes();
  engine::MGridObj* grid = scene->GetGridObject();
  scene->SelectAll(true);
  scene->DeleteSelection();
  EXPECT_EQ(scene->GetChildCount(), 1);
  EXPECT_EQ(scene->GetGridObject(), grid);
  scene->UndoEdit(0);
  scene->SelectAll(true);
  scene->CopySelection(true);
  EXPECT_EQ(EngGlobalM().objects.count, 2);
  for (int i = 0; i < EngGlobalM().objects.count; ++i)
    EXPECT_EQ(static_cast<MObject*>(EngGlobalM().objects[i])->GetParent(), nullptr);  // no parent into the scene
  EXPECT_EQ(scene->GetChildCount(), 1);
  MDocObj target;
  target.PasteObjects(nullptr, false, true);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(target.GetChildCount(), 3);
  EXPECT_EQ(EngGlobalM().objects.count, 0);
  int grids = 0;
  for (int i = 0; i < target.GetChildCount(); ++i) grids += target.ChildAt(i)->GetType() == engine::kObjectGrid;
  EXPECT_EQ(grids, 1);
  EXPECT_EQ(target.ChildAt(1)->GetParent(), &target);
}

TEST_F(SceneClipboardTest, ObjectsFromAMirrorLayerGetOneNewMirrorLayer) {
  MDocObj source;
  source.AddLayer(0);
  source.SetLayerFlag(1, engine::kLayerMirror, 1, false);
  Add(source, Tetra(), 0);
  Add(source, Tetra(), 1);
  Add(source, Tetra(), 1);
  source.SelectAll(true);
  source.CopySelection(false);

  MDocObj target;
  target.PasteObjects(nullptr, false, false);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(target.GetLayerCount(), 2);
  EXPECT_EQ(target.GetLayerRecord(1).mirror, 1);
  EXPECT_EQ(target.ChildAt(1)->GetLayer(), 0);
  EXPECT_EQ(target.ChildAt(2)->GetLayer(), 1);
  EXPECT_EQ(target.ChildAt(3)->GetLayer(), 1);
  target.UndoEdit(0);  // the layer table comes back too
  EXPECT_EQ(target.GetLayerCount(), 1);
  EXPECT_EQ(target.GetChildCount(), 1);

  // A full table cannot take the new layer: nothing is pasted.
  MDocObj full;
  while (full.AddLayer(0) >= 0) {
  }
  full.PasteObjects(nullptr, false, false);
  EXPECT_EQ(FailReason(), engine::kEngReasonLayerTableFull);
  EXPECT_EQ(full.GetChildCount(), 1);
}

TEST_F(SceneClipboardTest, KeepingLayersAppendsThemUnlessTheTableWouldOverflow) {
  MDocObj source;
  source.AddLayer(0);
  source.SetLayerName(1, "kept");
  source.SetLayerFlag(1, engine::kLayerSpare, 1, false);
  Add(source, Tetra(), 1);
  source.SelectAll(true);
  source.CopySelection(false);

  MDocObj target;
  target.AddLayer(0);
  target.SetLayerFlag(1, engine::kLayerGroupHead, 1, false);
  target.PasteObjects(nullptr, true, false);
  ASSERT_EQ(FailState(), 0);
  // A head of its own first, then the clipboard's two layers.
  EXPECT_EQ(target.GetLayerCount(), 5);
  EXPECT_EQ(target.GetLayerRecord(2).groupHead, 1);
  EXPECT_STREQ(target.GetLayerRecord(4).name, "kept");
  EXPECT_EQ(target.GetLayerRecord(4).spareFlag, 1);
  EXPECT_EQ(target.ChildAt(1)->GetLayer(), 4);

  MDocObj crowded;
  for (int i = 1; i < 97; ++i) crowded.AddLayer(0);
  crowded.SetCurrentLayer(3);
  crowded.PasteObjects(nullptr, true, false);  // 97 + 2 + 1 is above 98: the current layer
  EXPECT_EQ(crowded.GetLayerCount(), 97);
  EXPECT_EQ(crowded.ChildAt(1)->GetLayer(), 3);
}

TEST_F(SceneClipboardTest, PastingAcrossUnitsScalesByTheRatioOfTheFactors) {
  MDocObj source;
  source.unitCode = 2;  // 10 units per base unit
  Add(source, Tetra(20, 0, 0));
  source.SelectAll(true);
  source.CopySelection(false);
  MDocObj target;
  target.unitCode = 1;
  const PointRecord none{0, 0, 0};
  target.PasteObjects(&none, false, false);
  ExpectNear(Origin(target.ChildAt(1)), 2, 0, 0);
  engine::BoundsRecord box;
  target.ChildAt(1)->GetWorldBounds(box);
  EXPECT_NEAR(box.maxX - box.minX, 0.1, 1e-12);
}

// ---- grouping ---------------------------------------------------------------------------------

TEST_F(SceneClipboardTest, GroupingPlacesTheGroupAtTheEarlierSelectedObject) {
  auto scene = TwoMeshes();
  SelectOnly(*scene, {1});
  EXPECT_EQ(scene->GroupSelection(nullptr), nullptr);
  EXPECT_EQ(scene->GetChildCount(), 3);
  SelectOnly(*scene, {2, 1});
  MGroupObj* group = scene->GroupSelection(nullptr);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(scene->GetChildCount(), 2);
  ExpectNear(Origin(group), -3, 0, 0);
  EXPECT_TRUE(group->IsSelected());
  ASSERT_EQ(group->GetChildCount(), 2);
  engine::MatrixRecord world;
  scene->GetObjectWorldMatrix(group->ChildAt(0), &world, nullptr);
  ExpectNear(PointRecord{world.m[3][0], world.m[3][1], world.m[3][2]}, 1, 0, 0);

  PtrArray children, layers, mirrors;
  scene->UngroupSelection(&children, &layers, &mirrors);
  EXPECT_EQ(scene->GetChildCount(), 3);
  EXPECT_EQ(children.count, 2);
  ExpectNear(Origin(scene->ChildAt(1)), 1, 0, 0);
  ExpectNear(Origin(scene->ChildAt(2)), -3, 0, 0);
  EXPECT_FALSE(scene->LayerIndicesDiffer(children, layers));

  scene->SelectAll(false);
  beeps_ = 0;
  scene->UngroupSelection(nullptr, nullptr, nullptr);
  EXPECT_EQ(beeps_, 1);
  scene->UngroupSelectedElements();
  EXPECT_EQ(beeps_, 2);
}

TEST_F(SceneClipboardTest, GroupingAroundAKeyMakesItAFigure) {
  auto scene = TwoMeshes();
  MObject* key = scene->ChildAt(1);
  SelectOnly(*scene, {1, 2});
  MGroupObj* group = scene->GroupSelectionAround(key, 1);
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->GetChildCount(), 2);
  EXPECT_TRUE(group->ChildAt(0)->IsBoneObject());
  EXPECT_EQ(static_cast<MMeshObj*>(group->ChildAt(0))->GetVertexList().Length(), 4);
  EXPECT_TRUE(group->HasBoneChild(true));

  // A group as the key first becomes one mesh of its members' elements.
  auto second = MakeScene([](MDocObj& s) {
    auto* inner = new MGroupObj();
    inner->AddChild(Tetra());
    inner->AddChild(Tetra(2, 0, 0));
    Add(s, inner);
    Add(s, Tetra(5, 0, 0));
  });
  MObject* groupKey = second->ChildAt(1);
  SelectOnly(*second, {1, 2});
  MGroupObj* merged = second->GroupSelectionAround(groupKey, 1);
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(FailState(), 0);
  ASSERT_EQ(merged->GetChildCount(), 2);
  EXPECT_TRUE(merged->ChildAt(0)->IsBoneObject());
  auto* keyMesh = static_cast<MMeshObj*>(merged->ChildAt(0));
  EXPECT_EQ(keyMesh->GetVertexList().Length(), 8);
  EXPECT_TRUE(meshkit::MeshIsValid(*keyMesh));
}

// ---- joining and detaching -------------------------------------------------------------------

TEST_F(SceneClipboardTest, JoinRefusesMixedMirrorLayersAndJoinsPlainOnes) {
  auto scene = TwoMeshes();
  scene->AddLayer(0);
  scene->SetLayerFlag(1, engine::kLayerMirror, 1, false);
  scene->ChildAt(2)->SetLayer(1);
  scene->EndEdit(0);
  SelectOnly(*scene, {1, 2});
  scene->JoinSelection(1);
  EXPECT_EQ(FailReason(), engine::kEngReasonMixedMirrorLayers);
  engine::EngContext().ClearFailure();
  auto* a = static_cast<MMeshObj*>(scene->ChildAt(1));
  auto* b = static_cast<MMeshObj*>(scene->ChildAt(2));
  EXPECT_EQ(scene->JoinVertices(a, b, a->GetVertexList().First(), b->GetVertexList().First()), nullptr);
  EXPECT_EQ(FailReason(), engine::kEngReasonMixedMirrorLayers);
  engine::EngContext().ClearFailure();

  // Two meshes of plain layers become one.
  auto plain = TwoMeshes();
  SelectOnly(*plain, {1, 2});
  plain->JoinSelection(1);
  EXPECT_EQ(FailState(), 0);
  ASSERT_EQ(plain->GetChildCount(), 2);
  auto* joined = static_cast<MMeshObj*>(plain->ChildAt(1));
  EXPECT_EQ(joined->GetVertexList().Length(), 8);
  EXPECT_EQ(joined->GetFaceList().Length(), 8);
  EXPECT_TRUE(meshkit::MeshIsValid(*joined));
}

TEST_F(SceneClipboardTest, DetachingTheLastChildRemovesTheGroupsItEmpties) {
  MDocObj scene;
  auto* outer = new MGroupObj();
  auto* inner = new MGroupObj();
  MMeshObj* mesh = Tetra();
  inner->AddChild(mesh);
  outer->AddChild(inner);
  Add(scene, outer);
  scene.DetachObject(mesh);
  delete mesh;
  EXPECT_EQ(scene.GetChildCount(), 1);
  PtrArray one;
  one.Add(Tetra());
  EXPECT_TRUE(EndsInFatalExit([&] { scene.MergeObjects(one); }));
  delete static_cast<MMeshObj*>(one[0]);
}

// ---- morph indices -------------------------------------------------------------------------------

TEST_F(SceneClipboardTest, PastedMorphsAreNumberedAfterTheScenesOwnAndClashesRenumber) {
  auto holder = [](const char* path, int index) {
    meshkit::MeshFixture f = meshkit::MakeTetra();
    meshkit::MakeMorph(f, {0, 1}, path);
    f->SetMorphIndex(path, index);
    return Place(std::move(f), 0, 0, 0);
  };
  MDocObj source;
  Add(source, holder("/b", 0));
  source.SelectAll(true);
  source.CopySelection(false);
  MDocObj target;
  Add(target, holder("/a", 0));
  target.PasteObjects(nullptr, false, false);
  ASSERT_EQ(FailState(), 0);
  EXPECT_EQ(target.GetMorphIndex("/a"), 0);
  EXPECT_EQ(target.GetMorphIndex("/b"), 1);
  EXPECT_EQ(target.GetMaxMorphIndex(), 1);

  // Two paths sharing an index: every path is numbered afresh in list order.
  MDocObj clash;
  Add(clash, holder("/x", 3));
  Add(clash, holder("/y", 3));
  Add(clash, holder("/z", -1));
  clash.RenumberMorphIndices();
  EXPECT_EQ(clash.GetMorphIndex("/x"), 0);
  EXPECT_EQ(clash.GetMorphIndex("/y"), 1);
  EXPECT_EQ(clash.GetMorphIndex("/z"), 2);
  EXPECT_EQ(clash.GetMorphIndex("/none"), -2);
}

// ---- pasted morph targets ---------------------------------------------------------------------

TEST_F(SceneClipboardTest, PastedTargetsOfAPathInUseAreRenamedWithinTheNameField) {
  auto makeHolder = [](const std::string& path) {
    meshkit::MeshFixture f = meshkit::MakeTetra();
    meshkit::MakeMorph(f, {0, 1}, path.c_str());
    f->SetMorphIndex(path.c_str(), 0);
    return Place(std::move(f), 0, 0, 0);
  };
  auto clipboardTarget = [](const std::string& path) {
    EngGlobalM().Clear();
    auto* list = new engine::MItemList<engine::MMorphTgt>();
    EngGlobalM().morphTargets.Reset(list, [](engine::MItemList<engine::MMorphTgt>* l) { delete l; });
    auto* target = new engine::MMorphTgt();
    target->SetGroupName(path.c_str());
    target->SetTargetName("t");
    list->Add(target);
  };
  struct Case {
    std::size_t length;
    bool renamed;
  };
  for (const Case& c : {Case{1, true}, Case{251, true}, Case{252, false}}) {
    SCOPED_TRACE(c.length);
    engine::EngContext().ClearFailure();
    const std::string path(c.length, 'p');
    MDocObj scene, other;
    Add(scene, makeHolder(path));
    Add(other, makeHolder(path));
    clipboardTarget(path);
    const int result = scene.PasteMorphTargets(true, &other);
    if (!c.renamed) {
      EXPECT_EQ(FailReason(), engine::kEngReasonNameTooLong);
      EXPECT_EQ(scene.morphTargets->Length(), 0);
      continue;
    }
    EXPECT_EQ(FailState(), 0);
    EXPECT_EQ(result, 1001);
    EXPECT_NE(scene.FindMorphTarget((path + "1000").c_str(), "t"), nullptr);
    EXPECT_EQ(other.GetMorphIndex((path + "1000").c_str()), 0);  // the other scene's morph follows
  }
  // Without renaming, a target already here is skipped with a beep.
  engine::EngContext().ClearFailure();
  MDocObj scene;
  clipboardTarget("q");
  EXPECT_EQ(scene.PasteMorphTargets(false, nullptr), 0);
  beeps_ = 0;
  EXPECT_EQ(scene.PasteMorphTargets(false, nullptr), -2);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(scene.morphTargets->Length(), 1);
}

}  // namespace
