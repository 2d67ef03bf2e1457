// The scene's animations over plain objects and the camera: tracks made and
// numbered, camera keys through the view, object keys keeping an object's
// size, deleting animations, the animation-list record with indexes that
// name no object and with its optional parts left out, and editing keys
// and tracks the way a timeline does.
#include <cstring>
#include <memory>
#include <vector>

#include "engine/SceneTestSupport.h"
#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace {

using namespace engine;

// A view whose camera is a plain record.
class RecordView : public AnimView {
 public:
  void GetCamera(CameraKeyValues& out) override { out = camera; }
  void SetCamera(const CameraKeyValues& values) override {
    camera = values;
    ++applied;
  }
  void GetCameraMatrix(MatrixRecord& matrix) override { matrix.m[3][2] = camera.distance; }
  CameraKeyValues camera;
  int applied = 0;
};

class SceneAnimationTest : public scenetest::SceneTest {
 protected:
  // A scene with `n` tetrahedra, each animated (one object track each).
  std::unique_ptr<MDocObj> Animated(int n) {
    auto scene = MakeScene([n](MDocObj& s) {
      for (int i = 0; i < n; ++i) Add(s, Tetra(3.0 * i, 0, 0));
    });
    for (int i = 1; i <= n; ++i) EXPECT_EQ(scene->CreateObjectAnimation(scene->ChildAt(i)), 1);
    return scene;
  }
  // Keys at the frames on track 0 of the scene, selected as given.
  static void Keys(MDocObj& scene, std::initializer_list<std::pair<int, bool>> keys) {
    for (auto [frame, selected] : keys) {
      ASSERT_EQ(scene.RecordKey(frame, 0, nullptr), 1);
      scene.GetKeyAt(frame, 0)->SetSelected(selected ? 1 : 0);
      static_cast<MAKeyObj*>(scene.GetKeyAt(frame, 0))->matrix.m[3][1] = frame;
    }
  }
  static std::string Frames(MDocObj& scene, int number) {
    EngArray<std::int32_t> frames;
    char name[256];
    scene.GetTrackInfo(number, nullptr, name, &frames);
    std::string out;
    for (int i = 0; i < frames.count; ++i) out += (i ? " " : "") + std::to_string(frames[i]);
    return out;
  }
};

TEST_F(SceneAnimationTest, TheCameraAnimationFollowsTheView) {
  auto scene = Animated(1);
  RecordView view;
  view.camera.distance = 10;
  view.camera.fieldOfView = 30;
  scene->SetCameraAnimation(&view, 7, false);
  EXPECT_EQ(scene->GetCameraAnimState(), 7);
  ASSERT_EQ(scene->GetTrackCount(), 2);
  char name[256];
  scene->GetTrackInfo(1, nullptr, name, nullptr);
  EXPECT_STREQ(name, "camera");
  view.camera.distance = 30;
  view.camera.fieldOfView = 31;
  ASSERT_EQ(scene->RecordKey(10, 1, &view), 1);
  scene->ShowFrame(5, &view);
  EXPECT_DOUBLE_EQ(view.camera.distance, 20);
  EXPECT_EQ(view.camera.fieldOfView, 31);  // 30.5 rounds up
  // Removing it forgets the state; the object's animation stays.
  scene->SetCameraAnimation(&view, 0, true);
  EXPECT_EQ(scene->GetCameraAnimState(), -1);
  EXPECT_EQ(scene->GetTrackCount(), 1);
}

