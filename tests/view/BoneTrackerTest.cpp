// The drag tracker base and the bone rotation tracker, driven by scripted
// mouse points on the standard figure in a scene.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "FigureViewTestSupport.h"
#include "engine/figure/MBoneObj.h"
#include "platform/Dc.h"
#include "platform/GlContext.h"
#include "view/QTrack.h"
#include "view/QTrackBone.h"
#include "view/QView.h"

namespace {

using engine::PointRecord;
using platform::RECT;
using view::PackScreenPoint;
using view::QView;
using viewtest::Distance;

class TrackerTest : public scenetest::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    engine::InstallFigureObjectServices();
  }
  void TearDown() override {
    platform::GlContext::ReleaseCurrent();
    SceneTest::TearDown();
  }
};

// A tracker that exposes the base's state for the tests.
class PlainTrack : public view::QTrack {
 public:
  using QTrack::startScreen_;
};

TEST_F(TrackerTest, ScreenAxisLockGoesToTheDiagonal) {
  PlainTrack t;
  t.Begin(PackScreenPoint(100, 100), 0, nullptr, nullptr);
  struct Case {
    int x, y, wantX, wantY;
  } cases[] = {{103, 120, 120, 120}, {90, 95, 90, 90}, {110, 90, 110, 90}, {100, 100, 100, 100}};
  for (const Case& c : cases)
    EXPECT_EQ(t.LockScreenAxis(PackScreenPoint(c.x, c.y)), PackScreenPoint(c.wantX, c.wantY)) << c.x << "," << c.y;
}

TEST_F(TrackerTest, MirrorClampShortensTheDelta) {
  PlainTrack t;
  t.SetStartPoint({-0.2, 1, 2});
  PointRecord p{0.5, 0, 0};
  EXPECT_TRUE(view::QTrack::ClampToMirrorPlane(p, true));
  EXPECT_EQ(p.x, 0.0);
  p = {-0.5, 0, 0};
  EXPECT_FALSE(view::QTrack::ClampToMirrorPlane(p, true));
  EXPECT_EQ(p.x, -0.5);
  PointRecord delta{0.7, 0.1, 0.0}, moved;
  EXPECT_TRUE(t.ApplyDeltaFromStart(delta, moved, true));
  ExpectNear(moved, 0.0, 1.1, 2.0, 1e-12);
  ExpectNear(delta, 0.2, 0.1, 0.0, 1e-12);
}

// A rubber-band box is four screen lines in a fixed order; the saved-state
// slot gives its values once.
TEST_F(TrackerTest, OverlayBoxAndSavedState) {
  QView v(RECT{0, 0, 200, 200});
  PlainTrack t;
  t.Begin(PackScreenPoint(10, 10), 0, &v, nullptr);
  t.AddOverlayBox({10, 20, 0}, {50, 80, 0});
  const engine::LineSegArray& lines = v.GetOverlayLines();
  ASSERT_EQ(lines.count, 4);
  const PointRecord want[4][2] = {
      {{10, 20, 0}, {50, 20, 0}}, {{50, 80, 0}, {50, 20, 0}}, {{50, 80, 0}, {10, 80, 0}}, {{10, 20, 0}, {10, 80, 0}}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].kind, view::kOverlayScreenBand);
    ExpectNear(lines[i].from, want[i][0].x, want[i][0].y, want[i][0].z, 0);
    ExpectNear(lines[i].to, want[i][1].x, want[i][1].y, want[i][1].z, 0);
  }
  std::int16_t shorts[6] = {};
  double doubles[6] = {};
  EXPECT_FALSE(t.TakeSavedState(shorts, doubles));
  const std::int16_t in[6] = {1, 2, 3, 4, 5, 6};
  const double values[6] = {0.5, 1, 2, 3, 4, 5};
  t.SetSavedState(in, values);
  ASSERT_TRUE(t.TakeSavedState(shorts, doubles));
  EXPECT_EQ(shorts[5], 6);
  EXPECT_EQ(doubles[0], 0.5);
  EXPECT_FALSE(t.TakeSavedState(shorts, doubles));
  EXPECT_FALSE(t.GetStatusFlag());
}

