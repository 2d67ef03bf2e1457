// The joint tracker, the bone-line tracker's rebasing and the saved-state
// slot, and the animation guard of the rotation tracker, by scripted mouse
// points on the standard figure.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "FigureViewTestSupport.h"
#include "engine/core/CrPrefs.h"
#include "view/QTrackBone.h"

namespace {

using engine::PointRecord;
using standardfigure::Joint;
using view::PackScreenPoint;
using viewtest::Distance;

class IkTrackerTest : public viewtest::FigureViewTest {
 protected:
  void SetUp() override {
    FigureViewTest::SetUp();
    previousPrefs_ = engine::EngContext().prefs;
    engine::EngContext().prefs = &prefs_;
    view_->SetAxisViewMarker(view::kAxisViewMarkerFacing);  // as the figure view drags bones
  }
  void TearDown() override {
    engine::EngContext().prefs = previousPrefs_;
    FigureViewTest::TearDown();
  }
  // Press on the joint, then `steps` moves of (dx, dy) pixels each.
  void Drag(view::QTrack& track, engine::MVertex* joint, int dx, int dy, int steps) {
    const std::uint32_t start = OnScreen(joint->position);
    int sx = 0, sy = 0;
    view::UnpackScreenPoint(start, sx, sy);
    track.Begin(start, 0, view_.get(), scene_.get());
    for (int k = 1; k <= steps; ++k) track.Move(PackScreenPoint(sx + k * dx, sy + k * dy), 0);
  }
  static void ExpectIkSavedState(view::QTrack& track) {
    std::int16_t shorts[6] = {};
    double doubles[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_TRUE(track.TakeSavedState(shorts, doubles));
    const std::int16_t expected[6] = {1, 1, 1, 11, 1, 1};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(shorts[i], expected[i]) << i;
      EXPECT_EQ(doubles[i], 0.0) << i;
    }
    EXPECT_FALSE(track.TakeSavedState(shorts, doubles)) << "taken once";
  }
  engine::CrPrefs prefs_;
  engine::CrPrefs* previousPrefs_ = nullptr;
};

// In the sitting pose, the knee dragged sideways swings on the circle where
// the thigh and the shin keep their lengths; hip and ankle stay; the skin
// follows at the end, and one undo gives back the pose exactly.
TEST_F(IkTrackerTest, AJointDragKeepsBothBonesAndUndoesAsOneStep) {
  engine::MPose sitting;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure_, "sitting", sitting));
  engine::MVertex* hip = figure_->GetVertexByIndex(standardfigure::kHipR);
  engine::MVertex* knee = figure_->GetVertexByIndex(standardfigure::kKneeR);
  engine::MVertex* ankle = figure_->GetVertexByIndex(standardfigure::kAnkleR);
  ASSERT_EQ(knee->CountLines(), 2);
  const PointRecord hipAt = hip->position, kneeAt = knee->position, ankleAt = ankle->position;
  const double upper = Distance(hipAt, kneeAt), lower = Distance(kneeAt, ankleAt);
  const std::vector<PointRecord> before = AllPoints();

  view::QTrackBoneInvVert track;
  Drag(track, knee, -6, 2, 1);
  ASSERT_EQ(track.GetFigure(), figure_);
  ExpectIkSavedState(track);
  int sx = 0, sy = 0;
  view::UnpackScreenPoint(OnScreen(kneeAt), sx, sy);
  for (int k = 2; k <= 6; ++k) ASSERT_TRUE(track.Move(PackScreenPoint(sx - 6 * k, sy + 2 * k), 0));
  EXPECT_EQ(view_->GetOverlayLines().count, 6) << "a floor guide per step";
  ExpectIkSavedState(track);
  ASSERT_TRUE(track.End(PackScreenPoint(sx - 36, sy + 12), 0));
  EXPECT_EQ(view_->GetOverlayLines().count, 0);
  ASSERT_EQ(engine::EngContext().failState, 0);

  EXPECT_GT(Distance(knee->position, kneeAt), 0.05);
  ExpectNear(hip->position, hipAt.x, hipAt.y, hipAt.z, 0);
  ExpectNear(ankle->position, ankleAt.x, ankleAt.y, ankleAt.z, 0);
  EXPECT_NEAR(Distance(hip->position, knee->position), upper, 1e-9);
  EXPECT_NEAR(Distance(knee->position, ankle->position), lower, 1e-9);
  const std::vector<PointRecord> after = AllPoints();
  viewtest::SavePicture(viewtest::RenderPicture(*view_, scene_.get()), "knee_dragged");

  scene_->UndoEdit(0);
  EXPECT_TRUE(Same(before, AllPoints()));
  scene_->UndoEdit(1);
  EXPECT_TRUE(Same(after, AllPoints()));
}

