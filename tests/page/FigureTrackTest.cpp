// The skeleton tools on the standard figure, through the page's trackers
// and the real figure facade: the first press puts the figure into pose
// mode, a drag on a bone poses it as one undoable step, and the pose
// handles the page shows lie on the figure's bones.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "EditTestSupport.h"
#include "FigureTestSupport.h"
#include "TrackTestSupport.h"
#include "engine/scene/AnimList.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "page/FigureService.h"
#include "page/SComFigure.h"
#include "page/SComs.h"
#include "page/STrackFactory.h"
#include "page/STrackPose.h"
#include "platform/GlContext.h"
#include "support/TempDir.h"

namespace figuretracktest {

using page::SObj;
using page::SPoint;
using platform::POINT;

class FigureTracks : public pagetest::TrackTest {
 protected:
  // The engine outlives each test's page and undo stack, which the fixture
  // holds: it starts once for the suite and stops after the last fixture.
  static void SetUpTestSuite() { pagetest::StartFigures(); }
  static void TearDownTestSuite() { pagetest::StopFigures(); }
  void SetUp() override {
    doc.SetPageSize(400, 400);
    figure_ = &pagetest::AddStandardFigure(doc, 200, 200);
    ASSERT_EQ(view.Draw(nullptr, doc, {0, 0, 420, 420}, page::kDrawScreen), 0);
  }
  // The window point a third of the way along the bone whose middle is
  // nearest to `towards` (pixels of the figure's picture).
  POINT OnBone(SPoint towards) {
    std::vector<platform::POINT> points;
    std::vector<int> kinds;
    pagetest::ViewOf(*figure_).GetOutlineLines(points, kinds);
    SPoint best;
    double nearest = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
      if (kinds[i / 2] != 0) continue;
      const SPoint a(points[i].x, points[i].y), b(points[i + 1].x, points[i + 1].y);
      if (((a + b) * 0.5).Distance(towards) < nearest) {
        nearest = ((a + b) * 0.5).Distance(towards);
        best = a + (b - a) * 0.3;
      }
    }
    const page::PropSCVal& P = figure_->placement;
    return Win(P.x - (P.width - P.margin) / 2 + best.x, P.y - (P.height - P.margin) / 2 + best.y);
  }

  SObj* figure_ = nullptr;
};

TEST_F(FigureTracks, APressPutsTheFigureIntoPoseModeAndItsHandlesLieOnItsBones) {
  page::STrackPoseRot tracker(page::kToolPoseRotate);
  const pagetest::GestureResults r = Run(tracker, 0, {Win(200, 200)});
  EXPECT_EQ(r.down, 1);
  EXPECT_TRUE(figure_->flags & page::kObjEditing);
  view.settings.tool = page::kToolPoseRotate;
  // Each joint handle the page shows is where the pose tools find a joint.
  int joints = 0, found = 0;
  for (const page::SCtlp& h : figure_->GetHandles(1.0)) {
    if (!h.visible || !h.poseOnly || h.kind != 4) continue;
    ++joints;
    const POINT at = Win(h.x, h.y);
    found += figure_->HitTestPose(view.PageToFigureLocal(*figure_, at), page::kToolPoseMove) == 2 ? 1 : 0;
  }
  EXPECT_GT(joints, 10);
  EXPECT_GE(found, joints - 2);
}

// Either skeleton tool drags the forearm: the figure changes as drawn, one
// undo gives the page back byte for byte, and redo draws the pose again.
TEST_F(FigureTracks, ADragOnABoneIsOneUndoablePoseChange) {
  for (const int tool : {page::kToolPoseRotate, page::kToolPoseMove}) {
    SCOPED_TRACE(tool);
    figure_->flags |= page::kObjEditing;
    // A figure with an animation (keeping its state gives it one); the next
    // test drags one without.
    ASSERT_NE(doc.SaveAnimStateOf(figure_->id, 1), nullptr);
    doc.SetAnimFrame(0);
    const std::string before = pagetest::PageBytes(doc);
    const platform::Image still = pagetest::DrawPage(doc);
    const POINT grip = OnBone({78, 140});
    EXPECT_GE(view.PoseHitCode(doc, grip), 1);
    page::STrackPoseRot tracker(tool);
    const pagetest::GestureResults r = Run(tracker, 0, {grip, {grip.x + 10, grip.y - 15}, {grip.x + 30, grip.y - 40}});
    EXPECT_EQ(r.down, 1);
    EXPECT_EQ(r.up, 1);
    ASSERT_NE(dynamic_cast<page::SComChangeAnim*>(doc.LastGroupCommand()), nullptr);
    const platform::Image posed = pagetest::DrawPage(doc);
    pagetest::Keep(posed, tool == page::kToolPoseRotate ? "figure-turned-forearm" : "figure-pulled-forearm");
    EXPECT_GT(pagetest::PixelsDiffering(still, posed), 100);

    ASSERT_GE(doc.Commands().UndoGroup(), 0);
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
    EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), still), 0);
    ASSERT_GE(doc.Commands().RedoGroup(), 0);
    EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), posed), 0);
    ASSERT_GE(doc.Commands().UndoGroup(), 0);
  }
}

