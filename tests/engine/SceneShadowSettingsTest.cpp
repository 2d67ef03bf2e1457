// Shadow settings of the selection: read from the earliest selected child,
// given to every selected child, undone and redone through the edit step
// with unselected children untouched, and a snapshot that cannot be taken
// whole not kept at all; face colours by mesh and face index.
#include "engine/SceneTestSupport.h"

namespace {

using namespace engine;

class SceneShadowSettingsTest : public scenetest::SceneTest {
 protected:
  static int Mode(MDocObj& scene, int child) { return scene.ChildAt(child)->shadowInfo.shadowMode; }
};

TEST_F(SceneShadowSettingsTest, SettingsOfTheSelectionUndoAndRedo) {
  auto scene = MakeScene([](MDocObj& s) {
    for (int i = 0; i < 4; ++i) Add(s, Tetra(2.0 * i, 0, 0));
  });
  for (int i = 1; i <= 4; ++i) scene->ChildAt(i)->shadowInfo.shadowMode = kShadowReceives;
  scene->ChildAt(4)->shadowInfo.blurRadius = 7;
  SelectOnly(*scene, {4, 1, 2});
  ShadowInfo read;
  scene->GetSelectionShadowInfo(read);
  EXPECT_EQ(read.blurRadius, scene->ChildAt(scene->GetTopObjectIndex(scene->GetEarliestSelected()))->shadowInfo.blurRadius);

  ShadowInfo settings;
  settings.shadowMode = kShadowCasts;
  scene->SetSelectionShadowInfo(settings);
  for (int i : {1, 2, 4}) EXPECT_EQ(Mode(*scene, i), kShadowCasts) << i;
  EXPECT_EQ(Mode(*scene, 3), kShadowReceives);
  EXPECT_FALSE(scene->CanKeepMeshUndo());
  scene->UndoEdit(0);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(Mode(*scene, i), kShadowReceives) << i;
  EXPECT_EQ(scene->ChildAt(4)->shadowInfo.blurRadius, 7);
  scene->UndoEdit(1);
  for (int i : {1, 2, 4}) EXPECT_EQ(Mode(*scene, i), kShadowCasts) << i;
  EXPECT_EQ(Mode(*scene, 3), kShadowReceives);
  // The commit forgets the snapshot: a later undo leaves the settings.
  scene->EndEdit(0);
  scene->UndoEdit(0);
  EXPECT_EQ(Mode(*scene, 1), kShadowCasts);
}

TEST_F(SceneShadowSettingsTest, ASnapshotThatRunsOutOfMemoryIsNotKept) {
  auto scene = MakeScene([](MDocObj& s) {
    for (int i = 0; i < 12; ++i) Add(s, Tetra(2.0 * i, 0, 0));
  });
  SelectOnly(*scene, {1});
  ShadowInfo settings;
  settings.shadowMode = kShadowCasts;
  const int needed = meshkit::ForEachAllocationFailure(
      [&] { scene->SetSelectionShadowInfo(settings); },
      [&](int nth) {
        // Either the whole snapshot or none and no change, and out of
        // memory said.
        EXPECT_EQ(EngContext().failReason, kEngReasonOutOfMemory) << nth;
        if (scene->shadowSnapshotState == 0) {
          EXPECT_EQ(Mode(*scene, 1), kShadowFromChildren) << nth;
        }
        EXPECT_TRUE(scene->shadowSnapshotState == 0 || scene->shadowSnapshots.count == scene->children.count) << nth;
        EngContext().ClearFailure();
        scene->UndoEdit(0);
        scene->EndEdit(0);
      });
  EXPECT_GT(needed, 0);
  scene->UndoEdit(0);
  EXPECT_EQ(Mode(*scene, 1), kShadowFromChildren);
}

// Face colours share this file: both are the scene's material settings.
TEST_F(SceneShadowSettingsTest, FaceColoursByMeshAndFaceIndexRefuseIndexesThatNameNoFace) {
  auto scene = MakeScene([](MDocObj& s) {
    Add(s, Tetra());
    Add(s, Tetra(3, 0, 0));
  });
  ASSERT_EQ(scene->GetMeshIndex(scene->ChildAt(2)), 1);
  MMeshObj* mesh = scene->GetMeshAt(1);
  ASSERT_EQ(mesh, scene->ChildAt(2));
  std::uint32_t before = 0, old = 0;
  ASSERT_TRUE(scene->GetFaceColour(mesh, mesh->GetFaceAt(0), before));
  ASSERT_TRUE(scene->SetFaceColour(1, 0, 0x0000FF, old));
  EXPECT_EQ(old, before);
  std::uint32_t now = 0;
  ASSERT_TRUE(scene->GetFaceColour(mesh, mesh->GetFaceAt(0), now));
  EXPECT_EQ(now, 0x0000FFu);
  struct {
    int mesh, face;
  } bad[] = {{-1, 0}, {2, 0}, {1, -1}, {1, 99}};
  for (auto b : bad) {
    EXPECT_FALSE(scene->SetFaceColour(b.mesh, b.face, 0x00FF00, old)) << b.mesh << " " << b.face;
    ASSERT_TRUE(scene->GetFaceColour(mesh, mesh->GetFaceAt(0), now));
    EXPECT_EQ(now, 0x0000FFu);
  }
  EXPECT_EQ(scene->GetMeshAt(5), nullptr);
}

}  // namespace