// Drags in a view: the grabbed point stays in its constraint, moves no more
// than six times the mouse's movement at its depth, and a plane seen edge-on
// fails softly.
TEST_F(TrackerTest, DragDeltasFollowTheConstraintAndTheLimit) {
  QView v(RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionFieldOfView);
  PlainTrack t;
  t.Begin(PackScreenPoint(100, 100), 0, &v, nullptr);
  t.SetStartPoint({0, 0, 0});
  t.SetPixelScale(v.WorldPerPixel(PackScreenPoint(100, 100), {0, 0, 0}));
  PointRecord d{9, 9, 9};
  ASSERT_TRUE(t.ComputeDragDelta(view::kDragPlaneY, PackScreenPoint(130, 100), d));
  EXPECT_NEAR(d.y, 0.0, 1e-12);
  EXPECT_GT(std::hypot(d.x, d.z), 0.05);
  ASSERT_TRUE(t.ComputeDragDelta(view::kDragLineX, PackScreenPoint(130, 100), d));
  EXPECT_NEAR(d.y, 0.0, 1e-12);
  EXPECT_NEAR(d.z, 0.0, 1e-12);
  PointRecord s;
  v.ProjectPoint(d, s);
  EXPECT_GT(s.x, 100.0);  // the point follows the mouse along the axis
  // The limit: 10 pixels at a pixel scale of 0.01 allow 0.6.
  t.SetPixelScale(0.01);
  ASSERT_TRUE(t.ComputeDragDelta(view::kDragFacingViewer, PackScreenPoint(100, 190), d));
  EXPECT_LE(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), 6 * 90 * 0.01 + 1e-12);
  ASSERT_TRUE(t.ComputeDragDelta(view::kDragFacingViewer, PackScreenPoint(100, 100), d));
  ExpectNear(d, 0, 0, 0);

  // Seen exactly along the floor, the floor plane gives no point.
  v.SetAngles(0.0, 0.0, 0.0);
  v.SetViewport(RECT{0, 0, 200, 200}, true);
  EXPECT_FALSE(t.ComputeDragDelta(view::kDragPlaneY, PackScreenPoint(100, 100), d));
  EXPECT_EQ(engine::EngContext().failState, engine::kEngFailDeclined);
  EXPECT_EQ(engine::EngContext().failReason, engine::kEngReasonDeclined);
  engine::EngContext().ClearFailure();

  // Other markers move nothing and fail nothing.
  v.SetAxisViewMarker(3);
  d = {1, 1, 1};
  t.DragWithAxisLock(PackScreenPoint(150, 150), 0, d);
  ExpectNear(d, 0, 0, 0);
  EXPECT_EQ(engine::EngContext().failState, 0);
}

// ---- the rotation tracker on the standard figure ---------------------------

using RotateBoneTest = viewtest::FigureViewTest;

TEST_F(RotateBoneTest, ADragTurnsTheBoneAndOneUndoRestoresThePoseExactly) {
  const std::vector<PointRecord> before = AllPoints();
  // The forearm, grabbed near its start: it turns about the viewing axis.
  view::QTrackRotateBone track;
  int sx = 0, sy = 0;
  engine::MLine* forearm = BeginOnForearm(track, sx, sy);
  ASSERT_NE(forearm, nullptr);
  ASSERT_EQ(track.GetFigure(), figure_);
  EXPECT_EQ(track.GetRotationMode(), 4);
  const PointRecord elbow = forearm->end0->position;
  for (int dx = 10; dx <= 40; dx += 10) ASSERT_TRUE(track.Move(PackScreenPoint(sx + dx, sy), 0));
  ASSERT_TRUE(track.End(PackScreenPoint(sx + 40, sy), 0));
  const std::vector<PointRecord> after = AllPoints();
  EXPECT_FALSE(Same(before, after));
  // The pivot stays; the hand swings by a sixth of a turn (40 of 240 pixels).
  ExpectNear(forearm->end0->position, elbow.x, elbow.y, elbow.z, 1e-12);
  viewtest::SavePicture(viewtest::RenderPicture(*view_, scene_.get()), "bone_turned");

  // The scene's undo takes the whole drag back as one step.
  scene_->UndoEdit(0);
  EXPECT_TRUE(Same(before, AllPoints()));
  scene_->UndoEdit(1);
  EXPECT_TRUE(Same(after, AllPoints()));
}