// A figure without an animation gets one for the drag; one undo takes it
// away again with every joint exactly as it stood, so the page's bytes come
// back, and redo draws the pose again.
TEST_F(FigureTracks, UndoingADragOnAFigureWithoutAnimationGivesThePageBytesBack) {
  engine::MDocObj& scene = *pagetest::Figure3DOf(*figure_).GetScene()->GetScene();
  ASSERT_EQ(scene.CurrentAnimations().Count(), 0);
  figure_->flags |= page::kObjEditing;
  const std::string before = pagetest::PageBytes(doc);
  const platform::Image still = pagetest::DrawPage(doc);
  const POINT grip = OnBone({78, 140});
  page::STrackPoseRot tracker(page::kToolPoseRotate);
  const pagetest::GestureResults r = Run(tracker, 0, {grip, {grip.x + 10, grip.y - 15}, {grip.x + 30, grip.y - 40}});
  ASSERT_EQ(r.up, 1);
  ASSERT_NE(dynamic_cast<page::SComChangeAnim*>(doc.LastGroupCommand()), nullptr);
  EXPECT_EQ(scene.CurrentAnimations().Count(), 1);
  const platform::Image posed = pagetest::DrawPage(doc);
  EXPECT_GT(pagetest::PixelsDiffering(still, posed), 100);
  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_GE(doc.Commands().UndoGroup(), 0);
    EXPECT_EQ(scene.CurrentAnimations().Count(), 0);
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
    ASSERT_GE(doc.Commands().RedoGroup(), 0);
    EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), posed), 0);
  }
}

// A point of the page well inside the figure's shirt: clearly blue, with
// blue around it.
bool ShirtPoint(const platform::Image& page, int& x, int& y) {
  const auto blue = [&](int u, int v) {
    const platform::Bgra p = page.GetBgra(u, v);
    return p.a != 0 && p.b > p.g + 30 && p.b > p.r + 30;
  };
  for (y = 3; y + 3 < page.Height(); ++y)
    for (x = 3; x + 3 < page.Width(); ++x)
      if (blue(x, y) && blue(x - 3, y) && blue(x + 3, y) && blue(x, y - 3) && blue(x, y + 3)) return true;
  return false;
}

// The eyedropper takes the colour of the shirt under the point into the
// bar, changing nothing; the bucket paints the shirt with the bar's colour
// as one step, whose undo gives the page back byte for byte and redo the
// painted figure again.
TEST_F(FigureTracks, TheEyedropperReadsAndTheBucketPaintsTheFiguresColourAsOneUndoableStep) {
  pagetest::ScopedColourBar bar(0);
  const std::string before = pagetest::PageBytes(doc);
  const platform::Image dressed = pagetest::DrawPage(doc);
  int x = 0, y = 0;
  ASSERT_TRUE(ShirtPoint(dressed, x, y));

  page::STrackSpoitBucket dropper(page::kToolEyedropper);
  EXPECT_EQ(Run(dropper, 0, {Win(x, y)}).down, 1);
  const platform::COLORREF shirt = bar.colour;
  EXPECT_GT((shirt >> 16) & 0xFF, (shirt & 0xFF) + 60) << std::hex << shirt << ": blue";
  EXPECT_EQ(doc.Commands().GetCount(), 0);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));

  bar.colour = platform::MakeRgb(220, 30, 30);
  page::STrackSpoitBucket bucket(page::kToolPaintBucket);
  EXPECT_EQ(Run(bucket, 0, {Win(x, y)}).down, 1);
  ASSERT_NE(dynamic_cast<page::SComChangeCol*>(doc.LastGroupCommand()), nullptr);
  const platform::Image painted = pagetest::DrawPage(doc);
  pagetest::Keep(painted, "figure-shirt-painted");
  const platform::Bgra p = painted.GetBgra(x, y);
  EXPECT_GT(p.r, p.b + 60) << "red now";
  EXPECT_EQ(Run(dropper, 0, {Win(x, y)}).down, 1);
  EXPECT_EQ(bar.colour, platform::MakeRgb(220, 30, 30)) << "the eyedropper reads the new colour";

  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
  EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), dressed), 0);
  ASSERT_GE(doc.Commands().RedoGroup(), 0);
  EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), painted), 0);
  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
}

}  // namespace figuretracktest