TEST_F(SceneAnimationTest, AnObjectKeyOnAKeepScaleObjectKeepsItsSize) {
  auto scene = Animated(1);
  MObject* object = scene->ChildAt(1);
  MatrixRecord keyed;
  MUtilComposeMatrix(0.5, 0, 0, {1, 1, 1}, {4, 0, 0}, nullptr, keyed);
  object->SetMatrix(keyed);
  ASSERT_EQ(scene->RecordKey(10, 0, nullptr), 1);
  MatrixRecord own;
  MUtilComposeMatrix(0, 0, 0, {3, 3, 3}, {0, 0, 0}, nullptr, own);
  object->SetMatrix(own);
  object->flags |= 1;
  scene->ShowFrame(10, nullptr);
  MatrixRecord shown;
  object->GetMatrix(shown);
  double y, x, z;
  PointRecord s, t;
  MUtilDecomposeMatrix(shown, y, x, z, s, t);
  EXPECT_NEAR(y, 0.5, 1e-9);
  EXPECT_NEAR(s.x, 3, 1e-9);
  EXPECT_NEAR(t.x, 4, 1e-9);
}

TEST_F(SceneAnimationTest, DeletingAnAnimationClosesTheGapInTheNumbers) {
  auto scene = Animated(3);
  ASSERT_EQ(scene->GetTrackCount(), 3);
  EXPECT_TRUE(scene->DeleteAnimation(1));
  int animation = -1;
  ASSERT_NE(scene->GetTrack(1, &animation), nullptr);
  EXPECT_EQ(animation, 1);
  EXPECT_EQ(scene->GetTrack(2, nullptr), nullptr);
  char name[256];
  scene->GetAnimationName(2, name);
  EXPECT_STREQ(name, "");
}

