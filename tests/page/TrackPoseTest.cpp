// Posing figures with the skeleton tools, and the eyedropper and paint
// bucket on a figure's parts, on a stand-in figure shape.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "TrackTestSupport.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComFigure.h"
#include "page/SComs.h"
#include "page/STrackPose.h"

namespace {

using page::SObj;
using page::SPoint;
using platform::POINT;
using pagetest::PageBytes;

POINT Offset(POINT p, int dx, int dy) { return {p.x + dx, p.y + dy}; }

// A figure whose posing and part colours the test steers: a press picks
// `partUnderPress`, a drag sets the pose from the local point, and the
// part under any point has the colour `partColour` (or the error there).
class PosableFigure : public pagetest::FakeFigureShape {
 public:
  int partUnderPress = 2;
  int pickAnswer = 0x00336699;
  int poseHandleCode = 0;  // the pose handle under any point
  std::vector<std::string> calls;
  std::vector<SPoint> points;

  std::unique_ptr<page::SFig> Clone() const override { return std::make_unique<PosableFigure>(*this); }
  int BeginPoseDrag(SPoint point, int tool, const page::Prop2DVal& /*V*/) override {
    Log("begin " + std::to_string(tool), point);
    return partUnderPress;
  }
  int HitTestPose(SPoint /*point*/, int /*tool*/, const page::Prop2DVal& /*V*/) override { return poseHandleCode; }
  int DragPose(SPoint point) override {
    Log("drag", point);
    pose = 1000 + static_cast<int>(point.x);
    return 0;
  }
  int EndPoseDrag(SPoint point) override {
    Log("end", point);
    return 0;
  }
  int FinishPoseDrag() override {
    calls.push_back("finish");
    return 0;
  }
  int PickPartColor(SPoint point, int& objectIndex, int& face) override {
    Log("pick", point);
    objectIndex = 4;
    face = 7;
    return pickAnswer;
  }

 private:
  void Log(const std::string& call, SPoint point) {
    calls.push_back(call);
    points.push_back(point);
  }
};

class FigureTrackTest : public pagetest::TrackTest {
 protected:
  FigureTrackTest() {
    page::PropSCVal P;
    P.x = 100, P.y = 100, P.width = 80, P.height = 120;
    auto shape = std::make_unique<PosableFigure>();
    figure = shape.get();
    person = &pagetest::AddShape(doc, std::move(shape), -1, P);
    box = &pagetest::AddRect(doc, -1, 220, 60, 40, 30);
  }