// A joint without a child swings on the sphere about its parent.
TEST_F(IkTrackerTest, AnEndJointSwingsAboutItsParent) {
  engine::MVertex* wrist = figure_->GetVertexByIndex(standardfigure::kWristR);
  engine::MVertex* hand = figure_->GetVertexByIndex(standardfigure::kHandR);
  ASSERT_EQ(figure_->GetChildJoint(hand), nullptr);
  const double length = Distance(wrist->position, hand->position);
  const PointRecord handAt = hand->position;
  view::QTrackBoneInvVert track;
  Drag(track, hand, 4, -4, 5);
  ASSERT_EQ(track.GetFigure(), figure_);
  ASSERT_TRUE(track.End(0, 0));
  EXPECT_GT(Distance(hand->position, handAt), 0.01);
  EXPECT_NEAR(Distance(wrist->position, hand->position), length, 1e-9);
}

// A joint with more than two bones cannot move alone: the tracker refuses,
// moves nothing, and the click selects the joint.
TEST_F(IkTrackerTest, AJointOfManyBonesIsRefusedAndSelected) {
  engine::MVertex* chest = figure_->GetVertexByIndex(standardfigure::kChest);
  ASSERT_GT(chest->CountLines(), 2);
  const std::vector<PointRecord> before = AllPoints();
  view::QTrackBoneInvVert track;
  Drag(track, chest, 5, 5, 3);
  EXPECT_TRUE(track.IsRefused());
  EXPECT_EQ(track.GetFigure(), nullptr);
  EXPECT_TRUE(track.End(0, 0));
  EXPECT_TRUE(Same(before, AllPoints()));
  EXPECT_NE(chest->flags & engine::kVertexSelected, 0u);
  std::int16_t shorts[6];
  double doubles[6];
  EXPECT_FALSE(track.TakeSavedState(shorts, doubles));
}

// Rebasing a bone-line drag: the drag goes on from where the joint is now,
// the arm keeps its lengths and the whole gesture is still one undo step.
TEST_F(IkTrackerTest, ARebasedLineDragGoesOnFromTheCurrentPose) {
  engine::MLine* hand = figure_->GetLineEndingAt(figure_->GetVertexByIndex(standardfigure::kHandR));
  engine::MVertex* wrist = hand->end0;
  engine::MVertex* elbow = figure_->GetParentJoint(wrist);
  engine::MVertex* shoulder = figure_->GetParentJoint(elbow);
  const double upper = Distance(shoulder->position, elbow->position);
  const double lower = Distance(elbow->position, wrist->position);
  const std::vector<PointRecord> before = AllPoints();

  view::QTrackBoneInvLine track;
  const std::uint32_t start = OnBone(hand, 0.5);
  int sx = 0, sy = 0;
  view::UnpackScreenPoint(start, sx, sy);
  track.Begin(start, 0, view_.get(), scene_.get());
  ASSERT_EQ(track.GetFigure(), figure_);
  ExpectIkSavedState(track);
  for (int k = 1; k <= 3; ++k) ASSERT_TRUE(track.Move(PackScreenPoint(sx + 3 * k, sy - 6 * k), 0));
  const PointRecord reached = wrist->position;
  track.ResetDrag();
  ExpectNear(track.GetStartPoint(), reached.x, reached.y, reached.z, 0);
  // The current point again: nothing to do.
  EXPECT_FALSE(track.Move(PackScreenPoint(sx + 9, sy - 18), 0));
  ExpectNear(wrist->position, reached.x, reached.y, reached.z, 0);
  for (int k = 1; k <= 3; ++k) ASSERT_TRUE(track.Move(PackScreenPoint(sx + 9 + 3 * k, sy - 18 - 3 * k), 0));
  ASSERT_TRUE(track.End(PackScreenPoint(sx + 18, sy - 27), 0));
  EXPECT_GT(wrist->position.y, reached.y);
  EXPECT_NEAR(Distance(shoulder->position, elbow->position), upper, 1e-9);
  EXPECT_NEAR(Distance(elbow->position, wrist->position), lower, 1e-9);
  scene_->UndoEdit(0);
  EXPECT_TRUE(Same(before, AllPoints()));
}

// While animations hold the scene for every edit, a rotation drag that
// would reach a non-figure (an element-selected prop) is refused; with the
// default preference it goes ahead.
TEST_F(IkTrackerTest, TheAnimationGuardRefusesADragReachingAProp) {
  auto* group = static_cast<engine::MGroupObj*>(scene_->ChildAt(1));
  engine::MObject* prop = Add(*scene_, Place(meshkit::MakeCube(), 3, 0, 0));
  scene_->SelectAll(false);
  group->Select(true);
  ASSERT_TRUE(scene_->CreateSelectionAnimations(nullptr));
  auto* cube = static_cast<engine::MMeshObj*>(prop);
  cube->GetVertexList().First()->flags |= engine::kVertexSelected;
  cube->UpdateSelectionCache();

  const std::uint32_t at = OnBone(figure_->GetLineEndingAt(figure_->GetVertexByIndex(standardfigure::kWristR)));
  for (int preference : {0, 1}) {
    SCOPED_TRACE(preference);
    prefs_.animationEdit = preference;
    view::QTrackRotateBone track;
    track.Begin(at, 0, view_.get(), scene_.get());
    EXPECT_EQ(track.GetFigure() == nullptr, preference == 0);
    track.End(at, 0);
    // The press cleared the prop's selection; select it again.
    cube->GetVertexList().First()->flags |= engine::kVertexSelected;
    cube->UpdateSelectionCache();
  }
}

}  // namespace