// The record of a scene with two animated objects, read by a scene that
// has only the first object: the second animation's index names nothing
// and is left out, not used.
TEST_F(SceneAnimationTest, AnAnimationListIndexOutsideTheChildrenIsLeftOut) {
  auto scene = Animated(2);
  scene->SetAnimationName(0, "first");
  testsupport::TempDir dir;
  {
    QFile out(dir.File("list.bin"), platform::File::Mode::kCreateWrite);
    scene->WriteAnimList(out, nullptr);
    out.FlushAndClose();
  }
  auto small = MakeScene([](MDocObj& s) { Add(s, Tetra()); });
  QFile in(dir.File("list.bin"), platform::File::Mode::kRead);
  EXPECT_GT(small->ReadAnimList(in, 1 << 20), 0);
  ASSERT_EQ(FailState(), 0) << EngContext().failText;
  AnimList& list = small->CurrentAnimations();
  ASSERT_EQ(list.Count(), 2);
  ASSERT_EQ(list.At(0)->objects.count, 1);
  EXPECT_EQ(list.At(0)->Object(0), small->ChildAt(1));
  EXPECT_EQ(list.At(1)->objects.count, 0);
  EXPECT_STREQ(list.At(0)->name, "first");
  small->ShowFrame(0, nullptr);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(SceneAnimationTest, AnAnimationListWithoutItsOptionalPartsKeepsTheDefaults) {
  testsupport::TempDir dir;
  {
    QFile out(dir.File("list.bin"), platform::File::Mode::kCreateWrite);
    for (std::int32_t word : {28 + 8, 0, 3, 60, 5, 15, 8, 0, 0}) out.WriteInt(word);  // 8 surplus bytes
    out.FlushAndClose();
  }
  auto scene = MakeScene([](MDocObj&) {});
  QFile in(dir.File("list.bin"), platform::File::Mode::kRead);
  EXPECT_EQ(scene->ReadAnimList(in, 1000), 36);
  ASSERT_EQ(FailState(), 0) << EngContext().failText;
  EXPECT_EQ(in.BytesLeft(), 0);
  int a, b, c;
  scene->GetExtraAnimValues(a, b, c);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(c, 100);
  EXPECT_EQ(scene->GetCameraAnimState(), 3);
  EXPECT_EQ(scene->GetFrameCount(false), 60);
  EXPECT_EQ(scene->GetCurrentFrame(), 5);
}

TEST_F(SceneAnimationTest, SelectedKeysMoveAndCopyOnlyOntoFreeFrames) {
  auto scene = Animated(1);
  Keys(*scene, {{0, true}, {5, true}, {10, true}});
  EXPECT_FALSE(scene->MoveSelectedKeys(-1, false));
  EXPECT_EQ(Frames(*scene, 0), "0 5 10");
  EXPECT_TRUE(scene->MoveSelectedKeys(5, false));
  EXPECT_EQ(Frames(*scene, 0), "5 10 15");
  EXPECT_EQ(static_cast<MAKeyObj*>(scene->GetKeyAt(15, 0))->matrix.m[3][1], 10);
  // An unselected key in the way refuses the move.
  Keys(*scene, {{20, false}});
  EXPECT_FALSE(scene->MoveSelectedKeys(5, false));
  EXPECT_EQ(Frames(*scene, 0), "5 10 15 20");
  // A copy onto a free frame: two selected keys of one value.
  scene->SelectAllKeys(0);
  scene->GetKeyAt(5, 0)->SetSelected(1);
  EXPECT_TRUE(scene->MoveSelectedKeys(2, true));
  EXPECT_EQ(Frames(*scene, 0), "5 7 10 15 20");
  EXPECT_EQ(scene->GetKeyState(7, 0, nullptr, nullptr), 1);
  EXPECT_EQ(static_cast<MAKeyObj*>(scene->GetKeyAt(7, 0))->matrix.m[3][1], 0);
  scene->DeleteSelectedKeys();
  EXPECT_EQ(Frames(*scene, 0), "10 15 20");
}

TEST_F(SceneAnimationTest, StretchingKeyTimesKeepsTheFirstAndNeverMergesKeys) {
  struct Case {
    double factor;
    const char* frames;
  } cases[] = {{2, "10 14 18"}, {0.5, "10 11 12"}, {0.4, "10 11 12"}};
  for (const Case& c : cases) {
    auto scene = Animated(1);
    scene->GetTrack(0, nullptr)->RemoveKey(0, nullptr);
    Keys(*scene, {{10, true}, {12, true}, {14, true}});
    scene->ScaleSelectedKeyTimes(c.factor);
    EXPECT_EQ(Frames(*scene, 0), c.frames) << c.factor;
  }
}

TEST_F(SceneAnimationTest, RectanglesSelectKeysAndToggleBack) {
  auto scene = Animated(2);
  Keys(*scene, {{4, false}, {8, false}});
  scene->SelectKeysInRange(3, 9, 0, 1, false);
  PtrArray selected;
  scene->CollectSelectedKeys(selected);
  EXPECT_EQ(selected.count, 2);
  scene->SelectKeysInRange(0, 4, 1, 0, true);
  scene->SelectKeysInRange(0, 4, 1, 0, true);
  EXPECT_EQ(scene->GetKeyState(4, 0, nullptr, nullptr), 1);
  EXPECT_EQ(scene->GetKeyState(0, 1, nullptr, nullptr), 0);
  scene->SetSelectedKeysInterpolation(3);
  EXPECT_EQ(scene->GetKeyInterpolation(8, 0), 3);
  EXPECT_EQ(scene->GetKeyInterpolation(0, 0), 0);
  EXPECT_EQ(scene->GetKeyInterpolation(1, 0), -1);
  EXPECT_EQ(scene->GetKeyExtraFlag(8, 0), -1);
}

TEST_F(SceneAnimationTest, MovingATrackRenumbersTheOthers) {
  auto scene = Animated(4);
  MAnimKeys* tracks[4];
  for (int i = 0; i < 4; ++i) tracks[i] = scene->GetTrack(i, nullptr);
  EXPECT_EQ(scene->MoveTrack(3, -1), 0);
  EXPECT_EQ(tracks[3]->trackNumber, 0);
  EXPECT_EQ(tracks[0]->trackNumber, 1);
  EXPECT_EQ(tracks[2]->trackNumber, 3);
  auto other = Animated(4);
  for (int i = 0; i < 4; ++i) tracks[i] = other->GetTrack(i, nullptr);
  EXPECT_EQ(other->MoveTrack(3, 1), 2);
  EXPECT_EQ(tracks[2]->trackNumber, 3);
  EXPECT_EQ(tracks[3]->trackNumber, 2);
  EXPECT_EQ(tracks[1]->trackNumber, 1);
}

TEST_F(SceneAnimationTest, TracksMovedWithTheirAnimationKeepItsRunWhole) {
  // Five one-track animations; the tracks of animations 1 and 3 then belong
  // to animation 0 as well, so that tracks 0, 1 and 3 form one animation
  // (A) and 2 and 4 stand alone (B, C). Answers the order of the tracks as
  // their first numbers.
  auto make = [this](int n, std::initializer_list<std::pair<int, int>> joins) {
    auto scene = Animated(n);
    for (auto [from, to] : joins) {
      int a = -1;
      MAnimKeys* track = scene->GetTrack(from, &a);
      MAnim* owner = scene->CurrentAnimations().At(a);
      owner->tracks.count = 0;
      EXPECT_TRUE(scene->CurrentAnimations().At(to)->tracks.Add(track));
    }
    return scene;
  };
  auto order = [](MDocObj&, MAnimKeys* const* tracks, int n) {
    std::vector<int> out(n);
    for (int i = 0; i < n; ++i) out[tracks[i]->trackNumber] = i;
    return out;
  };
  {
    // A = {0, 1}, B = {2, 3}, C = {4}: dropping C after track 2 lands
    // before B's run; dropping it after 1 (between A and B) stays.
    auto scene = make(5, {{1, 0}, {3, 2}});
    int p = 2;
    scene->AdjustTrackDropPosition(4, p);
    EXPECT_EQ(p, 1);
    p = 1;
    scene->AdjustTrackDropPosition(4, p);
    EXPECT_EQ(p, 1);
    p = 0;
    scene->AdjustTrackDropPosition(4, p);
    EXPECT_EQ(p, -1) << "a run starting at 0 puts the drop before everything";
    p = 0;
    scene->AdjustTrackDropPosition(1, p);
    EXPECT_EQ(p, 0) << "inside its own run";
    p = 4;
    scene->AdjustTrackDropPosition(0, p);
    EXPECT_EQ(p, 4) << "past the last track";
  }
  {
    // A = {0, 2}, B = {1}, C = {3}: moving track 0 after track 3 brings
    // track 2 after it.
    auto scene = make(4, {{2, 0}});
    MAnimKeys* tracks[4];
    for (int i = 0; i < 4; ++i) tracks[i] = scene->GetTrack(i, nullptr);
    scene->MoveTrackWithGroup(0, 3);
    EXPECT_EQ(order(*scene, tracks, 4), (std::vector<int>{1, 3, 0, 2}));
  }
  {
    // A = {1, 3}, B = {0}, C = {2}: moving track 3 first brings track 1
    // after it.
    auto scene = make(4, {{3, 1}});
    MAnimKeys* tracks[4];
    for (int i = 0; i < 4; ++i) tracks[i] = scene->GetTrack(i, nullptr);
    scene->MoveTrackWithGroup(3, -1);
    EXPECT_EQ(order(*scene, tracks, 4), (std::vector<int>{3, 1, 0, 2}));
  }
  {
    // A track landing beside its own animation's track moves alone.
    auto scene = make(4, {{2, 0}});
    MAnimKeys* tracks[4];
    for (int i = 0; i < 4; ++i) tracks[i] = scene->GetTrack(i, nullptr);
    scene->MoveTrackWithGroup(0, 1);
    EXPECT_EQ(order(*scene, tracks, 4), (std::vector<int>{1, 0, 2, 3}));
  }
}

TEST_F(SceneAnimationTest, StretchingAnObjectKeepsTheFaceOnTheDirectionsSide) {
  auto scene = Animated(1);
  MObject* object = scene->ChildAt(1);
  BoundsRecord before;
  object->GetLocalBounds(before);
  MatrixRecord m0;
  object->GetMatrix(m0);
  scene->StretchObject(object, 2, {1, 0.2, 0});
  MatrixRecord m;
  object->GetMatrix(m);
  PointRecord maxBefore, maxAfter, minAfter;
  const PointRecord corner{before.maxX, before.minY, before.minZ}, low{before.minX, before.minY, before.minZ};
  MUtilTransformPoint(m0, corner, maxBefore);
  MUtilTransformPoint(m, corner, maxAfter);
  MUtilTransformPoint(m, low, minAfter);
  ExpectNear(maxAfter, maxBefore.x, maxBefore.y, maxBefore.z);
  EXPECT_NEAR(maxAfter.x - minAfter.x, 2 * (before.maxX - before.minX), 1e-9);
}

TEST_F(SceneAnimationTest, AnAppendedAnimationStartsFiveFramesAfterTheLastKey) {
  auto scene = Animated(1);
  Keys(*scene, {{40, true}});
  MAnim source;  // no tracks
  std::unique_ptr<MAnim> copy(scene->CurrentAnimations().At(0)->Clone());
  ASSERT_NE(copy, nullptr);
  copy->objects.RemoveAll();
  SelectOnly(*scene, {1});
  EXPECT_EQ(scene->ApplyAnimationToSelection(copy.get(), true), 2);
  EXPECT_EQ(Frames(*scene, 0), "0 40 45 85");
  EXPECT_EQ(scene->GetKeyState(40, 0, nullptr, nullptr), 0);
  EXPECT_EQ(scene->GetKeyState(85, 0, nullptr, nullptr), 1);
  // A source whose kinds match nothing fits nothing.
  EXPECT_EQ(scene->MatchAnimation(&source), 0);
}

TEST_F(SceneAnimationTest, OnlyOneAnimationOfTheSelectionIsWritten) {
  auto scene = Animated(2);
  testsupport::TempDir dir;
  QFile out(dir.File("anim.bin"), platform::File::Mode::kCreateWrite);
  SelectOnly(*scene, {1, 2});
  EXPECT_EQ(scene->WriteSelectedAnimation(out), MDocObj::kNoSingleAnimation);
  SelectOnly(*scene, {2});
  EXPECT_EQ(scene->WriteSelectedAnimation(out), 0);
  out.FlushAndClose();
  QFile in(dir.File("anim.bin"), platform::File::Mode::kRead);
  std::unique_ptr<MAnim> read(MAnim::CreateFromFile(in, nullptr));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->tracks.count, 1);
}