  pagetest::ScopedFigureFacade facade;
  pagetest::ScopedColourBar bars{0x00ABCDEF};
  PosableFigure* figure = nullptr;
  SObj* person = nullptr;
  SObj* box = nullptr;
};

// ---- posing -------------------------------------------------------------------------

TEST_F(FigureTrackTest, TheFirstPressPutsTheFigureIntoPoseModeAlone) {
  pagetest::SelectExactly(doc, {box->id});
  page::STrackPoseRot tracker(page::kToolPoseRotate);
  const pagetest::GestureResults r = Run(tracker, 0, {Win(100, 100), Win(110, 100)});
  EXPECT_EQ(r.down, 1);
  EXPECT_EQ(r.moves, std::vector<int>{0}) << "the next press poses it";
  EXPECT_TRUE(person->flags & page::kObjEditing);
  EXPECT_EQ(pagetest::SelectedIds(doc), std::vector<int>{person->id});
  EXPECT_EQ(figure->calls, std::vector<std::string>{});
  EXPECT_FALSE(doc.Commands().HasOpenGroup());
}

TEST_F(FigureTrackTest, DraggingAPartLeavesOneUndoablePoseChange) {
  person->flags |= page::kObjEditing;
  figure->pose = 5;
  figure->poseHandleCode = 3;
  const std::string before = PageBytes(doc);
  page::STrackPoseRot tracker(page::kToolPoseMove);
  const pagetest::GestureResults r = Run(tracker, 0, {Win(100, 100), Win(104, 100), Win(112, 90)});
  EXPECT_EQ(r.down, 1);
  EXPECT_EQ(r.moves, (std::vector<int>{1, 1}));
  EXPECT_EQ(r.up, 1);
  EXPECT_EQ(r.cursors, std::vector<int>(3, 168)) << "the pose handle under the press sets the cursor";
  EXPECT_EQ(figure->calls, (std::vector<std::string>{"begin 14", "drag", "drag", "end", "finish"}));
  // Points reach the figure in its own frame, measured from its box's corner.
  const SPoint local = view.PageToFigureLocal(*person, Win(112, 90));
  EXPECT_EQ(figure->points.back(), local);
  const int posed = figure->pose;
  EXPECT_EQ(posed, 1000 + static_cast<int>(local.x));
  EXPECT_NE(dynamic_cast<page::SComChangeAnim*>(doc.LastGroupCommand()), nullptr);

  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(figure->pose, 5);
  EXPECT_EQ(PageBytes(doc), before);
  ASSERT_GE(doc.Commands().RedoGroup(), 0);
  EXPECT_EQ(figure->pose, posed);
}

TEST_F(FigureTrackTest, APressOnAPartWithoutMovingChangesNothing) {
  person->flags |= page::kObjEditing;
  page::STrackPoseRot tracker;
  const pagetest::GestureResults r = Run(tracker, 0, {Win(100, 100)});
  EXPECT_EQ(r.up, 1);
  EXPECT_EQ(figure->calls, (std::vector<std::string>{"begin 13", "end", "finish"}));
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

TEST_F(FigureTrackTest, PressesThatFindNothingToPoseEndTheGesture) {
  struct Case {
    POINT press;
    bool posing;
    int down;
    std::vector<int> selectedAfter;
    const char* what;
  };
  const std::vector<Case> cases = {
      {Win(100, 100), true, 0, {}, "beside the parts of a figure being posed"},
      {Win(220, 60), false, 0, {}, "a shape without a figure"},
      {Win(280, 280), false, 1, {}, "empty paper deselects everything"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    figure->partUnderPress = -1;
    figure->calls.clear();
    // Deselecting ends pose mode, so the selection comes first.
    pagetest::SelectExactly(doc, {});
    if (k.down == 1) pagetest::SelectExactly(doc, {box->id});
    person->flags = k.posing ? (person->flags | page::kObjEditing) : (person->flags & ~page::kObjEditing);
    const std::string before = PageBytes(doc);
    page::STrackPoseRot tracker;
    const pagetest::GestureResults r = Run(tracker, 0, {k.press, Offset(k.press, 10, 10)});
    EXPECT_EQ(r.down, k.down);
    EXPECT_EQ(r.moves, std::vector<int>{0});
    EXPECT_EQ(r.up, 0);
    EXPECT_EQ(pagetest::SelectedIds(doc), k.selectedAfter);
    EXPECT_EQ(figure->pose, 0);
    if (k.down == 0) {
      EXPECT_EQ(PageBytes(doc), before);
    }
  }
}

TEST(PoseCursor, FollowsThePoseHandleUnderTheMouse) {
  struct Case {
    int tool, code, cursor;
  };
  const std::vector<Case> cases = {{13, 0, 286}, {14, 0, 250}, {13, 1, 2018}, {14, 2, 169}, {13, 3, 168},
                                   {13, 4, 2019}, {14, 5, 2019}, {13, 6, 2021}, {14, 7, 2022}, {13, 8, -1}};
  for (const Case& k : cases) EXPECT_EQ(page::PoseCursorId(k.tool, k.code), k.cursor) << k.tool << " " << k.code;
}

// ---- eyedropper and paint bucket ----------------------------------------------------

TEST_F(FigureTrackTest, TheEyedropperPutsThePartColourIntoTheBar) {
  page::STrackSpoitBucket tracker(page::kToolEyedropper);
  const pagetest::GestureResults r = Run(tracker, 0, {Win(100, 100)});
  EXPECT_EQ(r.down, 1);
  EXPECT_EQ(bars.colour, 0x00336699u);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
  EXPECT_EQ(figure->points.back(), view.PageToFigureLocal(*person, Win(100, 100)));
}

TEST_F(FigureTrackTest, ThePaintBucketPaintsThePartWithTheBarsColourAsOneUndoStep) {
  figure->colour = 0x00010203;
  const std::string before = PageBytes(doc);
  page::STrackSpoitBucket tracker(page::kToolPaintBucket);
  const pagetest::GestureResults r = Run(tracker, 0, {Win(100, 100), Win(120, 120)});
  EXPECT_EQ(r.down, 1);
  EXPECT_EQ(r.moves, std::vector<int>{0});
  EXPECT_EQ(r.up, 0);
  EXPECT_EQ(figure->colour, 0x00ABCDEFu);
  EXPECT_NE(dynamic_cast<page::SComChangeCol*>(doc.LastGroupCommand()), nullptr);
  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), before);
}

TEST_F(FigureTrackTest, ColourToolsReportMissesAndTheShapesOwnRefusals) {
  struct Case {
    int tool;
    POINT press;
    int pickAnswer;
    int result;
    const char* what;
  };
  const std::vector<Case> cases = {
      {page::kToolEyedropper, Win(280, 280), 0, page::kResultOffShape, "empty paper"},
      {page::kToolPaintBucket, Win(280, 280), 0, page::kResultOffShape, "empty paper"},
      {page::kToolEyedropper, Win(220, 60), 0, -18, "a shape that is not 3D"},
      {page::kToolPaintBucket, Win(100, 100), page::kResultPatternPart, page::kResultPatternPart, "a pattern part"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    figure->pickAnswer = k.pickAnswer;
    const std::string before = PageBytes(doc);
    page::STrackSpoitBucket tracker(k.tool);
    const pagetest::GestureResults r = Run(tracker, 0, {k.press});
    EXPECT_EQ(r.down, k.result);
    EXPECT_EQ(bars.colour, 0x00ABCDEFu);
    EXPECT_EQ(PageBytes(doc), before);
    EXPECT_EQ(doc.Commands().GetCount(), 0);
  }
}

TEST_F(FigureTrackTest, APressOnASelectionHandleIsAMiss) {
  person->SetSelected(true);
  const POINT corner = HandleWin(*person, 3);
  page::STrackSpoitBucket tracker(page::kToolEyedropper);
  EXPECT_EQ(Run(tracker, 0, {corner}).down, page::kResultOffShape);
}

}  // namespace