TEST_F(RotateBoneTest, DraggingBackToTheStartPutsThePoseBack) {
  const std::vector<PointRecord> before = AllPoints();
  engine::MLine* arm = ArmBone();
  const std::uint32_t start = OnBone(arm);
  int sx = 0, sy = 0;
  view::UnpackScreenPoint(start, sx, sy);
  view::QTrackRotateBone track;
  track.Begin(start, 0, view_.get(), scene_.get());
  ASSERT_TRUE(track.Move(PackScreenPoint(sx + 30, sy), 0));
  ASSERT_TRUE(track.Move(start, 0));
  ASSERT_TRUE(track.End(start, 0));
  EXPECT_TRUE(Same(before, AllPoints()));
}

// Dragging the wrist up and out bends the arm at the elbow: both arm bones
// keep their lengths, the shoulder stays, and one undo takes it all back.
TEST_F(RotateBoneTest, ATwoBoneDragKeepsTheArmAndUndoesAsOneStep) {
  const std::vector<PointRecord> before = AllPoints();
  engine::MLine* hand = ArmBone();
  engine::MVertex* wrist = hand->end0;
  engine::MVertex* elbow = figure_->GetParentJoint(wrist);
  ASSERT_NE(elbow, nullptr);
  engine::MVertex* shoulder = figure_->GetParentJoint(elbow);
  ASSERT_NE(shoulder, nullptr);
  const PointRecord wristAt = wrist->position, shoulderAt = shoulder->position;
  const double upper = Distance(shoulder->position, elbow->position);
  const double lower = Distance(elbow->position, wrist->position);

  view_->SetAxisViewMarker(view::kAxisViewMarkerFacing);  // as the figure view drags bones
  const std::uint32_t start = OnBone(hand, 0.5);
  int sx = 0, sy = 0;
  view::UnpackScreenPoint(start, sx, sy);
  view::QTrackBoneInvLine track;
  track.Begin(start, 0, view_.get(), scene_.get());
  ASSERT_EQ(track.GetFigure(), figure_);
  for (int k = 1; k <= 5; ++k) ASSERT_TRUE(track.Move(PackScreenPoint(sx + 4 * k, sy - 8 * k), 0));
  EXPECT_EQ(view_->GetOverlayLines().count, 5);  // a guide per step
  ASSERT_TRUE(track.End(PackScreenPoint(sx + 20, sy - 40), 0));
  EXPECT_EQ(view_->GetOverlayLines().count, 0);
  EXPECT_GT(wrist->position.y, wristAt.y + 0.05);
  ExpectNear(shoulder->position, shoulderAt.x, shoulderAt.y, shoulderAt.z, 1e-12);
  EXPECT_NEAR(Distance(shoulder->position, elbow->position), upper, 1e-9);
  EXPECT_NEAR(Distance(elbow->position, wrist->position), lower, 1e-9);
  const std::vector<PointRecord> after = AllPoints();
  viewtest::SavePicture(viewtest::RenderPicture(*view_, scene_.get()), "arm_dragged");

  scene_->UndoEdit(0);
  EXPECT_TRUE(Same(before, AllPoints()));
  scene_->UndoEdit(1);
  EXPECT_TRUE(Same(after, AllPoints()));
}

