// Shadow settings of the selection: read from the earliest selected child,
// given to every selected child, undone and redone through the edit step
// with unselected children untouched, and a snapshot that cannot be taken
// whole not kept at all.
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

}  // namespace
