// Selection and object lists, world matrices, the selection statistics and
// picks limited to editable layers.
#include <string>

#include "engine/SceneTestSupport.h"

namespace {

using engine::MDocObj;
using engine::MGroupObj;
using engine::MMeshObj;
using engine::MObject;
using engine::PointRecord;
using engine::PtrArray;

class SceneSelectionTest : public scenetest::SceneTest {};

TEST_F(SceneSelectionTest, SelectAllAndInvertNeverSelectTheGrid) {
  MDocObj scene;
  MObject* a = Add(scene, Tetra());
  MObject* b = Add(scene, Tetra());
  scene.SelectAll(true);
  EXPECT_FALSE(scene.GetGridObject()->IsSelected());
  EXPECT_TRUE(a->IsSelected() && b->IsSelected());
  PtrArray selected;
  scene.GetSelectedObjects(selected);
  EXPECT_EQ(selected.count, 2);
  b->Select(false);
  scene.InvertSelection();
  EXPECT_FALSE(a->IsSelected());
  EXPECT_TRUE(b->IsSelected());
  EXPECT_FALSE(scene.GetGridObject()->IsSelected());
  scene.SelectEditableObjects(true);
  EXPECT_FALSE(scene.GetGridObject()->IsSelected());
}

TEST_F(SceneSelectionTest, ListsFollowGroupsAndVisibleLayers) {
  MDocObj scene;
  scene.AddLayer(0);
  auto* group = new MGroupObj();
  MMeshObj* inner = Tetra();
  group->AddChild(inner);
  group->AddChild(Tetra());
  Add(scene, group, 0);
  MObject* hidden = Add(scene, Tetra(), 1);
  scene.SetLayerFlag(1, engine::kLayerVisible, 0, false);
  SelectOnly(scene, {1});

  PtrArray selected, meshes, all, visible;
  scene.GetSelectedObjects(selected);
  ASSERT_EQ(selected.count, 1);
  EXPECT_EQ(selected[0], group);
  scene.CollectSelectedMeshes(meshes);
  EXPECT_EQ(meshes.count, 2);
  scene.SetVisibleLayersOnly(true);
  scene.CollectMeshes(&scene, visible);
  scene.CollectAllObjects(&scene, all);
  EXPECT_EQ(visible.count, 2);
  EXPECT_EQ(all.count, 5);  // the scene, the group, its two meshes and the hidden mesh
  EXPECT_EQ(all[0], &scene);
  EXPECT_EQ(all[4], hidden);
  EXPECT_EQ(scene.GetTopLevelObject(inner), group);
  EXPECT_EQ(scene.GetTopLevelObject(&scene), &scene);
}

TEST_F(SceneSelectionTest, WorldMatricesComposeThroughGroups) {
  MDocObj scene;
  auto* group = new MGroupObj();
  MMeshObj* inner = Tetra(1, 0, 0);
  group->AddChild(inner);
  group->SetMatrix(objecttest::Composed(0, 0, 0, {2, 2, 2}, {0, 5, 0}));
  Add(scene, group);
  engine::MatrixRecord world, inverse;
  scene.GetObjectWorldMatrix(inner, &world, &inverse);
  PointRecord p, back;
  engine::MUtilTransformPoint(world, PointRecord{0, 0, 0}, p);
  EXPECT_EQ(p.x, 2.0);  // (1, 0, 0) scaled by 2, then raised by 5
  EXPECT_EQ(p.y, 5.0);
  engine::MUtilTransformPoint(inverse, p, back);
  EXPECT_NEAR(back.x, 0.0, 1e-12);
  EXPECT_NEAR(back.y, 0.0, 1e-12);
  scene.GetObjectWorldMatrix(group, &world, nullptr);
  engine::MatrixRecord own;
  group->GetMatrix(own);
  EXPECT_TRUE(engine::MUtilMatrixEqual(world, own));
}

TEST_F(SceneSelectionTest, SelectionInfoCountsQuadsAndLeavesNothingSelected) {
  MDocObj scene;
  MMeshObj* quad = Place(meshkit::MakeQuadPair(true), 0, 0, 0);
  Add(scene, quad, 3);
  engine::SelectionInfo info;
  PointRecord point;
  scene.GetSelectionInfo(info, &point);
  EXPECT_EQ(info.kind, 2);      // everything taken: one mesh
  EXPECT_EQ(info.countKind, 6);
  EXPECT_EQ(info.quads, 1);
  EXPECT_EQ(info.triangles, 0);
  EXPECT_EQ(info.polygons, 1);
  EXPECT_EQ(info.lines, 4);
  EXPECT_EQ(info.meshes, 1);
  EXPECT_EQ(info.layer, 3);
  EXPECT_EQ(point.x, 1.0);
  EXPECT_EQ(point.z, 0.0);  // a quarter of one quad without the smooth surface
  EXPECT_FALSE(quad->IsSelected());

  Add(scene, Tetra(), 1);
  scene.GetSelectionInfo(info, nullptr);
  EXPECT_EQ(info.kind, 1);
  EXPECT_EQ(info.countKind, 8);
  EXPECT_EQ(info.layer, -1);
  EXPECT_EQ(info.triangles, 4);

  // Element selection only: two selected vertices of the tetrahedron.
  MMeshObj* tetra = static_cast<MMeshObj*>(scene.ChildAt(2));
  int n = 0;
  for (engine::MVertex* v : tetra->GetVertexList())
    if (n++ < 2) v->flags |= engine::kVertexSelected;
  tetra->InvalidateSelectionCache();
  scene.GetSelectionInfo(info, nullptr);
  EXPECT_EQ(info.kind, 4);
  EXPECT_EQ(info.meshes, 1);
  EXPECT_EQ(info.layer, 1);
  int count = 0;
  scene.CountElementSelectedMeshes(count);
  EXPECT_EQ(count, 1);
}

TEST_F(SceneSelectionTest, PairsAndEarliestFollowSelectionTime) {
  MDocObj scene;
  MObject* a = Add(scene, Tetra());
  MObject* b = Add(scene, Tetra(3, 0, 0));
  SelectOnly(scene, {2, 1});
  EXPECT_EQ(scene.GetEarliestSelected(), b);
  PtrArray first, second;
  scene.CollectMeshesOfPair(first, second);
  EXPECT_EQ(first[0], b);
  EXPECT_EQ(second[0], a);
  a->selectTime = b->selectTime;  // a tie: the second in child order counts as earlier
  first.RemoveAll();
  second.RemoveAll();
  scene.CollectMeshesOfPair(first, second);
  EXPECT_EQ(first[0], b);
  SelectOnly(scene, {1});
  EXPECT_TRUE(EndsInFatalExit([&] {
    PtrArray x, y;
    scene.CollectMeshesOfPair(x, y);
  }));
}

TEST_F(SceneSelectionTest, PicksSkipHiddenLockedAndExcludedObjects) {
  MDocObj scene;
  scene.AddLayer(0);
  auto makePick = [&](double t, int layer) {
    auto* mesh = new scenetest::PickMesh();
    meshkit::MakeTetra()->CopyTo(mesh);
    mesh->hits = true;
    mesh->hitT = t;
    Add(scene, mesh, layer);
    return mesh;
  };
  scenetest::PickMesh* locked = makePick(0.1, 1);
  scenetest::PickMesh* near = makePick(0.3, 0);
  scenetest::PickMesh* tie = makePick(0.3, 0);
  scene.SetLayerFlag(1, engine::kLayerEditable, 0, false);
  double t = 0;
  const PointRecord a{0, 0, 0}, b{0, 0, -1};
  EXPECT_EQ(scene.PickNearest(a, a, b, &t, false), near);  // earliest child wins a tie
  EXPECT_EQ(t, 0.3);
  near->excluded = 1;
  EXPECT_EQ(scene.PickNearest(a, a, b, &t, false), tie);
  scene.pickExcluded = 1;
  EXPECT_EQ(scene.PickNearest(a, a, b, &t, false), near);
  scene.SetLayerFlag(1, engine::kLayerEditable, 1, false);
  EXPECT_EQ(scene.PickNearest(a, a, b, &t, false), locked);
  tie->hits = near->hits = locked->hits = false;
  EXPECT_EQ(scene.PickNearest(a, a, b, &t, false), nullptr);
}

TEST_F(SceneSelectionTest, SelectedVerticesCentreIsTheMiddleOfTheirBoxInTheScene) {
  MDocObj scene;
  meshkit::MeshFixture f = meshkit::MakeGrid(2, 2);
  f.v[0]->flags |= engine::kVertexSelected;  // (0, 0, 0)
  f.v[8]->flags |= engine::kVertexSelected;  // (2, 2, 0)
  f.v[2]->flags |= engine::kVertexSelected;  // (2, 0, 0): inside the box
  MMeshObj* grid = Place(std::move(f), 1, 0, 0);
  grid->InvalidateSelectionCache();
  Add(scene, grid);
  PointRecord centre;
  scene.GetSelectedVerticesCentre(centre);
  EXPECT_EQ(centre.x, 2.0);
  EXPECT_EQ(centre.y, 1.0);
  EXPECT_EQ(centre.z, 0.0);
  scene.SelectAll(false);  // clears the element selection too
  scene.GetSelectedVerticesCentre(centre);
  EXPECT_EQ(centre.x, 0.0);
  scene.GetSelectionCentre(centre);
  EXPECT_EQ(centre.x, 0.0);
  grid->Select(true);
  scene.GetSelectionCentre(centre);
  EXPECT_EQ(centre.x, 2.0);
  EXPECT_EQ(centre.y, 1.0);
}

}  // namespace