TEST_F(SceneAnimationTest, AReplacedObjectHandsOnItsPlaceAndAnimation) {
  auto scene = Animated(1);
  MObject* old = scene->ChildAt(1);
  MObject* fresh = Add(*scene, Tetra(0, 5, 0));
  scene->ReplaceObject(old, fresh, false);
  EXPECT_EQ(scene->ChildAt(1), fresh);
  EXPECT_EQ(scene->ChildAt(2), old);
  EXPECT_EQ(scene->CurrentAnimations().At(0)->Object(0), fresh);
  ExpectNear(Origin(fresh), Origin(old).x, Origin(old).y, Origin(old).z);
  // The selected object takes the listed one's place, which is deleted: no
  // animation list keeps it, the saved copy included.
  scene->SaveAnimation();
  SelectOnly(*scene, {2});
  PtrArray list;
  ASSERT_TRUE(list.Add(fresh));
  scene->ReplaceSelectedObjects(list);
  EXPECT_EQ(scene->children.count, 2);
  EXPECT_EQ(scene->ChildAt(1), old);
  EXPECT_EQ(scene->CurrentAnimations().At(0)->Object(0), old);
  EXPECT_EQ(scene->SwapSavedAnimation(), -1);
  EXPECT_EQ(scene->CurrentAnimations().At(0)->objects.count, 0);
}

}  // namespace
