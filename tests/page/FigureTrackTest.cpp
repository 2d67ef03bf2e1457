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
    // The figure keeps its animation, which the first drag makes.
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

}  // namespace figuretracktest