// The overlays over a rendered figure: the scene's bone guides, a floor
// guide of a drag (kind 4) and a screen-space rubber band (kind 10); a line
// with an end behind the eye is left out.
TEST_F(RotateBoneTest, OverlaysAreDrawnOverThePicture) {
  platform::Image picture = viewtest::RenderPicture(*view_, scene_.get());
  const platform::Image plain = picture;
  view_->MakeCurrent(true);
  view_->SetViewport(RECT{0, 0, 240, 320}, true);
  view_->SetOverlayMode(5);  // draw the list as it is
  ASSERT_EQ(view_->AddOverlayLine({0.0, 1.0, 0.0}, {0.0, 0.0, 0.0}, 4), 0);
  ASSERT_EQ(view_->AddOverlayLine({20, 20, 0}, {220, 20, 0}, 10), 0);
  PointRecord eye;
  view_->GetEyePosition(eye);
  const PointRecord behind{2 * eye.x, 2 * eye.y, 2 * eye.z};
  ASSERT_EQ(view_->AddOverlayLine(behind, {0.0, 0.0, 0.0}, 0), 0);
  {
    platform::Dc dc(picture);
    view_->DrawOverlaySegmentsGdi(-1, dc);
  }
  viewtest::SavePicture(picture, "overlays");
  // The rubber band crosses the top of the picture, white over white turned
  // black by XOR.
  EXPECT_NE(picture.GetBgra(120, 20).r, plain.GetBgra(120, 20).r);
  EXPECT_EQ(picture.GetBgra(120, 40).r, plain.GetBgra(120, 40).r);
  EXPECT_GT(viewtest::PixelsOff(picture, plain, 8), 150);
  // The overlay draw of the scene collects its segments and leaves the list
  // empty.
  view_->SetOverlayMode(0);
  platform::Image withScene = plain;
  {
    platform::Dc dc(withScene);
    view_->DrawOverlays(scene_.get(), dc);
  }
  EXPECT_EQ(view_->GetOverlayLines().count, 0);
  viewtest::SavePicture(withScene, "overlays_scene");
}

// The whole road in memory: the figure shown, the camera turned and zoomed
// in on the figure, an arm posed by a scripted drag, the camera history
// stepped back; then the picture.
TEST_F(RotateBoneTest, AFigureIsShownTurnedZoomedAndPosedThroughTheView) {
  const platform::Image shown = viewtest::RenderPicture(*view_, scene_.get());
  view_->MakeCurrent(true);
  view_->PushHistory();
  const double fitted = view_->GetDistance();
  view_->SetAngles(-0.5, -0.2, 0.0);
  view_->MarkCameraChanged(true);
  view_->SetViewport(RECT{0, 0, 240, 320}, true);
  PointRecord chest;
  view_->ProjectPoint({0.0, 1.3, 0.0}, chest);
  view_->ZoomToRect(scene_.get(), {chest.x, chest.y, 0}, nullptr, false);
  EXPECT_LT(view_->GetDistance(), fitted);
  view_->SetViewport(RECT{0, 0, 240, 320}, true);

  const PointRecord wristAt = ArmBone()->end0->position;
  view::QTrackRotateBone track;
  int sx = 0, sy = 0;
  BeginOnForearm(track, sx, sy);
  ASSERT_EQ(track.GetFigure(), figure_);
  for (int dx = 8; dx <= 48; dx += 8) ASSERT_TRUE(track.Move(PackScreenPoint(sx - dx, sy), 0));
  ASSERT_TRUE(track.End(PackScreenPoint(sx - 48, sy), 0));
  EXPECT_GT(std::hypot(ArmBone()->end0->position.x - wristAt.x, ArmBone()->end0->position.y - wristAt.y), 0.05);
  const platform::Image posed = viewtest::RenderPicture(*view_, scene_.get());
  viewtest::SavePicture(posed, "figure_turned_zoomed_posed");
  EXPECT_GT(viewtest::PixelsOff(shown, posed, 8), 1000);

  view_->MakeCurrent(true);
  view_->HistoryBack();  // the fitted camera again; the pose stays
  EXPECT_DOUBLE_EQ(view_->GetDistance(), fitted);
  EXPECT_TRUE(view_->CanGoForward());
}

// A drag across a quarter of the view's width turns the bones a quarter
// turn about the viewing direction, the other way for a drag to the left;
// a vertical movement does not turn a bone grabbed away from its handles,
// and every step is measured from the pose at the press.
TEST_F(RotateBoneTest, TheTurnFollowsTheHorizontalDragAcrossTheView) {
  view_->SetAxisViewMarker(view::kAxisViewMarkerFacing);  // as the figure view drags bones
  view::QTrackRotateBone track;
  int sx = 0, sy = 0;
  engine::MLine* forearm = BeginOnForearm(track, sx, sy);
  ASSERT_NE(forearm, nullptr);
  ASSERT_EQ(track.GetRotationMode(), 4);
  PointRecord eye, target;
  view_->GetEyeAndTarget(eye, target);
  const PointRecord axis{target.x - eye.x, target.y - eye.y, target.z - eye.z};
  const double al = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
  const PointRecord n{axis.x / al, axis.y / al, axis.z / al};
  // The bone's direction across the viewing axis.
  const auto across = [&] {
    const PointRecord& a = forearm->end0->position;
    const PointRecord& b = forearm->end1->position;
    PointRecord d{b.x - a.x, b.y - a.y, b.z - a.z};
    const double along = d.x * n.x + d.y * n.y + d.z * n.z;
    return PointRecord{d.x - along * n.x, d.y - along * n.y, d.z - along * n.z};
  };
  const PointRecord before = across();
  // The signed angle from the bone at the press, about the viewing axis.
  const auto turned = [&] {
    const PointRecord d = across();
    const PointRecord c{before.y * d.z - before.z * d.y, before.z * d.x - before.x * d.z,
                        before.x * d.y - before.y * d.x};
    return std::atan2(c.x * n.x + c.y * n.y + c.z * n.z, before.x * d.x + before.y * d.y + before.z * d.z);
  };
  const int w = view_->GetViewportRect().right - view_->GetViewportRect().left;
  ASSERT_EQ(w % 8, 0);
  struct Step {
    int dx, dy;
    double turns;  // of a full turn, signed as a drag to the right
  } steps[] = {{w / 4, 0, 0.25}, {w / 8, 0, 0.125}, {-w / 4, 0, -0.25}, {w / 8, 40, 0.125}, {0, 40, 0.0}};
  double rightSign = 0.0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.dx);
    ASSERT_TRUE(track.Move(PackScreenPoint(sx + step.dx, sy + step.dy), 0));
    const double angle = turned();
    EXPECT_NEAR(std::fabs(angle), std::fabs(step.turns) * 2 * M_PI, 1e-9);
    if (step.turns != 0.0) {
      if (rightSign == 0.0) rightSign = angle * step.turns > 0 ? 1.0 : -1.0;
      EXPECT_GT(angle * step.turns * rightSign, 0.0) << "the turn's sense follows the drag's";
    }
  }
  ASSERT_TRUE(track.End(PackScreenPoint(sx, sy + 40), 0));
}

TEST_F(RotateBoneTest, NothingUnderTheMouseLeavesTheTrackerInert) {
  view::QTrackRotateBone track;
  track.Begin(PackScreenPoint(2, 2), 0, view_.get(), scene_.get());
  EXPECT_EQ(track.GetFigure(), nullptr);
  EXPECT_FALSE(track.Move(PackScreenPoint(50, 2), 0));
  EXPECT_FALSE(track.End(PackScreenPoint(50, 2), 0));
}

}  // namespace
